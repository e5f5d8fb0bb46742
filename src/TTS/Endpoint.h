#pragma once

#include "Base/Result.h"
#include "Core/TTSError.h"

#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <optional>

namespace TTS {

// Where the text-to-speech service lives and how to get the user's API key for it.
struct Endpoint {
    using KeyResult = Base::Result<QString, Core::TTSError>;
    using KeyHandler = std::function<void(KeyResult)>;
    // Yields the API key (or the reason there is none) to the handler, at once or later, on any
    // thread. It is asked once for every request and nothing keeps the key.
    using Credential = std::function<void(KeyHandler)>;

    QUrl baseURL;
    Credential credential;

    // The service's own HTTPS address.
    static QUrl serviceBaseURL();

    // Percent-encodes a value as exactly one path segment, so that "/" or "?" inside it cannot
    // change the path; nullopt for a value that cannot be a segment of its own ("", "." or "..").
    static std::optional<QString> pathSegment(const QString& value);

    // The base address with an already encoded path such as "/v1/user" appended, and the query.
    QUrl address(const QString& encodedPath, const QUrlQuery& query = {}) const;
};

} // namespace TTS
