#pragma once

#include "Base/Unicode.h"

#include <QList>
#include <QString>

#include <optional>

namespace Core {

// Where a sentence too long for one request is cut into pieces of at most `maxLength` UTF-16
// code units: after the white space that ends a word, so that the pieces hold whole words. A
// word longer than `maxLength` and at most `limit` is a piece of its own; a longer one is cut
// between its grapheme clusters, and a grapheme cluster longer than `limit` (a letter under
// thousands of combining marks) between its code points. No piece is empty or longer than
// `limit`. Reads the text in place: it must outlive this.
class SentenceCutter {
public:
    SentenceCutter(const QString& text, qsizetype maxLength, qsizetype limit);

    // The ends of the pieces of the text's range `sentence`, in order: the last is its end.
    QList<qsizetype> pieceEnds(Base::Unicode::TextRange sentence) const;

private:
    // The end of the piece that starts at `from`, inside a word that a piece before cut or not.
    qsizetype pieceEnd(qsizetype from, qsizetype end, bool insideWord) const;
    // The last start of a word after `from` and at or before `reach`.
    std::optional<qsizetype> lastWordStart(qsizetype from, qsizetype reach) const;
    // The end of the word at `from` with the white space after it, when `limit` holds them.
    std::optional<qsizetype> wholeWordEnd(qsizetype from, qsizetype end) const;
    // The end of a piece of at most `maxLength` that starts at `from` inside a long word.
    qsizetype clusterCut(qsizetype from, qsizetype end) const;
    // Whether a word starts at `at`: white space ends there.
    bool startsWord(qsizetype at) const;

    const QString& m_text;
    const qsizetype m_maxLength;
    const qsizetype m_limit;
    Base::Unicode::GraphemeBoundaries m_clusters;
};

} // namespace Core
