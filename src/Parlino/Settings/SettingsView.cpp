#include "Parlino/Settings/SettingsView.h"

#include "Parlino/Settings/APIKeyPane.h"
#include "Parlino/Settings/AppearancePane.h"
#include "Parlino/Settings/GeneralPane.h"
#include "Parlino/Settings/PlaybackPane.h"
#include "Parlino/Settings/SettingsSidebar.h"
#include "Parlino/Settings/ShortcutsPane.h"
#include "Parlino/Settings/UsagePane.h"
#include "Parlino/Settings/VoicePane.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"
#include "Parlino/Style/WidgetSnapshot.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>

namespace Parlino {

namespace {

// The line between the sidebar and the detail.
constexpr int dividerWidth = 1;

class Divider final : public QWidget {
public:
    Divider() { setFixedWidth(dividerWidth); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Theme::white08()); }
};

void setOpacity(QWidget* widget, double opacity) {
    if (!widget)
        return;
    if (opacity >= 1) {
        widget->setGraphicsEffect(nullptr);
        return;
    }
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect;
        widget->setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

} // namespace

QSize SettingsView::leastWindowSize(int rowHeight) {
    return {windowSidebarWidth + dividerWidth + VoicePane::leastWidth(false),
            SettingsSidebar::windowHeightFor(rowHeight)};
}

QSize SettingsView::leastWindowSize() {
    return leastWindowSize(SidebarRow::rowHeight());
}

SettingsView::SettingsView(const SettingsServices& services, SettingsNavigation& navigation,
                           bool embedded, qreal topContentInset, QWidget* parent)
    : QWidget(parent), m_services(services), m_embedded(embedded),
      m_sidebarModel(navigation, services.motion.scheduler, services.terminate),
      m_apiKeyModel(services.secrets, services.serviceBaseURL, services.session,
                    services.notifications),
      m_sidebar(new SettingsSidebar(m_sidebarModel, services.motion, embedded, topContentInset)),
      m_detailHost(new FocusRest(QAccessible::Pane, {})), m_transition(services.motion.clock, 1),
      m_frames(
          *this, services.motion.scheduler, [this] { layOutDetail(); },
          [this] { return !m_transition.isSettled(); }) {
    setObjectName(QStringLiteral("SettingsView"));
    setParlinoGround(*this, embedded ? ParlinoGround::glass : ParlinoGround::solid);
    setPalette(Theme::darkPalette()); // the key field and the labels, in either host
    if (!embedded) {
        resize(windowWidth, windowHeight);
        setMaximumSize(windowWidth, windowHeight); // smaller only where the screen is
    }
    m_sidebar->setFixedWidth(embedded ? panelSidebarWidth : windowSidebarWidth);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_sidebar);
    layout->addWidget(new Divider);
    layout->addWidget(m_detailHost, 1);
    m_detailHost->setObjectName(QStringLiteral("SettingsDetail"));
    // The panel's chrome stands above the detail; the focus ring runs below it, down to the
    // panel's rounded corner.
    if (embedded) {
        m_detailHost->setContentsMargins(0, qRound(topContentInset), 0, 0);
        m_detailHost->setRingRadii({FocusRest::ringRadius, FocusRest::ringRadius,
                                    Theme::panelRadii.bottomRight, FocusRest::ringRadius});
    }
    m_detailHost->installEventFilter(this);

    connect(&navigation, &SettingsNavigation::selectionChanged, this,
            [this] { showSelection(true); });
    showSelection(false);
}

SettingsView::~SettingsView() {
    // The sidebar and the panes use the models below; they go while those still stand, rather
    // than in QWidget's teardown, whose hiding would reach the models after them.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

QWidget* SettingsView::makeDetail(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::apiKey:
        m_apiKeyModel.startAfresh();
        return new APIKeyPane(m_apiKeyModel, m_services);
    case SettingsPane::usage:
        return new UsagePane(m_services);
    case SettingsPane::general:
        return new GeneralPane(m_services, m_services.showOnboarding);
    case SettingsPane::appearance:
        return new AppearancePane(m_services);
    case SettingsPane::playback:
        return new PlaybackPane(m_services);
    case SettingsPane::shortcuts:
        return new ShortcutsPane(m_services);
    case SettingsPane::voice:
        return new VoicePane(
            m_services,
            [navigation = &m_sidebarModel.navigation()] {
                navigation->setSelection(SettingsPane::apiKey);
            },
            m_embedded);
    case SettingsPane::quit:
        return new QWidget;
    }
    Q_UNREACHABLE();
}

void SettingsView::showSelection(bool animated) {
    const SettingsPane selection = m_sidebarModel.navigation().selection();
    m_detailHost->setAccessibleName(title(selection));
    if (m_pane)
        letGo(*m_pane, animated);
    m_pane = makeDetail(selection);
    m_pane->setParent(m_detailHost);
    const bool reduceMotion = m_services.motion.preferences.reduceMotion();
    if (animated) {
        m_transition.jumpTo(0);
        m_transition.animateTo(
            1, Curve::easeOut(reduceMotion ? reducedTransitionSeconds : transitionSeconds), false);
        m_frames.start();
    } else {
        m_transition.jumpTo(1);
    }
    layOutDetail();
    m_pane->show();
}

// The pane goes from the keyboard, the pointer and assistive tools at once; it is deleted once
// the event that chose another pane is handled, as that event may come from one of its controls
// ("Go to API Key").
void SettingsView::letGo(QWidget& pane, bool animated) {
    if (animated && pane.isVisible()) {
        const auto* effect = qobject_cast<QGraphicsOpacityEffect*>(pane.graphicsEffect());
        m_leavingOpacity = effect ? effect->opacity() : 1;
        pane.setGraphicsEffect(nullptr);
        m_leavingImage = widgetSnapshot(pane, pane.size());
        m_leavingPosition = pane.mapTo(this, QPoint());
    }
    // The focus of a control of the pane stays with the detail, named after the pane that comes.
    FocusRest::takeFocusFrom(pane);
    pane.hide();
    pane.deleteLater();
}

void SettingsView::layOutDetail() {
    const double progress = m_transition.now();
    const QRect area = m_detailHost->contentsRect();
    const bool reduceMotion = m_services.motion.preferences.reduceMotion();
    if (m_pane) {
        const int rise = reduceMotion ? 0 : qRound(transitionRise * (1 - progress));
        m_pane->setGeometry(area.translated(0, rise));
        setOpacity(m_pane, progress);
    }
    if (!m_leavingImage.isNull()) {
        update(QRect(m_leavingPosition, m_leavingImage.deviceIndependentSize().toSize()));
        if (progress >= 1)
            m_leavingImage = {};
    }
}

void SettingsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_embedded)
        painter.fillRect(rect(), Theme::ink());
    if (!m_leavingImage.isNull()) {
        painter.setOpacity(m_leavingOpacity * (1 - m_transition.now()));
        painter.drawPixmap(m_leavingPosition, m_leavingImage);
    }
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_detailHost && event->type() == QEvent::Resize)
        layOutDetail();
    return QWidget::eventFilter(watched, event);
}

} // namespace Parlino
