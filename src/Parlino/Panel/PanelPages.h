#pragma once

#include "Parlino/Clips/ClipsViewEnvironment.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Settings/SettingsServices.h"

class QWidget;

namespace Parlino {

class ClipsViewModel;
class SettingsNavigation;

// The pages the reading panel shows instead of the read: the same settings surface and clips
// list as their windows, in their embedded form. Everything named here outlives the panel.
struct PanelPages {
    SettingsServices settings;
    SettingsNavigation& navigation;
    ClipsViewModel& clips;
    ClipsViewEnvironment clipsEnvironment;

    // A new page for `page` (never reading) that keeps `topContentInset` free above its rows;
    // the clips list is reloaded first, so it opens on the library as it is now.
    QWidget* operator()(PanelContentMode page, qreal topContentInset) const;
};

} // namespace Parlino
