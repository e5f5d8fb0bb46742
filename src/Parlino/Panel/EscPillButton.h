#pragma once

#include "Parlino/Style/ParlinoButton.h"

namespace Parlino {

// The small "esc" capsule that closes the panel; it brightens while the pointer is over it.
class EscPillButton final : public ParlinoButton {
public:
    explicit EscPillButton(const MotionContext& motion, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
};

} // namespace Parlino
