#include "Capture/FlowingSelection.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

using namespace Capture;
using Core::CaptureError;

namespace {

// A document of paragraphs, each its own text flowing into the next, as a word processor shows
// them. Answers only a given number of calls in time.
class FakeTextFlow final : public TextFlow {
public:
    struct Paragraph {
        QString text;
        std::optional<TextRange> selection;
    };

    FakeTextFlow(std::vector<Paragraph> paragraphs, int focused, qint32 caret = 0)
        : m_paragraphs(std::move(paragraphs)), m_focused(focused), m_caret(caret) {}

    bool exists(int step) override { return answer(step) && paragraph(step); }
    std::optional<qint32> length(int step) override {
        if (!answer(step) || !paragraph(step))
            return std::nullopt;
        return paragraph(step)->text.size();
    }
    std::optional<TextRange> selection(int step) override {
        if (!answer(step) || !paragraph(step))
            return std::nullopt;
        return paragraph(step)->selection;
    }
    std::optional<qint32> caret(int step) override {
        if (!answer(step) || step != 0)
            return std::nullopt;
        return m_caret;
    }
    OfferedText text(int step, TextRange range) override {
        ++textFetches;
        if (!answer(step) || !paragraph(step))
            return std::optional<QString>();
        return std::optional(paragraph(step)->text.mid(range.start, range.end - range.start));
    }
    bool expired() const override { return calls >= callsInTime; }

    int calls = 0;
    int callsAboutOtherTexts = 0; // than the focused one
    int callsInTime = INT_MAX;
    int textFetches = 0;

private:
    bool answer(int step) {
        if (step != 0)
            ++callsAboutOtherTexts;
        return ++calls <= callsInTime;
    }
    const Paragraph* paragraph(int step) const {
        const int index = m_focused + step;
        if (index < 0 || index >= int(m_paragraphs.size()))
            return nullptr;
        return &m_paragraphs[size_t(index)];
    }

    std::vector<Paragraph> m_paragraphs;
    int m_focused;
    qint32 m_caret;
};

using Paragraph = FakeTextFlow::Paragraph;

Paragraph unselected(const char* text) {
    return {QString::fromUtf8(text), std::nullopt};
}
Paragraph selectedFrom(const char* text, qint32 start, qint32 end = -1) {
    const QString whole = QString::fromUtf8(text);
    return {whole, TextRange{start, end < 0 ? qint32(whole.size()) : end}};
}
Paragraph whole(const char* text) {
    return selectedFrom(text, 0);
}

QString readText(FakeTextFlow& flow) {
    const auto read = FlowingSelection::read(flow);
    if (!read || !*read)
        return QStringLiteral("<none>");
    return (*read)->text;
}

} // namespace

// The drags of the bug report: from the second paragraph into the fifth and back; the caret is
// in the fifth after a downward drag and in the second after an upward one.
TEST(FlowingSelectionTest, ReadsASelectionOverSeveralParagraphsInDocumentOrderFromEitherEnd) {
    const std::vector<Paragraph> document{
        unselected("One."), selectedFrom("Two, second.", 5),   whole("Three."),
        whole("Four."),     selectedFrom("Five, last.", 0, 5), unselected("Six.")};
    const QString expected = QStringLiteral("second.\nThree.\nFour.\nFive,");
    FakeTextFlow downward(document, 4);
    EXPECT_EQ(readText(downward), expected);
    FakeTextFlow upward(document, 1);
    EXPECT_EQ(readText(upward), expected);

    FakeTextFlow focusedInside(document, 2);
    const auto read = FlowingSelection::read(focusedInside);
    ASSERT_TRUE(read && *read);
    EXPECT_EQ((*read)->first.step, -1);
    EXPECT_EQ((*read)->first.range, (TextRange{5, 12}));
    EXPECT_EQ((*read)->last.step, 2);
    EXPECT_EQ((*read)->last.range, (TextRange{0, 5}));
}

// Shift+Down over whole paragraphs leaves the caret at the start of the next one, which has
// nothing selected; Shift+Up leaves it at the end of the one before.
TEST(FlowingSelectionTest, FollowsTheSelectionFromACaretAtItsEnd) {
    FakeTextFlow down({unselected("One."), whole("Two."), whole("Three."), unselected("Four.")}, 3,
                      0);
    EXPECT_EQ(readText(down), QStringLiteral("Two.\nThree."));
    FakeTextFlow up({unselected("One."), whole("Two."), whole("Three."), unselected("Four.")}, 0,
                    4);
    EXPECT_EQ(readText(up), QStringLiteral("Two.\nThree."));
    FakeTextFlow clickedAtStart({unselected("One."), unselected("Two.")}, 1, 0);
    EXPECT_EQ(readText(clickedAtStart), QStringLiteral("<none>"));
    FakeTextFlow clickedInside({whole("One."), unselected("Two."), whole("Three.")}, 1, 2);
    EXPECT_EQ(readText(clickedInside), QStringLiteral("<none>"));
}

TEST(FlowingSelectionTest, AnEmptyParagraphInsideTheSelectionIsABlankLineAndOutsideItNothing) {
    FakeTextFlow flow({unselected("Before."), unselected(""), whole("One."), unselected(""),
                       whole("Two."), unselected(""), unselected("After.")},
                      4);
    EXPECT_EQ(readText(flow), QStringLiteral("One.\n\nTwo."));
}

// Only a selection that reaches from one paragraph's end to the next one's start is one
// selection; another range elsewhere (a second selection) is not joined to it.
TEST(FlowingSelectionTest, StopsAtAParagraphWhoseSelectionDoesNotReachOver) {
    FakeTextFlow gapBefore({selectedFrom("One, two.", 0, 4), whole("Three."), whole("Four.")}, 2);
    EXPECT_EQ(readText(gapBefore), QStringLiteral("Three.\nFour."));
    FakeTextFlow gapAfter({whole("One."), whole("Two."), selectedFrom("Three, four.", 3)}, 0);
    EXPECT_EQ(readText(gapAfter), QStringLiteral("One.\nTwo."));
}

// An editor whose whole text is one accessible text (no flow) reads as it always did, and a
// selection that touches neither end asks about no other text.
TEST(FlowingSelectionTest, ASingleTextReadsItsOwnSelectionOnly) {
    FakeTextFlow middle({selectedFrom("Line one.\nLine two.\nLine three.", 10, 19)}, 0);
    EXPECT_EQ(readText(middle), QStringLiteral("Line two."));
    EXPECT_EQ(middle.callsAboutOtherTexts, 0);
    FakeTextFlow all({whole("Everything.")}, 0);
    EXPECT_EQ(readText(all), QStringLiteral("Everything."));
    FakeTextFlow nothing({unselected("Nothing selected.")}, 0, 3);
    EXPECT_EQ(readText(nothing), QStringLiteral("<none>"));
}

// Running out of time half-way must not read the half as if it were everything: the caller then
// asks the application another way.
TEST(FlowingSelectionTest, TimeRunningOutPartWayFailsInsteadOfReadingAPart) {
    const std::vector<Paragraph> document{unselected("One."), whole("Two."), whole("Three."),
                                          whole("Four."), selectedFrom("Five.", 0, 2)};
    FakeTextFlow complete(document, 4);
    ASSERT_EQ(readText(complete), QStringLiteral("Two.\nThree.\nFour.\nFi"));
    for (int callsInTime = 0; callsInTime < complete.calls; ++callsInTime) {
        FakeTextFlow flow(document, 4);
        flow.callsInTime = callsInTime;
        const auto read = FlowingSelection::read(flow);
        ASSERT_FALSE(read) << callsInTime << " calls in time";
        EXPECT_EQ(read.error(), CaptureError::timedOut());
    }
}

TEST(FlowingSelectionTest, ASelectionPastTheLimitFailsBeforeAnyTextIsFetched) {
    const QByteArray half(CaptureError::maxSelectionBytes / 2, 'a');
    FakeTextFlow flow({whole(half.constData()), whole(half.constData()), whole("And more.")}, 0);
    const auto read = FlowingSelection::read(flow);
    ASSERT_FALSE(read);
    EXPECT_EQ(read.error(), CaptureError::selectionTooLarge());
    EXPECT_EQ(flow.textFetches, 0);
}
