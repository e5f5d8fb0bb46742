#include "Defaults/Widgets/Toggle.h"

namespace Defaults {

Toggle* Toggle::bind(QAbstractButton* button, const Key<bool>& key, bool inverted) {
    return new Toggle(button, key, inverted);
}

Toggle::Toggle(QAbstractButton* button, const Key<bool>& key, bool inverted)
    : QObject(button), m_button(button), m_inverted(inverted), m_setting(key), m_shown(isOn()) {
    m_button->setCheckable(true);
    m_button->setChecked(m_shown);
    connect(m_button, &QAbstractButton::toggled, this, &Toggle::write);
    connect(&m_setting, &Observable::changed, this, &Toggle::follow);
}

void Toggle::follow() {
    const bool on = isOn();
    // Showing the stored state emits toggled, which write() recognises as no change.
    m_button->setChecked(on);
    if (on != m_shown) {
        m_shown = on;
        emit changed(on);
    }
}

void Toggle::write(bool checked) {
    if (checked != isOn())
        m_setting.setValue(checked != m_inverted);
}

} // namespace Defaults
