#pragma once

#include "Base/Result.h"
#include "Core/TTSError.h"
#include "TTS/Endpoint.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

namespace Core {
inline void PrintTo(const TTSError& error, std::ostream* os) {
    *os << "TTSError(kind " << int(error.kind()) << ", status " << error.status() << ", \""
        << error.message().toStdString() << "\")";
}
} // namespace Core

namespace TestSupport {

// A credential that hands over `key` from the event loop, counting how often it was asked.
inline TTS::Endpoint::Credential keyCredential(QString key, int* asked = nullptr) {
    return [key, asked](TTS::Endpoint::KeyHandler reply) {
        if (asked)
            ++*asked;
        QTimer::singleShot(0, [key, reply] { reply(key); });
    };
}

// A credential that fails at once with `error`, as when no key is stored.
inline TTS::Endpoint::Credential failingCredential(Core::TTSError error) {
    return [error](TTS::Endpoint::KeyHandler reply) { reply(Base::failure(error)); };
}

// Starts an operation with a completion and waits for its result.
template <class T, class Start> Base::Result<T, Core::TTSError> awaitResult(Start start) {
    std::optional<Base::Result<T, Core::TTSError>> outcome;
    start(
        [&outcome](Base::Result<T, Core::TTSError> result) { outcome.emplace(std::move(result)); });
    if (!pumpUntil([&] { return outcome.has_value(); }))
        return Base::failure(Core::TTSError::network(QStringLiteral("no result in time")));
    return std::move(*outcome);
}

} // namespace TestSupport
