#include "Parlino/Shell/TrayIconTint.h"

#include "Parlino/Shell/TrayIconTone.h"
#include "Parlino/Style/Icons.h"

namespace Parlino {

namespace {

// A tray paints, and a compositor shows what it painted, a moment after the change that X
// announces: the tray is looked at once that moment has passed, and once more a little later for
// a busy machine that held the painting up, in seconds after the change.
constexpr double settledDelay = 0.3;
constexpr double lateDelay = 3;

} // namespace

TrayIconTint::TrayIconTint(Place place, Paint paint, TrayBackdrop& backdrop,
                           Base::Scheduler& scheduler)
    : m_place(std::move(place)), m_paint(std::move(paint)), m_backdrop(backdrop),
      m_scheduler(scheduler) {
    m_backdrop.changed = [this] { trayChanged(); };
    look();
}

TrayIconTint::~TrayIconTint() {
    m_backdrop.changed = nullptr;
}

void TrayIconTint::trayChanged() {
    // A burst of changes is looked at once it has settled, not once for each.
    if (!m_settledLook.isPending())
        m_settledLook = m_scheduler.after(settledDelay, [this] { look(); });
    m_lateLook = m_scheduler.after(lateDelay, [this] { look(); });
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
    if (place.isEmpty())
        return;
    const QColor wanted = wantedColour(place);
    if (m_colour != wanted) {
        m_colour = wanted;
        m_paint(wanted);
    }
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
