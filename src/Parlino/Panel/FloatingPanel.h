#pragma once

#include "Parlino/Panel/TabChain.h"

#include <QString>
#include <QWidget>

#include <functional>

namespace Parlino {

// The one window class of the five floating surfaces: frameless, translucent, above other
// windows, and shown without taking focus from the user's application. A left click makes it
// the key window (so Esc and Space reach it) in the same click, as makeKey() does when asked;
// Esc reports to `onCancel`. Tab past the last control (Shift+Tab before the first) asks
// `onTabOut` first, and goes round the window's controls only when it declines.
// With the "PARLINO_DIAG" switch on, every left click is logged under "click-diag".
class FloatingPanel : public QWidget {
    Q_OBJECT

public:
    // `platformFlags` are added to the surface flags (a window-manager hint, for one).
    explicit FloatingPanel(Qt::WindowFlags platformFlags = {});

    // Hosts `view` as the whole content, replacing any earlier one (which is deleted).
    void setContentView(QWidget* view);
    QWidget* contentView() const { return m_content; }

    // Gives the window key status without activating the application.
    void makeKey();
    // Lets the shown window take the keyboard, which it refuses while nobody asks; whether it is
    // not key already. Hiding it makes it refuse again.
    bool allowKey();
    // Puts the focus, with its ring, on the first control (forward) or the last (backward),
    // where it is when the window is key or becomes key.
    void focusEnd(TabDirection direction);

    std::function<void()> onCancel;
    // Whether Tab, leaving the window's controls that way, took the keyboard elsewhere.
    std::function<bool(TabDirection)> onTabOut;
    // The surface's name in diagnostic logs.
    QString diagName = QStringLiteral("?");
    // Whether the window lets clicks through; kept by the platform code that sets it.
    bool ignoresMouse = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void logMouseDown(QPointF position, bool wasKey) const;

    QWidget* m_content = nullptr;
};

} // namespace Parlino
