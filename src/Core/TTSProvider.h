#pragma once

#include "Base/AsyncStream.h"
#include "Core/ReadTypes.h"
#include "Core/SynthesisEvent.h"
#include "Core/TTSError.h"

#include <QStringList>

namespace Core {

// The events of one chunk's synthesis, delivered on the main thread; the stream's normal end
// ends the chunk, a TTSError fails it. Cancelling the stream cancels the work.
using SynthesisStream = Base::AsyncStream<SynthesisEvent, TTSError>;

// A text-to-speech service.
class TTSProvider {
public:
    virtual ~TTSProvider() = default;

    virtual ProviderID id() const = 0;
    virtual ProviderCapabilities capabilities() const = 0;

    // Starts synthesising one chunk's text at once. `previousRequestIDs` are the request
    // identifiers that earlier chunks of the same read reported, in chunk order.
    virtual SynthesisStream synthesize(const QString& text, const VoiceID& voice,
                                       const SynthesisSettings& settings,
                                       const QStringList& previousRequestIDs) = 0;
};

} // namespace Core
