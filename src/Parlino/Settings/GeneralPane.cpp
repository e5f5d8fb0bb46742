#include "Parlino/Settings/GeneralPane.h"

#include "Defaults/Widgets/Toggle.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Style/ArmedButton.h"
#include "Parlino/Style/Theme.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace Parlino {

GeneralPane::GeneralPane(const SettingsServices& services, std::function<void()> onShowOnboarding,
                         QWidget* parent)
    : QWidget(parent), m_model(services.loginItem, services.recordings,
                               CacheAccess::of(services.cache), std::move(onShowOnboarding)),
      m_launchAtLogin(new QCheckBox(QStringLiteral("Launch at login"))),
      m_recordings(new PaneButton({}, PaneButton::Role::normal, services.motion)),
      m_clearCache(new ArmedActionButton({}, PaneWidgets::font(12, QFont::Medium), Theme::red85(),
                                         services.motion)) {
    setObjectName(QStringLiteral("GeneralPane"));
    m_launchAtLogin->setObjectName(QStringLiteral("LaunchAtLoginToggle"));
    m_recordings->setObjectName(QStringLiteral("OpenRecordingsButton"));
    m_clearCache->setObjectName(QStringLiteral("ClearCacheButton"));

    auto* saveRecordings = new QCheckBox(QStringLiteral("Save audio to folder"));
    saveRecordings->setObjectName(QStringLiteral("SaveRecordingsToggle"));
    Defaults::Toggle::bind(saveRecordings, services.keys.saveRecordings);
    auto* tutorial = new PaneButton(QStringLiteral("Show Tutorial Again"), PaneButton::Role::normal,
                                    services.motion);
    tutorial->setObjectName(QStringLiteral("ShowTutorialButton"));
    m_clearCache->setButtonStyle(PaneWidgets::armedButtonStyle());
    m_clearCache->action = [this] { m_model.clearCache(); };
    nameByNextPress(*m_clearCache, m_clearCache->arming(), {},
                    QStringLiteral("Press again to clear cached audio"));
    auto* version = paneText(services.versionLabel, 11, QFont::Normal, PaneText::secondary());
    version->setObjectName(QStringLiteral("VersionLabel"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* cache = new QWidget;
    auto* cacheRows = PaneWidgets::stack(10);
    cache->setLayout(cacheRows);
    cacheRows->addWidget(m_clearCache, 0, Qt::AlignLeft);
    cacheRows->addWidget(paneText(
        QStringLiteral("Only Parlino's temporary audio cache — your recordings are never touched. "
                       "Anything cleared is synthesized again, and billed again, the next time "
                       "you read the same text."),
        12, QFont::Normal, PaneText::secondary()));
    auto* rows = PaneWidgets::stack(14);
    rows->addWidget(m_launchAtLogin);
    rows->addWidget(saveRecordings);
    rows->addWidget(paneText(
        QStringLiteral("Affects future reads only — nothing already saved is ever deleted."), 12,
        QFont::Normal, PaneText::secondary()));
    rows->addWidget(tutorial, 0, Qt::AlignLeft);
    rows->addWidget(m_recordings, 0, Qt::AlignLeft);
    rows->addWidget(cache);
    rows->addWidget(version);
    PaneWidgets::fill(*this, services, {PaneWidgets::card(QStringLiteral("General"), rows)});

    connect(m_launchAtLogin, &QCheckBox::toggled, this, [this](bool on) {
        m_model.setLaunchAtLogin(on);
        showLaunchAtLogin(); // a refused change goes back to what the desktop says
    });
    connect(tutorial, &QAbstractButton::clicked, this, [this] { m_model.showTutorial(); });
    connect(m_recordings, &QAbstractButton::clicked, this, [this] { m_model.openRecordings(); });
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
    m_recordings->updateGeometry();
    m_recordings->setEnabled(!m_model.isPreparingRecordings());
}

void GeneralPane::showCache() {
    m_clearCache->setText(m_model.cacheButtonTitle());
    m_clearCache->setEnabled(m_model.canClearCache());
    m_clearCache->updateGeometry();
}

} // namespace Parlino
