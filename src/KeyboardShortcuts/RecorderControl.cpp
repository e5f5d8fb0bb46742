#include "KeyboardShortcuts/RecorderControl.h"

#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/RecorderAccessible.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyleOptionFrame>
#include <QToolButton>

#include <algorithm>

namespace KeyboardShortcuts {

namespace {

// How far outside its edge a click still belongs to the field.
constexpr int clickSlop = 3;

} // namespace

RecorderControl::RecorderControl(ShortcutRegistry& registry, const Name& name,
                                 RecorderModel::OnChange onChange, QWidget* parent)
    : QLineEdit(parent), m_model(registry, name, std::move(onChange)) {
    setUp();
}

RecorderControl::RecorderControl(ShortcutRegistry& registry, const std::optional<Shortcut>& initial,
                                 RecorderModel::OnChange onChange, QWidget* parent)
    : QLineEdit(parent), m_model(registry, initial, std::move(onChange)) {
    setUp();
}

void RecorderControl::setUp() {
    RecorderAccessible::install(*this);
    setAlignment(Qt::AlignCenter);
    setClearButtonEnabled(true);
    // The clear button shows only a cross: assistive tools need its name. Tab reaches it after
    // the field; a click on it leaves the focus where it was.
    for (QToolButton* clear : findChildren<QToolButton*>()) {
        clear->setAccessibleName(localized(QStringLiteral("clear_shortcut")));
        clear->setFocusPolicy(Qt::TabFocus);
        clear->installEventFilter(this);
    }
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setText(m_model.text());
    setPlaceholderText(m_model.placeholderText());

    m_model.presentAlert = [this](const Alert& alert) { return showAlert(alert); };
    // A new shortcut in the field that has the focus shows selected, as the text does after Tab
    // into the field: a screen reader says inserted text that is selected, while it keeps quiet
    // about text that no key it heard inserted (the recorded keys never reach it).
    connect(&m_model, &RecorderModel::textChanged, this, [this] {
        setText(m_model.text());
        if (hasFocus())
            selectAll();
        updateGeometry();
    });
    connect(&m_model, &RecorderModel::isRecordingChanged, this, [this] {
        setPlaceholderText(m_model.placeholderText());
        updateGeometry();
        update(); // the field draws the placeholder itself while it has the focus
        if (m_model.isRecording())
            m_eventMonitor.start();
        else
            m_eventMonitor.stop();
    });
    // The clear button empties the text; the user then records a new shortcut.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!text.isEmpty())
            return;
        m_model.clearByUser();
        record();
    });
}

// Wide enough for the centred text with the frame's room and, beside a shortcut, the clear
// button's: about one and a half times the height free at either end.
QSize RecorderControl::sizeHint() const {
    const int height = QLineEdit::sizeHint().height();
    const bool isEmpty = text().isEmpty();
    const int textWidth = fontMetrics().horizontalAdvance(isEmpty ? placeholderText() : text());
    const int needed = textWidth + (isEmpty ? height : 3 * height);
    return {std::max(minimumWidth, needed), height};
}

void RecorderControl::record() {
    if (hasFocus())
        m_model.startRecording(window()->winId());
    else
        setFocus(Qt::OtherFocusReason);
}

void RecorderControl::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const bool resumes = std::exchange(m_resumesAfterAlert, false);
    // The window gives the focus back, or to its first field, when it becomes active; that is no
    // request to record.
    if (event->reason() == Qt::ActiveWindowFocusReason && !resumes)
        return;
    record();
}

void RecorderControl::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    m_model.endRecording();
}

void RecorderControl::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    m_model.endRecording();
}

// A centred field hides its placeholder while it has the focus, leaving room for the caret. An
// empty field with the focus draws its frame and the placeholder (to record, or while recording,
// to press a shortcut), and no caret to blink through it: keys record here, they type nothing.
void RecorderControl::paintEvent(QPaintEvent* event) {
    if (!text().isEmpty() || !hasFocus()) {
        QLineEdit::paintEvent(event);
        paintClearButtonFocus();
        return;
    }
    QStyleOptionFrame option;
    initStyleOption(&option);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .marginsRemoved(textMargins());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(contents, Qt::AlignCenter,
                     fontMetrics().elidedText(placeholderText(), Qt::ElideRight, contents.width()));
}

// The clear button draws only its cross: the field rings it while it has the focus.
void RecorderControl::paintClearButtonFocus() {
    for (const QToolButton* clear : findChildren<QToolButton*>()) {
        if (!clear->hasFocus() || !clear->isVisible())
            continue;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        const qreal radius = clear->height() / 2.0;
        painter.drawRoundedRect(QRectF(clear->geometry()).adjusted(1, 1, -1, -1), radius, radius);
    }
}

bool RecorderControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QLineEdit::eventFilter(watched, event);
}

// Keys reach the field only while it does not record; they type nothing. Space or Return in the
// field that kept the focus after a recording records anew, as a click in it does.
void RecorderControl::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (plain ? event->key() : Qt::Key_unknown) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        record();
        event->accept();
        return;
    default:
        event->ignore();
    }
}

void RecorderControl::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (hasFocus())
        record();
}

void RecorderControl::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

bool RecorderControl::handleRecordingEvent(QObject* receiver, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        return handleMouseUp(receiver, *static_cast<QMouseEvent*>(event));
    return handleKey(*static_cast<QKeyEvent*>(event));
}

bool RecorderControl::handleMouseUp(QObject* receiver, const QMouseEvent& event) {
    const QPoint position = mapFromGlobal(event.globalPosition().toPoint());
    // A click on what takes the focus has taken it already, at the press.
    if (!rect().adjusted(-clickSlop, -clickSlop, clickSlop, clickSlop).contains(position)) {
        m_model.endRecording();
        return false;
    }
    // The clear button is a child of the field and acts on the release.
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    return !(widget && widget != this && isAncestorOf(widget));
}

// A field deleted while an alert was up gets `keepRecording` and touches nothing of itself.
//
// Tab and Shift+Tab go on as in any other control: to whoever watches the application's keys
// before its widgets (a screen reader's bridge, which hands them to the reader and on only once it
// has answered), then to the field, which moves the focus on or back.
bool RecorderControl::handleKey(const QKeyEvent& event) {
    using Outcome = RecorderModel::KeyOutcome;
    const Outcome outcome = m_model.handleKey(event);
    if (outcome == Outcome::beep)
        m_alerts->beep();
    else if (outcome == Outcome::moveFocus || outcome == Outcome::finish)
        m_model.endRecording();
    return outcome != Outcome::moveFocus;
}

// The alert ends the recording while it is up; the field records again after it. Answers as
// the first button when the field went away while the alert was up.
int RecorderControl::showAlert(const Alert& alert) {
    clearFocus();
    const QPointer self(this);
    const auto alerts = m_alerts; // the alert may replace them
    const int response = alerts->run(alert, window());
    if (!self)
        return RecorderAlerts::firstButtonResponse;
    m_resumesAfterAlert = true;
    setFocus(Qt::OtherFocusReason);
    return response;
}

} // namespace KeyboardShortcuts
