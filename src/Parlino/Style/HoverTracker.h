#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace Parlino {

// Reports when the pointer enters and leaves a widget's bounds, whichever window or
// application is active. It follows the widget's size; moving over the widget's children
// still counts as inside. Replacing a callback takes effect at the next crossing.
//
// Whoever owns the state its callbacks reach keeps it as a member, so it goes with that state:
// a widget's teardown hides it, and the exit reported then must not reach a half-destroyed owner.
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
