#pragma once

#include "Parlino/Settings/SettingsServices.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace Parlino {

class APIKeyPaneModel;
class SectionCard;

// The API key pane: the saved layout ("API key saved" and the two-press "Remove Key") or the
// entry layout (the hidden key field and "Validate & Save", which reads "Checking…" while the key
// typed is being checked), with the model's status line in both. Return in the key field presses
// "Validate & Save", unless the key typed is being checked already. When the layout changes under
// the keyboard focus, the focus goes to the new layout's first stop: the key field, or "API key
// saved", where a further Return or Space does nothing and whose accessible name carries the
// status. The field and the button are described by the status ("Checking…" during a check).
// While it shows, the pane follows the key store.
class APIKeyPane final : public QWidget {
public:
    static inline const QString checkingText = QStringLiteral("Checking…");

    APIKeyPane(APIKeyPaneModel& model, const SettingsServices& services, QWidget* parent = nullptr);

    ~APIKeyPane() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void rebuild();
    QWidget* makeContent();
    QWidget* savedLayout();
    QWidget* entryLayout();
    QLabel* statusLine();
    void describeByStatus(QWidget& control);

    APIKeyPaneModel& m_model;
    const SettingsServices& m_services;
    SectionCard* m_card;
};

} // namespace Parlino
