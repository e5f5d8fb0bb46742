#include "Parlino/Settings/GeneralPane.h"

#include "Defaults/Widgets/Toggle.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Settings/PaneLayout.h"
#include "Parlino/Settings/PaneServices.h"
#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/Theme.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace Parlino {

namespace {

const ParlinoButtonStyle hoverStyle{
    .scale = 0.97, .brightness = 0.06, .backdrop = std::nullopt, .backdropCornerRadius = 8};

} // namespace

GeneralPane::GeneralPane(const PaneServices& services, std::function<void()> onShowOnboarding,
                         QWidget* parent)
    : QWidget(parent), m_model(services.loginItem, services.recordings,
                               CacheAccess::of(services.cacheRoot), std::move(onShowOnboarding)),
      m_launchAtLogin(new QCheckBox(QStringLiteral("Launch at login"))),
      m_recordings(new QPushButton),
      m_clearCache(new ArmedActionButton({}, PaneWidgets::font(12, QFont::Medium), Theme::red85(),
                                         services.motion)) {
    setObjectName(QStringLiteral("GeneralPane"));
    m_launchAtLogin->setObjectName(QStringLiteral("LaunchAtLoginToggle"));
    m_recordings->setObjectName(QStringLiteral("OpenRecordingsButton"));
    m_clearCache->setObjectName(QStringLiteral("ClearCacheButton"));

    auto* saveRecordings = new QCheckBox(QStringLiteral("Save audio to folder"));
    saveRecordings->setObjectName(QStringLiteral("SaveRecordingsToggle"));
    Defaults::Toggle::bind(saveRecordings, services.keys.saveRecordings);
    auto* tutorial = new QPushButton(QStringLiteral("Show Tutorial Again"));
    tutorial->setObjectName(QStringLiteral("ShowTutorialButton"));
    m_clearCache->setButtonStyle(hoverStyle);
    m_clearCache->action = [this] { m_model.clearCache(); };
    auto* version =
        PaneWidgets::text(services.versionLabel, PaneWidgets::font(11), PaneWidgets::secondary());
    version->setObjectName(QStringLiteral("VersionLabel"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* cache = new QWidget;
    auto* cacheRows = PaneWidgets::stack(10);
    cache->setLayout(cacheRows);
    cacheRows->addWidget(m_clearCache, 0, Qt::AlignLeft);
    cacheRows->addWidget(PaneWidgets::text(
        QStringLiteral("Only Parlino's temporary audio cache — your recordings are never touched. "
                       "Anything cleared is synthesized again, and billed again, the next time "
                       "you read the same text."),
        PaneWidgets::font(12), PaneWidgets::secondary()));
    auto* rows = PaneWidgets::stack(14);
    rows->addWidget(m_launchAtLogin);
    rows->addWidget(saveRecordings);
    rows->addWidget(PaneWidgets::text(
        QStringLiteral("Affects future reads only — nothing already saved is ever deleted."),
        PaneWidgets::font(12), PaneWidgets::secondary()));
    rows->addWidget(tutorial, 0, Qt::AlignLeft);
    rows->addWidget(m_recordings, 0, Qt::AlignLeft);
    rows->addWidget(cache);
    rows->addWidget(version);
    PaneLayout::fill(*this, {PaneLayout::card(QStringLiteral("General"), rows)});

    connect(m_launchAtLogin, &QCheckBox::toggled, this, [this](bool on) {
        m_model.setLaunchAtLogin(on);
        showLaunchAtLogin(); // a refused change goes back to what the desktop says
    });
    connect(tutorial, &QPushButton::clicked, this, [this] { m_model.showTutorial(); });
    connect(m_recordings, &QPushButton::clicked, this, [this] { m_model.openRecordings(); });
    connect(&m_model, &GeneralPaneModel::launchAtLoginChanged, this,
            &GeneralPane::showLaunchAtLogin);
    connect(&m_model, &GeneralPaneModel::isPreparingRecordingsChanged, this,
            &GeneralPane::showRecordings);
    connect(&m_model, &GeneralPaneModel::cacheBytesChanged, this, &GeneralPane::showCache);
    showLaunchAtLogin();
    showRecordings();
    showCache();
}

void GeneralPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_model.measureCache();
}

void GeneralPane::showLaunchAtLogin() {
    const QSignalBlocker quiet(m_launchAtLogin);
    m_launchAtLogin->setChecked(m_model.launchAtLogin());
}

void GeneralPane::showRecordings() {
    m_recordings->setText(m_model.recordingsButtonTitle());
    m_recordings->setEnabled(!m_model.isPreparingRecordings());
}

void GeneralPane::showCache() {
    m_clearCache->setText(m_model.cacheButtonTitle());
    m_clearCache->setEnabled(m_model.canClearCache());
    m_clearCache->updateGeometry();
}

} // namespace Parlino
