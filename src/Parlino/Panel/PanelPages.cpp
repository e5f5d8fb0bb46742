#include "Parlino/Panel/PanelPages.h"

#include "Parlino/Clips/ClipsView.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Settings/SettingsView.h"
#include "Parlino/Settings/VoicesSectionView.h"

namespace Parlino {

QWidget* PanelPages::operator()(PanelContentMode page, qreal topContentInset) const {
    switch (page) {
    case PanelContentMode::settings:
        return new SettingsView(settings, navigation, true, topContentInset);
    case PanelContentMode::clips:
        clips.reloadImmediately();
        return new ClipsView(clips, true, topContentInset, clipsEnvironment);
    case PanelContentMode::voices:
        return new VoicesSectionView(
            settings.voices.model, settings.voices.samples, topContentInset,
            {settings.motion, settings.voices.timeline, settings.pointer, settings.keys});
    case PanelContentMode::reading:
        break;
    }
    return nullptr;
}

} // namespace Parlino
