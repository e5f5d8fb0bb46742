#include "Parlino/Style/NameAnnouncement.h"

namespace Parlino {

namespace {

NameAnnouncer& installed() {
    static NameAnnouncer announcer;
    return announcer;
}

} // namespace

void setNameAnnouncer(NameAnnouncer announcer) {
    installed() = std::move(announcer);
}

void announceName(QWidget& control, const QString& name) {
    if (installed())
        installed()(control, name);
}

} // namespace Parlino
