#pragma once

#include <QString>

namespace Core::TextSanitizer {

// The canonical form of a captured text: leading and trailing white space removed, each run of
// white space between visible characters folded to one space, one line break or one blank line,
// control characters, zero-width spaces, replacement characters (U+FFFD, what invalid UTF-8
// decodes to on every way a text comes in) and object replacement characters (U+FFFC, what an
// embedded object leaves in a text) dropped.
QString sanitize(const QString& text);

} // namespace Core::TextSanitizer
