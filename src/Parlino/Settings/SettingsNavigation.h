#pragma once

#include "Parlino/Settings/SettingsPane.h"

#include <QObject>

namespace Parlino {

// Which settings pane a host of the settings view shows; each host keeps its own. Setting the
// pane already selected notifies nobody. Main thread only.
class SettingsNavigation : public QObject {
    Q_OBJECT

public:
    explicit SettingsNavigation(QObject* parent = nullptr) : QObject(parent) {}

    SettingsPane selection() const { return m_selection; }
    void setSelection(SettingsPane pane);
    void resetToGeneral() { setSelection(SettingsPane::general); }

signals:
    void selectionChanged();

private:
    SettingsPane m_selection = SettingsPane::general;
};

} // namespace Parlino
