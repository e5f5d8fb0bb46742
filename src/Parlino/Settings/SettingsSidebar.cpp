#include "Parlino/Settings/SettingsSidebar.h"

#include "Parlino/Style/ChoiceAccessible.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace Parlino {

namespace {

constexpr qreal rowRadius = 8;
constexpr qreal symbolFrame = 18;
constexpr qreal symbolSize = 13;
constexpr int titleSize = 13;
constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 7;
constexpr qreal selectionOpacity = 0.24;
constexpr int rowSpacing = 2;
constexpr int windowTopPadding = 16;
// Below Quit, so that the last row does not touch the window's edge.
constexpr int windowBottomPadding = 10;

QFont rowFont(bool selected) {
    QFont font;
    font.setPixelSize(titleSize);
    font.setWeight(selected ? QFont::DemiBold : QFont::Normal);
    return font;
}

// Only rows without a fill of their own brighten under the pointer.
ParlinoButtonStyle rowStyle(bool filled) {
    return {.scale = 1,
            .pressedScale = 1,
            .brightness = 0.06,
            .pressedBrightness = -0.05,
            .backdrop = filled ? std::optional(QColor(Qt::transparent)) : std::nullopt,
            .backdropCornerRadius = rowRadius,
            .hover = true};
}

// The height the hidden "Settings" heading keeps free above the rows in the panel.
int hiddenHeadingHeight() {
    QFont font;
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    return qCeil(QFontMetricsF(font).height()) + 12;
}

} // namespace

SidebarRow::SidebarRow(SettingsPane pane, SettingsSidebarModel& model, const MotionContext& motion,
                       QWidget* parent)
    : ParlinoButton(rowStyle(false), motion, parent), m_pane(pane), m_model(model),
      m_motion(motion), m_armedAmount(motion.clock),
      m_frames(
          *this, motion.scheduler, [this] { update(); },
          [this] { return !m_armedAmount.isSettled(); }) {
    setObjectName(QStringLiteral("SidebarRow"));
    // Quit is a command, not a page: assistive tools see it as the push button it is.
    if (pane == SettingsPane::quit)
        nameByNextPress(*this, model.quitArming(), title(pane),
                        QStringLiteral("Press again to quit"));
    else {
        setAccessibleName(title(pane));
        ChoiceAccessible::mark(*this, QAccessible::PageTab);
    }
    connect(this, &QAbstractButton::clicked, this, [this] { m_model.choose(m_pane); });
    connect(&model.navigation(), &SettingsNavigation::selectionChanged, this, [this] { follow(); });
    if (pane == SettingsPane::quit)
        connect(&model.quitArming(), &TwoPressArming::isArmedChanged, this, [this] { follow(); });
    follow();
}

bool SidebarRow::isSelected() const {
    return m_model.navigation().selection() == m_pane;
}

bool SidebarRow::isArmed() const {
    return m_pane == SettingsPane::quit && m_model.quitArming().isArmed();
}

QColor SidebarRow::tint() const {
    if (isArmed())
        return Qt::white;
    if (m_pane == SettingsPane::quit)
        return Theme::red85();
    return isSelected() ? QColor(Qt::white) : Theme::white(0.72);
}

int SidebarRow::rowHeight() {
    const qreal line = std::max<qreal>(QFontMetricsF(rowFont(true)).height(), symbolSize);
    return qCeil(line) + 2 * verticalPadding;
}

QSize SidebarRow::sizeHint() const {
    return {120, rowHeight()};
}

void SidebarRow::follow() {
    if (m_pane != SettingsPane::quit)
        ChoiceAccessible::setChosen(*this, isSelected());
    setButtonStyle(rowStyle(isSelected() || isArmed()));
    m_armedAmount.animateTo(isArmed() ? 1 : 0, Curve::easeOut(armSeconds), false);
    m_frames.start();
    update();
}

void SidebarRow::leaveEvent(QEvent* event) {
    ParlinoButton::leaveEvent(event);
    m_model.hoverChanged(m_pane, false);
}

void SidebarRow::keyPressEvent(QKeyEvent* event) {
    const int step = event->key() == Qt::Key_Down ? 1 : event->key() == Qt::Key_Up ? -1 : 0;
    if (step == 0) {
        ParlinoButton::keyPressEvent(event);
        return;
    }
    // An arrow key moves the focus as Tab does, ring and all; past the first or the last row it
    // stays.
    const auto rows = parentWidget()->findChildren<SidebarRow*>(Qt::FindDirectChildrenOnly);
    const qsizetype next = rows.indexOf(this) + step;
    if (next < 0 || next >= rows.size())
        return;
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    rows[next]->setFocus(Qt::TabFocusReason);
}

void SidebarRow::paintLabel(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (isSelected()) {
        QColor fill = Theme::accent();
        fill.setAlphaF(fill.alphaF() * selectionOpacity);
        painter.fillPath(roundedShape(rect, rowRadius, Theme::cornerStyle), fill);
    }
    if (const double armed = m_armedAmount.now(); armed > 0) {
        const qreal scale =
            m_motion.preferences.reduceMotion() ? 1 : unarmedScale + (1 - unarmedScale) * armed;
        const QPointF centre = rect.center();
        QRectF highlight(0, 0, rect.width() * scale, rect.height() * scale);
        highlight.moveCenter(centre);
        QColor red = Theme::red();
        red.setAlphaF(red.alphaF() * float(armed));
        painter.fillPath(roundedShape(highlight, rowRadius * scale, Theme::cornerStyle), red);
    }
    const QRectF content = rect.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const QRectF symbol(content.left(), content.center().y() - symbolFrame / 2, symbolFrame,
                        symbolFrame);
    Icons::paint(painter, symbol, systemImage(m_pane), symbolSize, tint());
    const QRectF titleRect = content.adjusted(symbolFrame + 10, 0, 0, 0);
    painter.setFont(rowFont(isSelected()));
    painter.setPen(tint());
    painter.drawText(
        titleRect, Qt::AlignVCenter | Qt::AlignLeft,
        QFontMetricsF(painter.font()).elidedText(title(m_pane), Qt::ElideRight, titleRect.width()));
    painter.restore();
}

SettingsSidebar::SettingsSidebar(SettingsSidebarModel& model, const MotionContext& motion,
                                 bool embedded, qreal topContentInset, QWidget* parent)
    : QWidget(parent), m_model(model), m_embedded(embedded) {
    setObjectName(QStringLiteral("SettingsSidebar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, embedded ? qRound(topContentInset) : windowTopPadding, 10, 0);
    layout->setSpacing(rowSpacing);
    if (embedded)
        layout->addSpacing(hiddenHeadingHeight());
    for (const SettingsPane pane : allSettingsPanes)
        layout->addWidget(new SidebarRow(pane, model, motion));
    layout->addStretch();
}

int SettingsSidebar::windowHeightFor(int rowHeight) {
    const auto rows = int(std::size(allSettingsPanes));
    return windowTopPadding + rows * rowHeight + (rows - 1) * rowSpacing + windowBottomPadding;
}

SidebarRow* SettingsSidebar::row(SettingsPane pane) const {
    for (auto* row : findChildren<SidebarRow*>())
        if (row->pane() == pane)
            return row;
    return nullptr;
}

void SettingsSidebar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_embedded ? Theme::white045() : Theme::graphite());
}

void SettingsSidebar::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_model.disarm();
}

} // namespace Parlino
