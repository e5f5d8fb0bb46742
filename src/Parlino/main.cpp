#include "Base/Log.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlino"));
    Base::Log("pipeline")
        .notice("Parlino %{public}s: the reader is not assembled yet", PARLINO_VERSION);
    return 0;
}
