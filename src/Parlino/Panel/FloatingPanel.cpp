#include "Parlino/Panel/FloatingPanel.h"

#include "Base/Environment.h"
#include "Base/Log.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindow>

namespace Parlino {

namespace {

const Base::Log clickLog(QStringLiteral("click-diag"));

bool clickDiagnosticsOn() {
    static const bool on = Base::Environment::isSwitchOn("PARLINO_DIAG");
    return on;
}

} // namespace

FloatingPanel::FloatingPanel(Qt::WindowFlags platformFlags)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | platformFlags) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void FloatingPanel::setContentView(QWidget* view) {
    delete m_content;
    m_content = view;
    if (view)
        layout()->addWidget(view);
}

void FloatingPanel::makeKey() {
    if (allowKey())
        windowHandle()->requestActivate();
}

bool FloatingPanel::allowKey() {
    QWindow* window = windowHandle();
    if (!window || isActiveWindow())
        return false;
    // A window that refuses focus cannot be activated; it refuses it again once hidden.
    window->setFlag(Qt::WindowDoesNotAcceptFocus, false);
    return true;
}

void FloatingPanel::focusEnd(TabDirection direction) {
    QWidget* control = TabChain::end(*this, direction);
    if (!control)
        return;
    control->setFocus(direction == TabDirection::forward ? Qt::TabFocusReason
                                                         : Qt::BacktabFocusReason);
    setAttribute(Qt::WA_KeyboardFocusChange);
    control->update();
}

bool FloatingPanel::focusNextPrevChild(bool next) {
    const auto direction = next ? TabDirection::forward : TabDirection::backward;
    if (onTabOut && !TabChain::step(*this, direction) && onTabOut(direction))
        return true;
    return QWidget::focusNextPrevChild(next);
}

bool FloatingPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton) {
            const bool wasKey = isActiveWindow();
            makeKey();
            if (clickDiagnosticsOn())
                logMouseDown(press->position(), wasKey);
        }
    }
    return false;
}

void FloatingPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (onCancel)
        onCancel();
}

void FloatingPanel::showEvent(QShowEvent* event) {
    // The window handle exists from the first show; watching it sees every click before the
    // view under it does.
    windowHandle()->removeEventFilter(this);
    windowHandle()->installEventFilter(this);
    QWidget::showEvent(event);
}

void FloatingPanel::hideEvent(QHideEvent* event) {
    windowHandle()->setFlag(Qt::WindowDoesNotAcceptFocus, true);
    QWidget::hideEvent(event);
}

void FloatingPanel::logMouseDown(QPointF position, bool wasKey) const {
    const QWidget* hit = childAt(position.toPoint());
    clickLog.notice("down %s wasKey=%d ignoresMouse=%d hit=%s acceptsFirstMouse=%d", diagName,
                    wasKey, ignoresMouse,
                    hit ? QString::fromLatin1(hit->metaObject()->className())
                        : QStringLiteral("nil"),
                    hit != nullptr);
}

} // namespace Parlino
