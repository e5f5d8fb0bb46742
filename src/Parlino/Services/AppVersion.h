#pragma once

#include <QString>

namespace Parlino::AppVersion {

// "Parlino", "Parlino 1.2", "Parlino build 45" or "Parlino 1.2 (45)", by which are given.
QString label(const QString& version, const QString& build);

} // namespace Parlino::AppVersion
