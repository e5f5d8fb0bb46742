#include "support/SpeechStandIn.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace TestSupport {

namespace {

using Base::Json::Value;
using Response = FakeSpeechService::Response;

struct Speech {
    QByteArray mp3;
    double seconds = 0;
};

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The length of a PCM WAV file: its data chunk over the byte rate of its format chunk.
double wavSeconds(const QByteArray& wav) {
    if (wav.size() < 44 || !wav.startsWith("RIFF"))
        return 0;
    const auto read32 = [&](qsizetype at) {
        return quint32(quint8(wav[at])) | quint32(quint8(wav[at + 1])) << 8 |
               quint32(quint8(wav[at + 2])) << 16 | quint32(quint8(wav[at + 3])) << 24;
    };
    const quint32 bytesPerSecond = read32(28);
    const qsizetype data = wav.indexOf("data", 12);
    if (bytesPerSecond == 0 || data < 0 || data + 8 > wav.size())
        return 0;
    return double(std::min<qsizetype>(read32(data + 4), wav.size() - data - 8)) / bytesPerSecond;
}

std::optional<Speech> speak(const QString& text) {
    QTemporaryDir folder;
    const QString wav = folder.filePath(QStringLiteral("speech.wav"));
    const QString mp3 = folder.filePath(QStringLiteral("speech.mp3"));
    if (!run(QStringLiteral("espeak-ng"),
             {QStringLiteral("-w"), wav, QStringLiteral("--"), text}) ||
        !run(QStringLiteral("lame"),
             {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
              QStringLiteral("--resample"), QStringLiteral("44.1"), wav, mp3}))
        return std::nullopt;
    QFile wavFile(wav);
    QFile mp3File(mp3);
    if (!wavFile.open(QIODevice::ReadOnly) || !mp3File.open(QIODevice::ReadOnly))
        return std::nullopt;
    return Speech{mp3File.readAll(), wavSeconds(wavFile.readAll())};
}

Response speechFailed() {
    return Response::error(500, QStringLiteral("stand_in_failed"),
                           QStringLiteral("espeak-ng or lame failed"));
}

Response refused() {
    return Response::error(401, QStringLiteral("invalid_api_key"),
                           QStringLiteral("Invalid API key"));
}

Response preview(const FakeSpeechService::Request& request) {
    const QString id = QString::fromLatin1(request.path()).section('/', -1).chopped(4);
    const auto speech = speak(QStringLiteral("Hello, this is the voice %1.").arg(id));
    if (!speech)
        return speechFailed();
    return Response{200, speech->mp3, {{"Content-Type", "audio/mpeg"}}};
}

// Real speech whose alignment ends after three characters, as a faulty answer did: the arrays
// no longer time the same characters.
Response unevenAlignment(const Speech& speech, const QString& text) {
    Response response = Response::withTimestamps(speech.mp3, text, speech.seconds);
    auto body = Base::Json::parse(response.body);
    if (!body)
        return response;
    Value& ends = (*body)["alignment"]["character_end_times_seconds"];
    if (ends.size() > 3)
        ends.erase(ends.begin() + 3, ends.end());
    response.body = Base::Json::serialize(*body).valueOr(response.body);
    return response;
}

void log(const QString& line) {
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

SpeechStandIn::SpeechStandIn() {
    m_service.on("POST", FakeSpeechService::synthesisRoute(),
                 [this](const Request& request) { return synthesise(request); });
    // A key is checked by asking for its user record: each check is logged, so they can be counted.
    m_service.on("GET", QStringLiteral("/v1/user"), [this](const Request&) {
        log(QStringLiteral("user (%1)").arg(m_mode));
        Response response =
            account(Value{{"user_id", "stand-in-user"}, {"subscription", subscription()}});
        if (m_mode == "slow")
            response.delay = 4;
        return response;
    });
    m_service.on("GET", QStringLiteral("/v1/user/subscription"),
                 [this](const Request&) { return account(subscription()); });
    m_service.on("GET", QStringLiteral("/v1/voices"),
                 [this](const Request&) { return account(voices()); });
    m_service.on("GET", QStringLiteral("/previews/[^/]+\\.mp3"), &preview);
    m_service.on("POST", QStringLiteral("/stand-in/mode/[a-z-]+"),
                 [this](const Request& request) { return switchMode(request); });
}

bool SpeechStandIn::setMode(const QString& mode) {
    static const QStringList modes{
        "ok",      "slow", "hold",         "huge",    "error",    "unauthorized",    "low-credit",
        "instant", "junk", "no-alignment", "trickle", "redirect", "uneven-alignment"};
    if (!modes.contains(mode))
        return false;
    m_mode = mode;
    log(QStringLiteral("mode %1").arg(mode));
    return true;
}

Response SpeechStandIn::synthesise(const Request& request) {
    const QString text = Base::Json::require<QString>(request.json(), "text").valueOr({});
    log(QStringLiteral("synthesis (%1): %2 [%3 characters]")
            .arg(m_mode, text.left(60), QString::number(text.size())));
    if (m_mode == "unauthorized")
        return refused();
    if (m_mode == "error")
        return Response::error(503, QStringLiteral("service_unavailable"),
                               QStringLiteral("The stand-in is told to fail."));
    if (m_mode == "hold") {
        Response never;
        never.held = true;
        return never;
    }
    if (m_mode == "redirect")
        return Response{307, {}, {{"Location", "http://127.0.0.1:9/v1/text-to-speech"}}};
    if (m_mode == "junk")
        return Response::withTimestamps(QByteArray(4096, 'x'), text, 2.0);
    if (m_mode == "instant")
        return instantSpeech(text);
    const auto speech = speak(text);
    if (!speech)
        return speechFailed();
    if (m_mode == "no-alignment")
        return Response::json(Value{{"audio_base64", QString::fromLatin1(speech->mp3.toBase64())},
                                    {"alignment", nullptr}});
    if (m_mode == "uneven-alignment")
        return unevenAlignment(*speech, text);
    // Base64 makes four bytes of three: 50 MB of answer carry 37.5 MB of audio.
    const QByteArray audio = m_mode == "huge"
                                 ? speech->mp3.leftJustified((qsizetype(50) << 20) / 4 * 3, '\0')
                                 : speech->mp3;
    Response response = Response::withTimestamps(audio, text, speech->seconds,
                                                 QStringLiteral("req-%1").arg(++m_requests));
    if (m_mode == "slow")
        response.delay = 4;
    if (m_mode == "trickle")
        response.trickle = Response::Trickle{16, 3, true};
    return response;
}

// About as long as the speech of a full chunk of text.
Response SpeechStandIn::instantSpeech(const QString& text) {
    if (m_instantSpeech.isEmpty()) {
        const QString sentence = QStringLiteral("The stand-in answers every request at once. ");
        const auto speech = speak(sentence.repeated(16));
        if (!speech)
            return speechFailed();
        m_instantSpeech = speech->mp3;
        m_instantSeconds = speech->seconds;
    }
    return Response::withTimestamps(m_instantSpeech, text, m_instantSeconds,
                                    QStringLiteral("req-%1").arg(++m_requests));
}

Response SpeechStandIn::account(const Value& value) const {
    return m_mode == "unauthorized" ? refused() : Response::json(value);
}

Value SpeechStandIn::subscription() const {
    const qint64 used =
        m_mode == "low-credit" ? characterLimit - charactersLeftWhenLow : characterLimit / 8;
    return Value{{"tier", "creator"},
                 {"character_count", used},
                 {"character_limit", characterLimit},
                 {"next_character_count_reset_unix", 1'900'000'000}};
}

Value SpeechStandIn::voices() const {
    // The first is the voice the application starts with.
    const char* const voices[][3] = {{"EXAVITQu4vr4xnSDxMaL", "Sarah", "premade"},
                                     {"stand-in-ada", "Ada", "premade"},
                                     {"stand-in-bo", "Bo", "premade"},
                                     {"stand-in-cleo", "Cleo", "premade"},
                                     {"stand-in-dev", "Dev", "premade"},
                                     {"stand-in-mine", "My Narrator", "cloned"},
                                     {"stand-in-studio", "Studio Voice", "professional"}};
    Value list = Value::array();
    for (const auto& [id, name, category] : voices)
        list.push_back(
            Value{{"voice_id", id},
                  {"name", name},
                  {"category", category},
                  {"preview_url", baseURL().toString() +
                                      QStringLiteral("/previews/%1.mp3").arg(QLatin1String(id))}});
    return Value{{"voices", list}};
}

Response SpeechStandIn::switchMode(const Request& request) {
    const QString mode = QString::fromLatin1(request.path()).section('/', -1);
    if (!setMode(mode))
        return Response::error(400, QStringLiteral("unknown_mode"), mode);
    return Response::json(Value{{"mode", mode}});
}

} // namespace TestSupport
