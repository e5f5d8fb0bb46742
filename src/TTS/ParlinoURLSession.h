#pragma once

class QNetworkAccessManager;

namespace TTS::ParlinoURLSession {

// The one HTTP session of the process, created on first use. Main thread only.
// It keeps no cache, never follows a redirect to another origin and gives up on a transfer that
// makes no progress for 60 s.
QNetworkAccessManager& shared();

} // namespace TTS::ParlinoURLSession
