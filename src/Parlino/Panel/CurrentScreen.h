#pragma once

#include "Parlino/Panel/ScreenProvider.h"

#include <optional>

namespace Parlino {

// The screen the floating surfaces are placed on, chosen when a read begins, with its values
// read once and kept until the choice is made again or the provider reports changed screens.
// Main thread only.
class CurrentScreen {
public:
    explicit CurrentScreen(const ScreenProvider& provider);
    ~CurrentScreen();
    CurrentScreen(const CurrentScreen&) = delete;
    CurrentScreen& operator=(const CurrentScreen&) = delete;

    // Chooses the screen under the pointer (screenUnderPointer) and forgets the kept values.
    void refresh();
    // Forgets the kept values, so the next scalars() reads the screen afresh.
    void forgetScalars() { m_cached.reset(); }

    std::optional<ScreenId> screen() const { return m_screen; }
    // The current screen's values; none without a screen or once it is detached.
    std::optional<ScreenScalars> scalars();

private:
    const ScreenProvider& m_provider;
    std::optional<ScreenId> m_screen;
    std::optional<ScreenScalars> m_cached;
    QMetaObject::Connection m_screensChanged;
};

} // namespace Parlino
