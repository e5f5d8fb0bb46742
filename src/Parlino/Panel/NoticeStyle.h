#pragma once

#include <QFont>

namespace Parlino {

// The font the tutorial card and the warning pill share.

// The desktop's interface font at a size in logical pixels.
inline QFont noticeFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace Parlino
