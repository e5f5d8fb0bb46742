#pragma once

#include "KeyboardShortcuts/LocalEventMonitor.h"
#include "KeyboardShortcuts/RecorderAlerts.h"
#include "KeyboardShortcuts/RecorderModel.h"

#include <QLineEdit>

#include <memory>
#include <optional>

namespace KeyboardShortcuts {

// The field in which the user records a shortcut, shaped like a search field: it shows its
// model's shortcut, records while it has the keyboard focus, and its clear button (which Tab
// reaches after the field) removes the shortcut. The model decides; the field shows it and forwards
// the user's input.
//
// Recording starts when the field gets the focus from the user (a click, Tab), never from its
// window becoming active, and, in the field that has the focus, at a click, Space or Return. It
// ends when a shortcut is recorded, at Escape or a click away, with the focus kept on the field,
// at Tab and Shift+Tab, which then move the focus on or back as in any other control, and when
// the field loses the focus or is hidden. While it records, the field's window holds the whole
// keyboard and the field sees every key and click of the application first: keys go to the model,
// and a click away ends the recording. The model's alerts and refused keys reach the user through
// the field's alerts; while an alert is up the field does not record. Main thread.
class RecorderControl final : public QLineEdit {
public:
    // The field is never narrower; a longer shortcut or placeholder widens it.
    static constexpr int minimumWidth = 130;

    // Records the name's shortcut.
    RecorderControl(ShortcutRegistry& registry, const Name& name,
                    RecorderModel::OnChange onChange = {}, QWidget* parent = nullptr);
    // Records a shortcut of its own, starting with `initial`.
    RecorderControl(ShortcutRegistry& registry, const std::optional<Shortcut>& initial,
                    RecorderModel::OnChange onChange = {}, QWidget* parent = nullptr);

    RecorderModel& model() { return m_model; }
    const RecorderModel& model() const { return m_model; }

    // Dialogs and the bell unless replaced.
    void setAlerts(std::shared_ptr<RecorderAlerts> alerts) { m_alerts = std::move(alerts); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void setUp();
    // Records, taking the focus first when the field has not got it.
    void record();
    void paintClearButtonFocus();
    // Answers true to swallow the event.
    bool handleRecordingEvent(QObject* receiver, QEvent* event);
    bool handleMouseUp(QObject* receiver, const QMouseEvent& event);
    bool handleKey(const QKeyEvent& event);
    int showAlert(const Alert& alert);

    std::shared_ptr<RecorderAlerts> m_alerts = std::make_shared<DialogRecorderAlerts>();
    // Set while the field is to record again after an alert, even if its window only gives it
    // the focus back when it becomes active again.
    bool m_resumesAfterAlert = false;
    LocalEventMonitor m_eventMonitor{
        {QEvent::KeyPress, QEvent::MouseButtonRelease},
        [this](QObject* receiver, QEvent* event) { return handleRecordingEvent(receiver, event); }};
    RecorderModel m_model;
};

} // namespace KeyboardShortcuts
