#pragma once

#include "Base/Date.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace Parlino {

// The date line of a clip row, in `zone` and the locale's words: "Today 9:41 AM",
// "Yesterday 11:59 PM", the abbreviated month and day for an earlier day of this year
// ("Mar 4 9:41 AM") and the same with the year for an older one ("Mar 4, 2024 9:41 AM").
QString clipDateLabel(Base::Date date, Base::Date now, const QLocale& locale = QLocale(),
                      const QTimeZone& zone = QTimeZone::systemTimeZone());

} // namespace Parlino
