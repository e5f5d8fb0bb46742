#include "Parlino/Panel/OpenURL.h"

#include <QDesktopServices>

namespace Parlino {

void openInBrowser(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace Parlino
