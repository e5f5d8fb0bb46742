#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace Parlino {

// The one window class of the five floating surfaces: frameless, translucent, above other
// windows, and shown without taking focus from the user's application. A left click makes it
// the key window (so Esc and Space reach it) in the same click, as makeKey() does when asked;
// Esc reports to `onCancel`.
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

    std::function<void()> onCancel;
    // The surface's name in diagnostic logs.
    QString diagName = QStringLiteral("?");
    // Whether the window lets clicks through; kept by the platform code that sets it.
    bool ignoresMouse = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void logMouseDown(QPointF position, bool wasKey) const;

    QWidget* m_content = nullptr;
};

} // namespace Parlino
