#include "Parlino/Services/ReadPipeline.h"

#include "Parlino/Services/SynthesisModelChoice.h"

namespace Parlino {

Rendition Rendition::forNextRead(const SettingsKeys& keys, const VoicesModel& voices) {
    QString voice = Defaults::get(keys.voiceID);
    if (voices.state().kind() == VoicesModel::FetchState::Kind::loaded &&
        !VoicesModel::voiceIDSet(voices.state().voices()).contains(voice))
        voice = keys.voiceID.defaultValue();
    const auto model = SynthesisModelChoices::fromStoredValue(Defaults::get(keys.synthesisModel));
    return {voice, SynthesisModelChoices::modelID(model)};
}

} // namespace Parlino
