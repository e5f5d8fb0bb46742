#pragma once

#include "Core/CaptureError.h"

#include <QString>
#include <QStringView>

namespace Parlino::TextHandOver {

// The most text handed to the running application at once, in UTF-8 bytes: as much as a captured
// selection may hold.
inline constexpr qsizetype maxBytes = Core::CaptureError::maxSelectionBytes;

// Whether `text` is larger than maxBytes in UTF-8.
bool isTooLarge(QStringView text);

// Why a text larger than maxBytes is not taken, naming the bound.
QString tooLargeMessage();

} // namespace Parlino::TextHandOver
