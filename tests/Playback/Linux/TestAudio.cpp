#include "TestAudio.h"

#include "Playback/Linux/Mpg123Decoder.h"

#include <QFile>

#include <stdexcept>

namespace TestAudio {

namespace {

QByteArray readFixture(const char* name) {
    QFile file(QStringLiteral(PARLINO_TEST_AUDIO_DIR "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing test audio; run scripts/make-test-audio.sh");
    return file.readAll();
}

} // namespace

QByteArray speechMp3() {
    static const QByteArray data = readFixture("speech.mp3");
    return data;
}

QByteArray untaggedSpeechMp3() {
    static const QByteArray data = readFixture("speech-untagged.mp3");
    return data;
}

QByteArray stereo22kSpeechMp3() {
    static const QByteArray data = readFixture("speech-22k-stereo.mp3");
    return data;
}

int64_t speechFrames() {
    return readFixture("speech.frames").trimmed().toLongLong();
}

std::vector<float> decodeAll(const QByteArray& mp3) {
    auto decoder = Playback::Mpg123Decoder::open(mp3);
    if (!decoder)
        throw std::runtime_error("test audio does not decode");
    std::vector<float> pcm;
    for (auto block = (*decoder)->decodeNext(); !block.empty(); block = (*decoder)->decodeNext())
        pcm.insert(pcm.end(), block.begin(), block.end());
    return pcm;
}

} // namespace TestAudio
