#pragma once

#include "Base/Result.h"
#include "Core/CaptureError.h"

#include <QString>
#include <QStringView>

class QIODevice;

namespace Parlino::TextHandOver {

// The most text handed to the running application at once, in UTF-8 bytes: as much as a captured
// selection may hold.
inline constexpr qsizetype maxBytes = Core::CaptureError::maxSelectionBytes;

// Whether `text` is larger than maxBytes in UTF-8.
bool isTooLarge(QStringView text);

// Why a text larger than maxBytes is not taken, naming the bound.
QString tooLargeMessage();

// The text to hand over from `input`, read to its end but never more than one byte past the
// bound, so a larger input is refused without being read whole. A bus message ends its text at
// the first NUL: each NUL is read as a space instead, so nothing after it is lost. Fails with the
// message to show when the input is larger or cannot be read.
Base::Result<QString, QString> read(QIODevice& input);

} // namespace Parlino::TextHandOver
