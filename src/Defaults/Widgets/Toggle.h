#pragma once

#include "Defaults/Default.h"

#include <QAbstractButton>

namespace Defaults {

// A checkable button (a QCheckBox, or any checkable QAbstractButton) bound to a Boolean key
// both ways: the button shows the stored value, or its opposite when inverted, and follows
// every change of it; toggling the button writes the key.
//
//   Defaults::Toggle::bind(new QCheckBox(tr("Save recordings"), this), Settings::saveRecordings);
//
// The binding is a child of the button and lives as long as the button.
class Toggle final : public QObject {
    Q_OBJECT

public:
    static Toggle* bind(QAbstractButton* button, const Key<bool>& key, bool inverted = false);

    // The state the button shows.
    bool isOn() const { return m_setting.value() != m_inverted; }

signals:
    // The state the button shows, after each change of the stored value that changes it;
    // not emitted when the button is first bound.
    void changed(bool isOn);

private:
    Toggle(QAbstractButton* button, const Key<bool>& key, bool inverted);
    void follow();
    void write(bool checked);

    QAbstractButton* const m_button;
    const bool m_inverted;
    Default<bool> m_setting;
    bool m_shown;
};

} // namespace Defaults
