#include "Parlino/Services/PanelFontChoice.h"

#include <QFontDatabase>

namespace Parlino::PanelFontChoices {

namespace {

// Rounded sans-serif families packaged by common distributions, in order of preference.
const QStringList roundedFamilies{QStringLiteral("Nunito"), QStringLiteral("Varela Round"),
                                  QStringLiteral("M PLUS Rounded 1c"), QStringLiteral("Comfortaa")};

QFont sansSerif() {
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

QFont rounded() {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : roundedFamilies)
        if (installed.contains(family))
            return QFont(family);
    return sansSerif();
}

QFont serif() {
    QFont serif(QStringLiteral("serif"));
    serif.setStyleHint(QFont::Serif);
    return serif;
}

QFont base(PanelFontChoice choice) {
    switch (choice) {
    case PanelFontChoice::sfPro:
        return sansSerif();
    case PanelFontChoice::sfRounded:
        return rounded();
    case PanelFontChoice::newYork:
        return serif();
    case PanelFontChoice::sfMono:
        return QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    return sansSerif();
}

} // namespace

QFont font(PanelFontChoice choice, int size) {
    QFont sized = base(choice);
    sized.setPixelSize(qMax(1, size));
    return sized;
}

} // namespace Parlino::PanelFontChoices
