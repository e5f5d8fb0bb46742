#include "Parlino/Settings/PlaybackPane.h"

#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/SettingsServices.h"

#include <QLabel>
#include <QVBoxLayout>

namespace Parlino {

namespace {

QStringList rateTitles() {
    QStringList titles;
    for (const double rate : PlaybackPaneModel::rateSteps)
        titles.append(PlaybackPaneModel::rateLabel(rate));
    return titles;
}

// A caption above its controls, the label of the first of them for assistive tools.
QWidget* group(const QString& caption, const QList<QWidget*>& controls) {
    auto* group = new QWidget;
    auto* layout = PaneWidgets::stack(6);
    group->setLayout(layout);
    QLabel* label = paneText(caption, 12, QFont::Normal, PaneText::secondary());
    label->setBuddy(controls.first());
    layout->addWidget(label);
    for (QWidget* control : controls)
        layout->addWidget(control);
    return group;
}

} // namespace

PlaybackPane::PlaybackPane(const SettingsServices& services, QWidget* parent)
    : QWidget(parent), m_model(services.keys), m_rate(new PaneWidgets::ChoicePicker(rateTitles())),
      m_voiceModel(new PaneWidgets::ChoicePicker(m_model.model().titles())),
      m_threshold(new PaneWidgets::Stepper(QStringLiteral("confirmation threshold"))) {
    setObjectName(QStringLiteral("PlaybackPane"));
    m_rate->setObjectName(QStringLiteral("DefaultSpeedPicker"));
    m_rate->setAccessibleName(QStringLiteral("Default speed"));
    m_voiceModel->setObjectName(QStringLiteral("VoiceModelPicker"));
    m_voiceModel->setAccessibleName(QStringLiteral("Voice model"));
    m_threshold->setObjectName(QStringLiteral("ConfirmThresholdStepper"));

    m_rate->onChoose = [this](int index) {
        m_model.chooseRate(PlaybackPaneModel::rateSteps[index]);
    };
    m_voiceModel->onChoose = [this](int index) { m_model.model().choose(index); };
    m_threshold->onIncrement = [this] { m_model.increaseThreshold(); };
    m_threshold->onDecrement = [this] { m_model.decreaseThreshold(); };

    auto* note = paneText(
        QStringLiteral("Multilingual costs about twice as many credits per character. Changing "
                       "this re-synthesizes text you've already read — billed again by "
                       "ElevenLabs to your own account."),
        12, QFont::Normal, PaneText::secondary());
    auto* rows = PaneWidgets::stack(14);
    rows->addWidget(group(QStringLiteral("Default speed"), {m_rate}));
    rows->addWidget(group(QStringLiteral("Voice model"), {m_voiceModel, note}));
    rows->addWidget(m_threshold);
    PaneWidgets::fill(*this, services, {PaneWidgets::card(QStringLiteral("Playback"), rows)});

    connect(&m_model, &PlaybackPaneModel::changed, this, &PlaybackPane::refresh);
    connect(&m_model.model(), &StoredChoice::changed, this, &PlaybackPane::refresh);
    refresh();
}

void PlaybackPane::refresh() {
    m_rate->showSelection(m_model.selectedRateIndex());
    m_voiceModel->showSelection(m_model.model().selectedIndex());
    m_threshold->setState(m_model.thresholdLabel(), m_model.canDecreaseThreshold(),
                          m_model.canIncreaseThreshold());
}

} // namespace Parlino
