#pragma once

#include "Parlino/Style/ParlinoButton.h"

namespace Parlino {

// The small "esc" capsule that closes the panel; it brightens while the pointer is over it. Tab
// reaches it, a click does not focus it, and its focus ring follows the capsule.
class EscPillButton final : public ParlinoButton {
public:
    explicit EscPillButton(const MotionContext& motion, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    qreal focusRingRadius() const override { return height() / 2.0; }
};

} // namespace Parlino
