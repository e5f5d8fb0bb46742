#include "Parlino/Style/NumberText.h"

namespace Parlino::NumberText {

QString latinDigits(const QString& text) {
    QString latin = text;
    for (QChar& character : latin) {
        if (character == QChar(0x066B))
            character = QLatin1Char('.');
        else if (character == QChar(0x066C))
            character = QLatin1Char(',');
        else if (character.category() == QChar::Number_DecimalDigit)
            character = QChar(u'0' + character.digitValue());
    }
    return latin;
}

QString grouped(qint64 value, const QLocale& locale) {
    return latinDigits(locale.toString(value));
}

QString isolated(const QString& text) {
    return QChar(0x2068) + text + QChar(0x2069);
}

QString withoutIsolates(QString text) {
    // LEFT-TO-RIGHT, RIGHT-TO-LEFT and FIRST STRONG ISOLATE, and POP DIRECTIONAL ISOLATE.
    text.removeIf([](QChar character) {
        return character.unicode() >= 0x2066 && character.unicode() <= 0x2069;
    });
    return text;
}

} // namespace Parlino::NumberText
