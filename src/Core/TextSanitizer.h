#pragma once

#include <QString>
#include <QStringView>

#include <utility>

namespace Core::TextSanitizer {

// The canonical form of a captured text: leading and trailing white space removed, each run of
// white space between visible characters folded to one space, one line break or one blank line,
// control characters, zero-width spaces, replacement characters (U+FFFD, what invalid UTF-8
// decodes to on every way a text comes in) and object replacement characters (U+FFFC, what an
// embedded object leaves in a text) dropped.
QString sanitize(const QString& text);

// The canonical form of a text that arrives in pieces, built as they come: once every piece is
// appended, text() is what sanitize() gives for the whole, wherever the pieces were cut (inside a
// run of white space, between a CR and its LF). The white space after the last visible character
// waits for the next one.
class Builder {
public:
    void reserve(qsizetype size) { m_text.reserve(size); }
    void append(QStringView piece);
    const QString& text() const { return m_text; }
    QString take() { return std::move(m_text); }

private:
    QString m_text;
    int m_pendingBreaks = 0;
    bool m_pendingSpace = false;
    bool m_afterCarriageReturn = false;
};

} // namespace Core::TextSanitizer
