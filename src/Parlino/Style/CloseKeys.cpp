#include "Parlino/Style/CloseKeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace Parlino {

namespace {

// Sees the window's key presses after every widget on the way to it has left them unused (a key
// that a child accepts never travels on to its window), and the window manager's close.
class CloseKeyFilter final : public QObject {
public:
    explicit CloseKeyFilter(QWidget& window) : QObject(&window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window)
            return false;
        // The user's close is a hiding: a closed window loses its native window, and the one made
        // for its next showing goes where Qt's whole logical pixels put it, a device pixel off its
        // place at a fractional scale. The window manager's close comes as a spontaneous event;
        // the application's own, as when it quits, closes the window.
        if (event->type() == QEvent::Close && event->spontaneous()) {
            event->ignore();
            m_window.hide();
            return true;
        }
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool closes = (key->key() == Qt::Key_W && modifiers == Qt::ControlModifier) ||
                            (key->key() == Qt::Key_Escape && modifiers == Qt::NoModifier);
        if (!closes)
            return false;
        m_window.hide();
        return true;
    }

private:
    QWidget& m_window;
};

} // namespace

void installCloseKeys(QWidget& window) {
    window.installEventFilter(new CloseKeyFilter(window));
}

} // namespace Parlino
