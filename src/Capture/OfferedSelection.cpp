#include "Capture/OfferedSelection.h"

#include "Base/Unicode.h"

#include <QList>

#include <algorithm>
#include <optional>

namespace Capture::OfferedSelection {

namespace {

struct Word {
    QString folded;
    qsizetype start = 0; // where it stands in its text
    qsizetype end = 0;
    bool startsLine = false;
    bool endsLine = false;
};

enum class Kind { separator, format, mark, ideograph, kana, letter };

Kind kindOf(char32_t scalar) {
    switch (QChar::category(scalar)) {
    case QChar::Other_Format:
        return Kind::format;
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return Kind::mark;
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        break;
    default:
        return Kind::separator;
    }
    switch (QChar::script(scalar)) {
    case QChar::Script_Han:
        return Kind::ideograph;
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return Kind::kana;
    default:
        return Kind::letter;
    }
}

bool isLineBreak(char32_t scalar) {
    return scalar == u'\n' || scalar == u'\r' || scalar == 0x0B || scalar == 0x0C ||
           scalar == 0x85 || scalar == 0x2028 || scalar == 0x2029;
}

QList<Word> wordsOf(QStringView text) {
    QList<Word> words;
    std::optional<Word> word;
    Kind kind = Kind::separator;
    QString letters;
    bool lineHasWord = false;
    const auto finish = [&] {
        if (!word)
            return;
        word->folded = letters.normalized(QString::NormalizationForm_KC).toCaseFolded();
        words.append(std::move(*word));
        word.reset();
        letters.clear();
    };
    const auto endLine = [&] {
        if (lineHasWord)
            words.last().endsLine = true;
        lineHasWord = false;
    };
    for (const Base::Unicode::Scalar scalar : Base::Unicode::Scalars(text)) {
        const Kind next = kindOf(scalar.value);
        if (next == Kind::format)
            continue;
        if (next == Kind::separator) {
            finish();
            if (isLineBreak(scalar.value))
                endLine();
            continue;
        }
        // Each ideograph is a word of its own; a mark belongs to the letter before it.
        const bool continues =
            word && (next == Kind::mark || (next == kind && next != Kind::ideograph));
        if (!continues) {
            finish();
            word = Word{QString(), scalar.offset, scalar.offset, !lineHasWord, false};
            kind = next == Kind::mark ? Kind::letter : next;
            lineHasWord = true;
        }
        letters.append(text.sliced(scalar.offset, scalar.length));
        word->end = scalar.offset + scalar.length;
    }
    finish();
    endLine();
    return words;
}

// A word of the page's text, which the browser may have cut short or run on at a line's edge,
// stands for the offered word: the shorter holds half the longer's characters at least.
bool matches(const Word& page, const Word& offered) {
    const QString& p = page.folded;
    const QString& o = offered.folded;
    if (p == o)
        return true;
    if (std::min(p.size(), o.size()) * 2 < std::max(p.size(), o.size()))
        return false;
    return (page.endsLine && (o.startsWith(p) || p.startsWith(o))) ||
           (page.startsLine && (o.endsWith(p) || p.endsWith(o)));
}

// Where each word of `part` stands in `whole`, each after the one before; -1 for one that does
// not. `pageIsWhole`: `whole` holds the page's words, `part` the offered ones.
QList<qsizetype> placesIn(const QList<Word>& whole, const QList<Word>& part, bool pageIsWhole) {
    QList<qsizetype> places;
    places.reserve(part.size());
    qsizetype next = 0;
    for (const Word& word : part) {
        qsizetype at = next;
        while (at < whole.size() &&
               !(pageIsWhole ? matches(whole[at], word) : matches(word, whole[at])))
            ++at;
        if (at == whole.size()) {
            places.append(-1);
            continue;
        }
        places.append(at);
        next = at + 1;
    }
    return places;
}

bool allPlaced(const QList<qsizetype>& places) {
    return std::ranges::none_of(places, [](qsizetype place) { return place < 0; });
}

// Every word of the shorter text stands in the longer, and the longer holds at most as many words
// again before the first of them and after the last: what a page draws at the edges of the
// elements around a selection, a word or two, while a selection that a browser stretched holds
// far more around a word that the user selected. Between them it may hold any number (a field's
// value, an image's description).
bool holdsAround(const QList<Word>& longer, const QList<qsizetype>& places) {
    return allPlaced(places) &&
           places.first() + (longer.size() - 1 - places.last()) <= places.size();
}

// The offered text, where it differs from the page's at most in its white space, with the page's
// white space put in wherever the offered text joins two characters that the page keeps apart (a
// browser offers absolutely positioned paragraphs one right after the other); nothing where the
// two differ in more than white space.
std::optional<QString> offeredWithBreaks(QStringView page, QStringView offered) {
    const auto skipWhiteSpace = [](QStringView text, qsizetype& i) {
        const qsizetype start = i;
        while (i < text.size() && Base::Unicode::isWhiteSpace(text[i].unicode()))
            ++i;
        return text.sliced(start, i - start);
    };
    QString text;
    text.reserve(offered.size());
    qsizetype i = 0;
    qsizetype j = 0;
    for (;;) {
        const QStringView pageBreak = skipWhiteSpace(page, i);
        const QStringView offeredBreak = skipWhiteSpace(offered, j);
        if (i == page.size() || j == offered.size()) {
            if (i != page.size() || j != offered.size())
                return std::nullopt;
            text.append(offeredBreak);
            return text;
        }
        if (page[i++] != offered[j])
            return std::nullopt;
        text.append(offeredBreak.isEmpty() && !text.isEmpty() ? pageBreak : offeredBreak);
        text.append(offered[j++]);
    }
}

// The text from the first word to the last, with what is written right against them (a
// quotation mark, a full stop).
QString span(const QString& text, const Word& first, const Word& last) {
    qsizetype start = first.start;
    while (start > 0 && !Base::Unicode::isWhiteSpace(text[start - 1].unicode()))
        --start;
    qsizetype end = last.end;
    while (end < text.size() && !Base::Unicode::isWhiteSpace(text[end].unicode()))
        ++end;
    return text.sliced(start, end - start);
}

// A word or two stand anywhere on a page: fewer offered words tell nothing of where the user
// selected them.
constexpr qsizetype fewestTellingWords = 3;

// How often the offered words stand among `words` as shows() finds them, none counted twice.
qsizetype occurrences(const QList<Word>& words, const QList<Word>& offered) {
    qsizetype count = 0;
    const qsizetype reach = offered.size() * 2;
    qsizetype at = 0;
    while (at < words.size()) {
        qsizetype next = at;
        qsizetype found = 0;
        const qsizetype limit = std::min(words.size(), at + reach);
        while (found < offered.size() && next < limit &&
               (found > 0 || words[next].folded == offered.front().folded)) {
            found += words[next].folded == offered[found].folded;
            ++next;
        }
        if (found == offered.size()) {
            ++count;
            at = next;
        } else {
            ++at;
        }
    }
    return count;
}

} // namespace

bool isSame(QStringView page, QStringView offered) {
    const QList<Word> pageWords = wordsOf(page);
    const QList<Word> offeredWords = wordsOf(offered);
    if (pageWords.isEmpty() || offeredWords.isEmpty())
        return pageWords.isEmpty() && offeredWords.isEmpty();
    if (offeredWords.size() <= pageWords.size())
        return holdsAround(pageWords, placesIn(pageWords, offeredWords, true));
    return holdsAround(offeredWords, placesIn(offeredWords, pageWords, false));
}

QString textToRead(const QString& page, const QString& offered,
                   const std::function<bool()>& offerShows) {
    if (auto lines = offeredWithBreaks(page, offered))
        return std::move(*lines);
    const QList<Word> pageWords = wordsOf(page);
    const QList<Word> offeredWords = wordsOf(offered);
    const QList<qsizetype> places = placesIn(pageWords, offeredWords, true);
    if (!allPlaced(places))
        return offerShows() ? offered : page;
    if (places.isEmpty() || places.last() - places.first() + 1 == places.size())
        return offered;
    return span(page, pageWords[places.first()], pageWords[places.last()]);
}

bool shows(QStringView pageText, QStringView offered) {
    const QList<Word> offeredWords = wordsOf(offered);
    return offeredWords.isEmpty() || occurrences(wordsOf(pageText), offeredWords) > 0;
}

bool showsOutside(QStringView pageText, QStringView selected, QStringView offered) {
    const QList<Word> offeredWords = wordsOf(offered);
    return offeredWords.size() >= fewestTellingWords &&
           occurrences(wordsOf(pageText), offeredWords) >
               occurrences(wordsOf(selected), offeredWords);
}

} // namespace Capture::OfferedSelection
