#include "Parlino/Services/AppVersion.h"

namespace Parlino::AppVersion {

QString label(const QString& version, const QString& build) {
    const QString product = QStringLiteral("Parlino");
    if (version.isEmpty() && build.isEmpty())
        return product;
    if (version.isEmpty())
        return product + QStringLiteral(" build ") + build;
    if (build.isEmpty())
        return product + u' ' + version;
    return product + u' ' + version + QStringLiteral(" (") + build + u')';
}

} // namespace Parlino::AppVersion
