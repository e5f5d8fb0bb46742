#include "Parlino/Shell/TrayIconTint.h"

#include "Parlino/Shell/TrayIconTone.h"
#include "Parlino/Style/Icons.h"

namespace Parlino {

namespace {

// How long to wait before looking for the icon's place again while it has none, and before
// looking at the tray again once it has one, in seconds.
constexpr double unplacedInterval = 1;
constexpr double placedInterval = 3;

} // namespace

TrayIconTint::TrayIconTint(Place place, Paint paint, TrayBackdrop& backdrop,
                           Base::Scheduler& scheduler)
    : m_place(std::move(place)), m_paint(std::move(paint)), m_backdrop(backdrop),
      m_scheduler(scheduler) {
    look();
}

QIcon TrayIconTint::themedImage(const QColor& colour) {
    return QIcon::fromTheme(QString::fromLatin1(themedName), image(colour));
}

QIcon TrayIconTint::image(const QColor& colour) {
    QIcon icon;
    for (const qreal side : {16, 22, 24, 32, 48})
        icon.addPixmap(
            Icons::pixmap(QStringLiteral("waveform"), side, colour, Icons::Weight::medium, 1));
    return icon;
}

void TrayIconTint::look() {
    const QRect place = m_place();
    if (!place.isEmpty()) {
        const QColor wanted = wantedColour(place);
        if (m_colour != wanted) {
            m_colour = wanted;
            m_paint(wanted);
        }
    }
    m_nextLook =
        m_scheduler.after(place.isEmpty() ? unplacedInterval : placedInterval, [this] { look(); });
}

QColor TrayIconTint::wantedColour(const QRect& place) {
    if (const auto published = TrayIconTone::publishedForeground(m_backdrop.publishedColours())) {
        if (m_colour != published)
            m_log.notice("icon in the colour the tray publishes, %s", published->name());
        return *published;
    }
    const auto backdrop = TrayIconTone::backdropOf(m_backdrop.picture(place));
    const QColor wanted = TrayIconTone::glyphColourOn(backdrop.value_or(Qt::black));
    if (m_colour != wanted)
        m_log.notice("icon in %s on a tray of %s", wanted.name(),
                     backdrop ? backdrop->name() : QStringLiteral("unknown colour"));
    return wanted;
}

} // namespace Parlino
