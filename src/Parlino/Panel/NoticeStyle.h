#pragma once

#include "Parlino/Style/ParlinoButtonStyle.h"

#include <QFont>

namespace Parlino {

// What the tutorial card and the warning pill share: their buttons' feedback and their fonts.

// A slight shrink and a faint white backdrop under the pointer, a deeper shrink when pressed.
inline ParlinoButtonStyle noticeButtonStyle() {
    return {.scale = 0.97,
            .pressedScale = 0.93,
            .brightness = 0.06,
            .pressedBrightness = -0.05,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 8,
            .hover = true};
}

// The desktop's interface font at a size in logical pixels.
inline QFont noticeFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace Parlino
