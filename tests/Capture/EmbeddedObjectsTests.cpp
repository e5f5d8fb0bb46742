#include "Capture/EmbeddedObjects.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace Capture;
using Core::CaptureError;
using Layout = Hypertext::Layout;

namespace {

const QString object(QChar(EmbeddedObjects::character));

// Accessibles that embed each other as a browser's page does: the n-th embedded object of a
// node's text stands for its n-th child. Answers only a given number of calls in time.
class FakeHypertext final : public Hypertext {
public:
    struct Element {
        QString text;
        std::optional<TextRange> selection;
        Layout layout = Layout::inlined;
        std::vector<Node> children;
        qint32 marker = 0;
        bool atomic = false;
    };

    explicit FakeHypertext(std::vector<Element> elements) : m_elements(std::move(elements)) {}

    std::optional<QList<Node>> embedded(Node parent, qint32 offset, qint32 count) override {
        if (!answer())
            return std::nullopt;
        // The link index of the object at `offset`, counting characters, not UTF-16 units.
        const QString& text = m_elements[size_t(parent)].text;
        qint32 character = 0;
        qsizetype link = 0;
        for (qsizetype i = 0; i < text.size() && character < offset; ++i, ++character) {
            link += text[i] == object[0];
            if (text[i].isHighSurrogate())
                ++i;
        }
        const auto& children = m_elements[size_t(parent)].children;
        if (character != offset || link + count > qsizetype(children.size()))
            return std::nullopt;
        return QList<Node>(children.begin() + link, children.begin() + link + count);
    }
    std::optional<qint32> length(Node node) override {
        if (!answer())
            return std::nullopt;
        return qint32(m_elements[size_t(node)].text.size());
    }
    std::optional<TextRange> selection(Node node) override {
        if (!answer())
            return std::nullopt;
        return m_elements[size_t(node)].selection;
    }
    std::optional<QString> text(Node node, TextRange range) override {
        if (!answer())
            return std::nullopt;
        fetched.push_back(node);
        if (answerToEveryText)
            return answerToEveryText;
        return m_elements[size_t(node)].text.mid(range.start, range.end - range.start);
    }
    Layout layout(Node node) override { return m_elements[size_t(node)].layout; }
    qint32 generatedPrefix(Node node) override { return m_elements[size_t(node)].marker; }
    bool isAtomic(Node node) override { return m_elements[size_t(node)].atomic; }

    int calls = 0;
    int callsInTime = INT_MAX;
    std::vector<Node> fetched;
    // What every text call answers, whatever range it asks for, as a faulty application does.
    std::optional<QString> answerToEveryText;

private:
    bool answer() { return ++calls <= callsInTime; }

    std::vector<Element> m_elements;
};

using Element = FakeHypertext::Element;

// Reads the whole of node 0's text.
QString expandAll(FakeHypertext& hypertext, const QString& text) {
    const auto read = EmbeddedObjects::expand(hypertext, text, {0, qint32(text.size())});
    if (!read)
        return QStringLiteral("<failed>");
    return read->value_or(QStringLiteral("<none>"));
}

Element paragraph(const char* text, std::optional<TextRange> selection = std::nullopt) {
    return {QString::fromUtf8(text), selection, Layout::paragraph, {}};
}
// Selected from start to end, as a browser says of an element that the selection spans.
Element selected(const QString& text, Layout layout, std::vector<Hypertext::Node> children = {},
                 qint32 marker = 0) {
    return {text, TextRange{0, qint32(text.size())}, layout, std::move(children), marker};
}

} // namespace

// A drag from the middle of one paragraph of a page into the middle of a third, over one with a
// link: the document's selection holds the three paragraphs' objects, each paragraph its own
// part, the link's text within its paragraph's line.
TEST(EmbeddedObjectsTest, ReadsTheSelectedPartsOfAPagesParagraphsWithTheirLinksInDocumentOrder) {
    FakeHypertext page({
        {object.repeated(4), TextRange{1, 4}, Layout::line, {1, 2, 3, 4}},
        paragraph("First, unselected."),
        paragraph("Second, from here.", TextRange{8, 18}),
        {QStringLiteral("Third with a %1 in it.").arg(object),
         std::nullopt,
         Layout::paragraph,
         {5}},
        paragraph("Fourth, up to here.", TextRange{0, 6}),
        {QStringLiteral("link"), std::nullopt, Layout::inlined, {}},
    });
    const auto read = EmbeddedObjects::expand(page, object.repeated(3), {1, 4});
    ASSERT_TRUE(read && *read);
    EXPECT_EQ(**read, QStringLiteral("from here.\n\nThird with a link in it.\n\nFourth"));
    EXPECT_FALSE(read->value().contains(object));
}

// Lines of their own for list items, without their markers, a tab between the cells of a row, a
// blank line around a paragraph inside a section's own text.
TEST(EmbeddedObjectsTest, LaysOutListItemsTableCellsAndParagraphsAsTheBrowserDoes) {
    FakeHypertext page({
        {object.repeated(3), std::nullopt, Layout::line, {1, 4, 9}},
        selected(object.repeated(2), Layout::line, {2, 3}),
        selected(QStringLiteral("\u2022 First item."), Layout::line, {}, 2),
        selected(QStringLiteral("2. Second item."), Layout::line, {}, 3),
        // Inside the selection from end to end: its elements are read whole.
        {object.repeated(2), std::nullopt, Layout::line, {5, 6}},
        {object.repeated(2), std::nullopt, Layout::line, {7, 8}},
        {object.repeated(2), std::nullopt, Layout::line, {7, 8}},
        {QStringLiteral("Cell"), std::nullopt, Layout::cell, {}},
        {QStringLiteral("cell."), std::nullopt, Layout::cell, {}},
        selected(QStringLiteral("Before%1after.").arg(object), Layout::line, {10}),
        paragraph("Inside."),
    });
    EXPECT_EQ(expandAll(page, object.repeated(3)),
              QStringLiteral("First item.\nSecond item.\nCell\tcell.\nCell\tcell.\nBefore\n\n"
                             "Inside.\n\nafter."));
}

// The browser offers the capture no text of an embedded object: the capture is left to the
// selection that the browser offers itself.
TEST(EmbeddedObjectsTest, AnObjectWhoseTextIsUnknownLeavesTheWholeUnread) {
    FakeHypertext missingObject(
        {{object.repeated(2), std::nullopt, Layout::line, {1}}, paragraph("Only one.")});
    EXPECT_EQ(expandAll(missingObject, object.repeated(2)), QStringLiteral("<none>"));

    // The selection may end anywhere in an object at its end that tells no selection of its own.
    FakeHypertext silentEnd({{object.repeated(2), std::nullopt, Layout::line, {1, 2}},
                             paragraph("One.", TextRange{0, 4}),
                             paragraph("Two.")});
    EXPECT_EQ(expandAll(silentEnd, object.repeated(2)), QStringLiteral("<none>"));

    // A button at an end, which tells none, is all in it: no selection ends in a button's label.
    FakeHypertext buttonAtTheEnd(
        {{object.repeated(2), std::nullopt, Layout::line, {1, 2}},
         {QStringLiteral("Hide"), std::nullopt, Layout::inlined, {}, 0, true},
         paragraph("Two.", TextRange{0, 4})});
    EXPECT_EQ(expandAll(buttonAtTheEnd, object.repeated(2)), QStringLiteral("Hide\n\nTwo."));

    FakeHypertext late({{object.repeated(3), std::nullopt, Layout::line, {1, 2, 3}},
                        paragraph("One.", TextRange{0, 4}),
                        paragraph("Two."),
                        paragraph("Three.", TextRange{0, 6})});
    late.callsInTime = 5;
    EXPECT_EQ(expandAll(late, object.repeated(3)), QStringLiteral("<none>"));
}

// A character outside the Basic Multilingual Plane is one character to the toolkit and two UTF-16
// units to the string: the objects after it are asked for at their characters' offsets.
TEST(EmbeddedObjectsTest, FindsObjectsByCharacterOffsetsPastSurrogatePairs) {
    const QString text = QString::fromUcs4(U"\U0001F600 ") + object;
    FakeHypertext page({{text, std::nullopt, Layout::line, {1}},
                        selected(QStringLiteral("a link"), Layout::inlined)});
    EXPECT_EQ(expandAll(page, text), QString::fromUcs4(U"\U0001F600 a link"));
}

TEST(EmbeddedObjectsTest, ASelectionPastTheLimitFailsBeforeTheTextPassingItIsFetched) {
    const qint32 tooMany = qint32(CaptureError::maxSelectionBytes);
    FakeHypertext page({{object.repeated(3), std::nullopt, Layout::line, {1, 2, 3}},
                        paragraph("One.", TextRange{0, 4}),
                        paragraph("Two."),
                        paragraph("Three.", TextRange{0, tooMany})});
    const auto read = EmbeddedObjects::expand(page, object.repeated(3), {0, 3});
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), CaptureError::selectionTooLarge());
    EXPECT_EQ(page.fetched, (std::vector<Hypertext::Node>{1, 2}));
}

// A faulty application that answers far more text than the one character asked of each paragraph:
// what it answers counts, and the read ends as soon as that is past the limit.
TEST(EmbeddedObjectsTest, AnswersLongerThanTheRangesAskedForCountTowardsTheLimit) {
    constexpr int paragraphs = 8;
    std::vector<Element> elements{
        {object.repeated(paragraphs), std::nullopt, Layout::line, {1, 2, 3, 4, 5, 6, 7, 8}}};
    for (int i = 0; i < paragraphs; ++i)
        elements.push_back(paragraph("a", TextRange{0, 1}));
    FakeHypertext page(std::move(elements));
    page.answerToEveryText = QString(qsizetype(CaptureError::maxSelectionBytes / 4), u'x');
    const auto read = EmbeddedObjects::expand(page, object.repeated(paragraphs), {0, paragraphs});
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), CaptureError::selectionTooLarge());
    EXPECT_EQ(page.fetched.size(), 4u);
}

// A faulty application whose text embeds itself.
TEST(EmbeddedObjectsTest, AnAccessibleThatEmbedsItselfIsNotReadForever) {
    FakeHypertext loop({{object, TextRange{0, 1}, Layout::line, {0}}});
    EXPECT_EQ(expandAll(loop, object), QStringLiteral("<none>"));
}

// A details element closed over the selection: the page still says that it selects the details'
// object, which holds only the summary, which says that nothing of it is selected.
TEST(EmbeddedObjectsTest, TellsWhetherASelectionHoldsAnythingThatShows) {
    FakeHypertext closedDetails({{object, TextRange{0, 1}, Layout::line, {1}},
                                 {object, TextRange{0, 1}, Layout::line, {2}},
                                 paragraph("More")});
    EXPECT_EQ(EmbeddedObjects::selectsShownText(closedDetails), false);

    FakeHypertext blankAround(
        {{QStringLiteral(" %1\n").arg(object), TextRange{0, 3}, Layout::line, {1}},
         paragraph("Hidden")});
    EXPECT_EQ(EmbeddedObjects::selectsShownText(blankAround), false);

    // Text in the page's own, or in an object at any depth that says it is selected, shows.
    FakeHypertext ownText({{QStringLiteral("a%1").arg(object), TextRange{0, 2}, Layout::line, {1}},
                           paragraph("More")});
    EXPECT_EQ(EmbeddedObjects::selectsShownText(ownText), true);
    FakeHypertext deep({{object.repeated(2), TextRange{0, 2}, Layout::line, {1, 2}},
                        paragraph("Unselected"),
                        {object, TextRange{0, 1}, Layout::line, {3}},
                        paragraph("Shown", TextRange{0, 2})});
    EXPECT_EQ(EmbeddedObjects::selectsShownText(deep), true);

    // Without a selection, or with what could not be read, there is nothing to tell.
    FakeHypertext nothingSelected({paragraph("Text")});
    EXPECT_EQ(EmbeddedObjects::selectsShownText(nothingSelected), std::nullopt);
    FakeHypertext late({{object, TextRange{0, 1}, Layout::line, {1}}, paragraph("More")});
    late.callsInTime = 2;
    EXPECT_EQ(EmbeddedObjects::selectsShownText(late), std::nullopt);
}

// Chromium stretches a selection whose text the page hid over the whole of the element that held
// it: the document selects the element's object, which selects all its paragraphs, whole.
TEST(EmbeddedObjectsTest, TellsWhetherASelectionIsTheWholeOfAnElement) {
    FakeHypertext stretched({{object.repeated(2), TextRange{1, 2}, Layout::line, {1, 2}},
                             paragraph("Intro."),
                             selected(object.repeated(2), Layout::line, {3, 4}),
                             selected(QStringLiteral("First."), Layout::paragraph),
                             selected(QStringLiteral("Last."), Layout::paragraph)});
    EXPECT_EQ(EmbeddedObjects::selectsWhole(stretched), true);

    // A triple click ends at the start of the next paragraph; a drag within a paragraph.
    FakeHypertext toTheNext({{object.repeated(2), TextRange{0, 2}, Layout::line, {1, 2}},
                             selected(QStringLiteral("First."), Layout::paragraph),
                             paragraph("Next.")});
    EXPECT_EQ(EmbeddedObjects::selectsWhole(toTheNext), false);
    FakeHypertext within({{object, TextRange{0, 1}, Layout::line, {1}},
                          paragraph("One of the words.", TextRange{4, 7})});
    EXPECT_EQ(EmbeddedObjects::selectsWhole(within), false);

    // Stretched from the start of the element to the hidden block, over a button before it, which
    // tells no selection of its own.
    FakeHypertext overAButton({{object.repeated(2), TextRange{0, 1}, Layout::line, {1, 2}},
                               {QStringLiteral("Hide"), std::nullopt, Layout::inlined, {}, 0, true},
                               paragraph("Below.")});
    EXPECT_EQ(EmbeddedObjects::selectsWhole(overAButton), true);

    FakeHypertext late = stretched;
    late.callsInTime = 4;
    EXPECT_EQ(EmbeddedObjects::selectsWhole(late), std::nullopt);
}

// The page's whole text, whatever each element selects.
TEST(EmbeddedObjectsTest, ReadsTheWholeTextOfAPage) {
    FakeHypertext page({{object.repeated(2), TextRange{1, 2}, Layout::line, {1, 2}},
                        paragraph("Intro."),
                        paragraph("Second, from here.", TextRange{8, 18})});
    const auto read = EmbeddedObjects::readWhole(page);
    ASSERT_TRUE(read && *read);
    EXPECT_EQ(**read, QStringLiteral("Intro.\n\nSecond, from here."));
}
