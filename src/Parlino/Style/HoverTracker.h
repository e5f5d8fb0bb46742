#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace Parlino {

// Reports when the pointer enters and leaves a widget's bounds, whichever window or
// application is active. It follows the widget's size; moving over the widget's children
// still counts as inside. Replacing a callback takes effect at the next crossing.
class HoverTracker final : public QObject {
public:
    explicit HoverTracker(QWidget& host);

    std::function<void()> onEntered;
    std::function<void()> onExited;

    bool isHovering() const { return m_hovering; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_hovering = false;
};

} // namespace Parlino
