#include "Parlino/Shell/MenuKeys.h"

#include <QShortcut>
#include <QWidget>

namespace Parlino {

// A shortcut of the window itself: the menu's own actions cannot carry these keys, since an
// action reached only through a menu that no menu bar holds never matches a key press.
void MenuKeys::attach(QWidget& window) const {
    for (const Key& key : m_keys) {
        auto* shortcut = new QShortcut(key.sequence, &window);
        QObject::connect(shortcut, &QShortcut::activated, &window,
                         [&window, command = key.command] {
                             if (window.windowType() == Qt::Popup)
                                 window.close();
                             command();
                         });
    }
}

} // namespace Parlino
