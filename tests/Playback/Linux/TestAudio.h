#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace TestAudio {

// Real speech, 128 kbit/s MP3 at 44.1 kHz mono, with its LAME header.
QByteArray speechMp3();
// The same speech without the header frame, as a streamed MP3 arrives.
QByteArray untaggedSpeechMp3();
// The same words in another format: 64 kbit/s MP3 at 22.05 kHz stereo.
QByteArray stereo22kSpeechMp3();
// The number of frames the speech was encoded from.
int64_t speechFrames();
// Every sample of the MP3, decoded at once.
std::vector<float> decodeAll(const QByteArray& mp3);

} // namespace TestAudio
