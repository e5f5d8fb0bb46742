#include "Parlino/Clips/ClipDateLabel.h"

#include "Parlino/Style/NumberText.h"

#include <unicode/dtptngen.h>
#include <unicode/locid.h>

#include <QHash>

#include <memory>
#include <mutex>

namespace Parlino {

namespace {

// The locale's pattern for an ICU skeleton ("MMMd": abbreviated month and day), in the
// notation of QLocale::toString. Qt writes a full year as "yyyy" and has no stand-alone month.
QString makeDatePattern(const QLocale& locale, const char* skeleton, const QString& fallback) {
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(
            icu::Locale::createCanonical(locale.name().toUtf8().constData()), status));
    if (U_FAILURE(status))
        return fallback;
    const icu::UnicodeString best =
        generator->getBestPattern(icu::UnicodeString::fromUTF8(skeleton), status);
    if (U_FAILURE(status))
        return fallback;
    const QString icuPattern(reinterpret_cast<const QChar*>(best.getBuffer()), best.length());
    QString pattern;
    bool quoted = false;
    for (qsizetype i = 0; i < icuPattern.size(); ++i) {
        const QChar c = icuPattern[i];
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c == QLatin1Char('\'')) {
            pattern += c;
        } else if (c == QLatin1Char('y')) {
            while (i + 1 < icuPattern.size() && icuPattern[i + 1] == c)
                ++i;
            pattern += QStringLiteral("yyyy");
        } else {
            pattern += c == QLatin1Char('L') ? QLatin1Char('M') : c;
        }
    }
    return pattern;
}

// Making a pattern generator takes milliseconds; every row of a list asks for the same two.
QString datePattern(const QLocale& locale, const char* skeleton, const QString& fallback) {
    static std::mutex mutex;
    static QHash<QString, QString> patterns;
    const QString key = locale.name() + QLatin1Char('/') + QLatin1String(skeleton);
    const std::lock_guard lock(mutex);
    auto found = patterns.constFind(key);
    if (found == patterns.cend())
        found = patterns.insert(key, makeDatePattern(locale, skeleton, fallback));
    return *found;
}

} // namespace

QString clipDateLabel(Base::Date date, Base::Date now, const QLocale& locale,
                      const QTimeZone& zone) {
    const QDateTime when = date.toDateTime().toTimeZone(zone);
    const QDate today = now.toDateTime().toTimeZone(zone).date();
    const QString time =
        NumberText::latinDigits(locale.toString(when.time(), QLocale::ShortFormat));
    const QDate day = when.date();
    if (day == today)
        return QStringLiteral("Today ") + time;
    if (day == today.addDays(-1))
        return QStringLiteral("Yesterday ") + time;
    const QString pattern = day.year() == today.year()
                                ? datePattern(locale, "MMMd", QStringLiteral("MMM d"))
                                : datePattern(locale, "yMMMd", QStringLiteral("MMM d, yyyy"));
    return NumberText::latinDigits(locale.toString(day, pattern)) + QLatin1Char(' ') + time;
}

} // namespace Parlino
