#include "Parlino/Services/TranscriptCaseChoice.h"

#include "Base/Unicode.h"

#include <QLocale>
#include <QTextBoundaryFinder>

namespace Parlino::TranscriptCaseChoices {

namespace {

bool isLetter(char32_t scalar) {
    switch (QChar::category(scalar)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
        return true;
    default:
        return false;
    }
}

// Raises the first letter of every word: a letter that follows white space (or starts the text
// when nothing precedes it). Punctuation and digits before the letter leave the word start open.
QString titleCased(const QString& text, std::optional<char32_t> preceding) {
    const QLocale locale;
    bool atWordStart = !preceding || Base::Unicode::isWhiteSpace(*preceding);
    QString result;
    result.reserve(text.size());
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = graphemes.toNextBoundary(); end != -1; end = graphemes.toNextBoundary()) {
        const QString character = text.sliced(start, end - start);
        const char32_t first = (*Base::Unicode::Scalars(character).begin()).value;
        if (Base::Unicode::isWhiteSpace(first)) {
            result += character;
            atWordStart = true;
        } else if (atWordStart && isLetter(first)) {
            result += locale.toUpper(character);
            atWordStart = false;
        } else {
            result += character;
        }
        start = end;
    }
    return result;
}

} // namespace

QString apply(TranscriptCaseChoice choice, const QString& text, std::optional<char32_t> preceding) {
    switch (choice) {
    case TranscriptCaseChoice::preserve:
        return text;
    case TranscriptCaseChoice::allCaps:
        return QLocale().toUpper(text);
    case TranscriptCaseChoice::titleCase:
        return titleCased(text, preceding);
    }
    return text;
}

} // namespace Parlino::TranscriptCaseChoices
