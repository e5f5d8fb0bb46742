#pragma once

#include "Base/Log.h"
#include "Base/Scheduler.h"
#include "Parlino/Shell/TrayBackdrop.h"

#include <QColor>
#include <QIcon>

#include <functional>
#include <optional>

namespace Parlino {

// Keeps the tray icon's glyph readable on the tray that holds it. While the icon sits in a tray
// that embeds it, and so has a place on the screen, it looks at the tray when it starts and when
// the tray or the icon's place on it may have changed, and repaints the glyph when the tray's
// colour asks for another: the colour the tray publishes, or else light on a dark tray and dark
// on a light one. Nothing runs while nothing changes. A status-notifier host draws the icon
// itself, gives it no place, and recolours the themed symbol on its own. Main thread only.
class TrayIconTint final {
public:
    // Where the icon is on the screen; empty while no embedding tray has placed it.
    using Place = std::function<QRect()>;
    // Shows the glyph in a colour.
    using Paint = std::function<void(const QColor&)>;

    // The symbol's name in the icon theme, which a status-notifier host recolours.
    static constexpr const char* themedName = "parlino-symbolic";

    // Follows the backdrop's changes until it is destroyed.
    TrayIconTint(Place place, Paint paint, TrayBackdrop& backdrop, Base::Scheduler& scheduler);
    ~TrayIconTint();
    TrayIconTint(const TrayIconTint&) = delete;
    TrayIconTint& operator=(const TrayIconTint&) = delete;

    // The tray or the icon's place on it may look different (the tray mapped, moved, resized or
    // exposed the icon's window): look again once the tray has painted.
    void trayChanged();

    // The glyph as the tray is first given it: the themed symbol where the theme has it, else
    // drawn in `colour`.
    static QIcon themedImage(const QColor& colour);
    // The glyph drawn in `colour`, at the sizes trays use.
    static QIcon image(const QColor& colour);

    // The colour last painted; none before the icon was first placed.
    std::optional<QColor> colour() const { return m_colour; }

private:
    void look();
    QColor wantedColour(const QRect& place);

    const Base::Log m_log{QStringLiteral("tray")};
    Place m_place;
    Paint m_paint;
    TrayBackdrop& m_backdrop;
    Base::Scheduler& m_scheduler;
    std::optional<QColor> m_colour;
    Base::ScheduledTask m_settledLook;
    Base::ScheduledTask m_lateLook;
};

} // namespace Parlino
