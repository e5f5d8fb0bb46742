#pragma once

#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Settings/UsagePaneModel.h"

#include <QWidget>

namespace Parlino {

class SectionCard;

// The usage pane: the month's characters as a bar with its numbers, a spinner while it asks,
// or one line when there is no key or the service failed. It asks again each time it comes on
// screen and on "Refresh".
class UsagePane final : public QWidget {
public:
    UsagePane(const SettingsServices& services, QWidget* parent = nullptr);

    UsagePaneModel& model() { return m_model; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* stateView();

    const SettingsServices& m_services;
    UsagePaneModel m_model;
    SectionCard* m_card;
    QWidget* m_stateHost;
};

} // namespace Parlino
