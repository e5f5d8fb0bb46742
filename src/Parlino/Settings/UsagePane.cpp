#include "Parlino/Settings/UsagePane.h"

#include "Base/Clock.h"
#include "Parlino/Settings/PaneContainer.h"
#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Settings/SectionCard.h"
#include "Parlino/Style/ControlPainting.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <cmath>
#include <memory>

namespace Parlino {

namespace {

using Kind = UsagePaneModel::UsageState::Kind;

// The linear bar of the used characters.
class UsageBar final : public QWidget {
public:
    explicit UsageBar(double fraction) : m_fraction(fraction) {
        setObjectName(QStringLiteral("UsageBar"));
        setFixedHeight(6);
        setMinimumWidth(120);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF track(rect());
        fillCapsule(painter, track, Theme::white16());
        if (m_fraction > 0)
            fillCapsule(painter,
                        QRectF(track.topLeft(), QSizeF(track.width() * m_fraction, track.height())),
                        Theme::accent());
    }

private:
    double m_fraction;
};

// A small indeterminate spinner: an arc that turns once a second, still under Reduce Motion.
class Spinner final : public QWidget {
public:
    explicit Spinner(const MotionContext& motion)
        : m_motion(motion),
          m_frames(
              *this, motion.scheduler, [this] { update(); }, [this] { return isVisible(); }) {
        setObjectName(QStringLiteral("UsageSpinner"));
        setFixedSize(16, 16);
    }

protected:
    void showEvent(QShowEvent*) override {
        if (!m_motion.preferences.reduceMotion())
            m_frames.start();
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double turn =
            m_motion.preferences.reduceMotion() ? 0 : std::fmod(m_motion.clock.now(), 1.0);
        const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
        painter.setPen(QPen(Theme::white16(), 2));
        painter.drawEllipse(ring);
        painter.setPen(QPen(Theme::white60(), 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, int(-turn * 360 * 16), 90 * 16);
    }

private:
    MotionContext m_motion;
    FrameDriver m_frames;
};

} // namespace

UsagePane::UsagePane(const SettingsServices& services, QWidget* parent)
    : QWidget(parent), m_services(services),
      m_model(services.secrets, services.serviceBaseURL, services.session),
      m_card(new SectionCard(QStringLiteral("Usage"))), m_stateHost(new QWidget) {
    setObjectName(QStringLiteral("UsagePane"));
    auto* stateLayout = new QVBoxLayout(m_stateHost);
    stateLayout->setContentsMargins(0, 0, 0, 0);
    stateLayout->addWidget(stateView());
    connect(&m_model, &UsagePaneModel::stateChanged, this, [this] {
        const std::unique_ptr<QLayoutItem> previous(m_stateHost->layout()->takeAt(0));
        delete previous->widget();
        m_stateHost->layout()->addWidget(stateView());
    });

    auto* refresh =
        new PaneButton(QStringLiteral("Refresh"), PaneButton::Role::normal, services.motion);
    connect(refresh, &QAbstractButton::clicked, this, [this] { m_model.load(); });
    auto* refreshRow = new QWidget;
    auto* refreshLayout = new QHBoxLayout(refreshRow);
    refreshLayout->setContentsMargins(0, 0, 0, 0);
    refreshLayout->addWidget(refresh);
    refreshLayout->addStretch();

    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(12);
    contentLayout->addWidget(m_stateHost);
    contentLayout->addWidget(refreshRow);
    contentLayout->addWidget(
        paneText(QStringLiteral("Usage is billed by ElevenLabs to your own account."),
                 PaneText::caption2, QFont::Normal, PaneText::tertiary()));
    m_card->setContent(content);

    auto* container = new PaneContainer(services);
    container->addCard(m_card);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
}

void UsagePane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_model.load();
}

QWidget* UsagePane::stateView() {
    const UsagePaneModel::UsageState& state = m_model.state();
    switch (state.kind()) {
    case Kind::loaded: {
        auto* view = new QWidget;
        auto* layout = new QVBoxLayout(view);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);
        layout->addWidget(new UsageBar(UsagePaneModel::fillFraction(state.quota())));
        layout->addWidget(paneText(UsagePaneModel::usageText(state.quota()), PaneText::detail,
                                   QFont::Normal, PaneText::secondary()));
        return view;
    }
    case Kind::error:
        return paneText(state.message(), PaneText::detail, QFont::Normal, Theme::red85());
    case Kind::noKey:
        return paneText(UsagePaneModel::noKeyText, PaneText::detail, QFont::Normal,
                        PaneText::secondary());
    case Kind::loading: {
        auto* row = new QWidget;
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new Spinner(m_services.motion));
        layout->addStretch();
        return row;
    }
    }
    Q_UNREACHABLE();
}

} // namespace Parlino
