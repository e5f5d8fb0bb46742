#pragma once

#include "TTS/Endpoint.h"

class QNetworkAccessManager;

namespace TTS {

// Writes a redacted picture of what the service knows about the account (user record,
// subscription, voice list) to the "diag" log, one line per JSON value. Changes nothing.
class DiagnosticsProbe {
public:
    static constexpr const char* switchName = "PARLINO_DIAG";

    DiagnosticsProbe(Endpoint endpoint, QNetworkAccessManager& session)
        : m_endpoint(std::move(endpoint)), m_session(&session) {}

    // True when the process was started with the probe's switch on.
    static bool isRequested();

    // Requests the three documents one after the other and logs them; a failed step is logged
    // and the next one runs. Returns at once; the probe keeps what it needs until it has ended.
    void run() const;

private:
    Endpoint m_endpoint;
    QNetworkAccessManager* m_session;
};

} // namespace TTS
