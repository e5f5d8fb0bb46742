#include "Parlino/Shell/Linux/DesktopOpener.h"

#include "Base/Environment.h"
#include "Base/Log.h"

#include <QDesktopServices>
#include <QStandardPaths>
#include <QStringList>

namespace Parlino {

namespace {

const Base::Log logger{QStringLiteral("launch")};

const QStringList& schemes() {
    static const QStringList schemes{QStringLiteral("http"), QStringLiteral("https"),
                                     QStringLiteral("file")};
    return schemes;
}

} // namespace

DesktopOpener::DesktopOpener(QObject* parent) : QObject(parent) {
    for (const QString& scheme : schemes())
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

DesktopOpener::~DesktopOpener() {
    for (const QString& scheme : schemes())
        QDesktopServices::unsetUrlHandler(scheme);
}

void DesktopOpener::open(const QUrl& url) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        logger.error("open: a %{public}s address is not opened: xdg-open is not installed",
                     url.scheme());
        return;
    }
    const QString target = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
    QString why;
    if (!Base::Environment::startDetached(program, {target}, &why))
        logger.error("open: %{public}s could not be started: %{public}s", program, why);
}

} // namespace Parlino
