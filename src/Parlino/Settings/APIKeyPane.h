#pragma once

#include "Parlino/Settings/SettingsServices.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace Parlino {

class APIKeyPaneModel;
class SectionCard;

// The API key pane: the saved layout ("API key saved" and "Remove Key") or the entry layout
// (the hidden key field and "Validate & Save"), with the model's status line in both. Return in
// the key field presses "Validate & Save", unless the key typed is being saved already. When the
// layout changes under the keyboard focus, the focus goes to the new layout's first control.
class APIKeyPane final : public QWidget {
public:
    APIKeyPane(APIKeyPaneModel& model, const SettingsServices& services, QWidget* parent = nullptr);

private:
    void rebuild();
    QWidget* makeContent();
    QWidget* savedLayout();
    QWidget* entryLayout();
    QLabel* statusLine();

    APIKeyPaneModel& m_model;
    const SettingsServices& m_services;
    SectionCard* m_card;
};

} // namespace Parlino
