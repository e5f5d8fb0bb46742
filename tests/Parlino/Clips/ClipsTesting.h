#pragma once

#include "Parlino/Storage/AudioChunk.h"
#include "support/FakeChunkPlayer.h"

#include <QList>

#include <initializer_list>

namespace ClipsTesting {

// Chunks that the fake factory decodes into players of these lengths.
inline QList<Parlino::AudioChunk> chunks(std::initializer_list<double> durations) {
    QList<Parlino::AudioChunk> result;
    for (const double seconds : durations)
        result.append({TestSupport::FakeChunkPlayerFactory::audio(seconds), seconds});
    return result;
}

// A chunk of the given stored length whose audio does not decode.
inline Parlino::AudioChunk undecodable(double seconds) {
    return {QByteArray("not audio"), seconds};
}

} // namespace ClipsTesting
