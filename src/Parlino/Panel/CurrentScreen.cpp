#include "Parlino/Panel/CurrentScreen.h"

namespace Parlino {

CurrentScreen::CurrentScreen(const ScreenProvider& provider)
    : m_provider(provider),
      m_screensChanged(QObject::connect(&provider, &ScreenProvider::screenParametersChanged,
                                        [this] { forgetScalars(); })) {}

CurrentScreen::~CurrentScreen() {
    QObject::disconnect(m_screensChanged);
}

void CurrentScreen::refresh() {
    m_screen = screenUnderPointer(m_provider);
    m_cached.reset();
}

std::optional<ScreenScalars> CurrentScreen::scalars() {
    if (!m_screen)
        return std::nullopt;
    if (!m_cached)
        m_cached = m_provider.scalars(*m_screen);
    return m_cached;
}

} // namespace Parlino
