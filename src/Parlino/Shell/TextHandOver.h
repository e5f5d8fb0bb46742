#pragma once

#include "Base/Result.h"
#include "Core/CaptureError.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

class QIODevice;

namespace Parlino::TextHandOver {

// The most text handed to the running application at once, in UTF-8 bytes: as much as a captured
// selection may hold.
inline constexpr qsizetype maxBytes = Core::CaptureError::maxSelectionBytes;
// The most input read in search of that text: room for any white space and bytes that are no
// text around it, and an end to an input that never ends.
inline constexpr qint64 maxInputBytes = 8 * qint64(maxBytes);

// Whether `text` is larger than maxBytes in UTF-8.
bool isTooLarge(QStringView text);

// Why a text larger than maxBytes is not taken, naming the bound.
QString tooLargeMessage();

// The text to hand over from `input`: what the application will read of it, its canonical form
// (Core::TextSanitizer: as a terminal shows it, controls dropped, white space folded), which is
// what the bound is measured on. Input that starts with a byte-order mark is decoded by it
// (UTF-16 or UTF-32 in either byte order, or UTF-8); input whose first bytes show UTF-16 or UTF-32
// without a mark is decoded as such (UnmarkedEncoding); other input is UTF-8, or, when it is not
// and the locale's encoding (`localeEncoding`, as nl_langinfo(CODESET) names it) is another than
// UTF-8 or ASCII, text in that encoding, ISO-8859-1 read as Windows-1252. Each NUL is read as a
// space, so that the words either side stay apart. Read to its end, but no further than it takes
// to know that the text passes maxBytes, or that it is not in its encoding, nor past
// maxInputBytes. Fails with the message to show when the input is empty, is not text in its
// encoding (naming where and the bytes or code unit that make it none), looks like UTF-16 that
// UTF-8 reads as nonsense (UnmarkedEncoding::detectSharedHighByte, naming it), holds a control
// code of the locale's encoding, leaves nothing to read aloud, is larger, or cannot be read: no
// character of it is left out unsaid.
Base::Result<QString, QString> read(QIODevice& input, const QByteArray& localeEncoding = "UTF-8");

} // namespace Parlino::TextHandOver
