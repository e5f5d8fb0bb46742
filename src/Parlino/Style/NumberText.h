#pragma once

#include <QLocale>
#include <QString>

namespace Parlino::NumberText {

// The text with every decimal digit, of whatever script, written 0–9, and the Arabic decimal and
// thousands separators as "." and ",". Numbers are written 0–9 throughout the application: the
// times and durations are fixed patterns, and the numbers and dates that the locale formats
// follow them, so that no screen mixes two sets of digits.
QString latinDigits(const QString& text);

// `value` grouped as `locale` groups it, in the digits 0–9.
QString grouped(qint64 value, const QLocale& locale = QLocale());

// The text as a bidirectional isolate (FIRST STRONG ISOLATE … POP DIRECTIONAL ISOLATE): a
// number set in a sentence keeps its place, whatever direction the text around it runs.
QString isolated(const QString& text);

// The text without its isolate marks, which are for drawing only, as assistive tools are to get
// it.
QString withoutIsolates(QString text);

} // namespace Parlino::NumberText
