// Usage: parlino-speech-stand-in   (prints its base address; POST /stand-in/mode/<mode> switches)
//
// A stand-in for the text-to-speech service that speaks real words (espeak-ng, encoded to MP3 by
// lame) for trying the application by hand and for walking it through its screens. The mode
// decides how it answers from then on:
//   ok            real speech, a healthy account
//   slow          real speech, each synthesis answered after four seconds
//   hold          synthesis never answered
//   error         synthesis fails with a server fault (503)
//   unauthorized  every request of the account and of synthesis is refused (401)
//   low-credit    real speech, with only a few hundred characters left on the account
#include "support/FakeSpeechService.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

using Base::Json::Value;
using TestSupport::FakeSpeechService;
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

// The length of a 16-bit PCM WAV file as espeak-ng writes it.
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

class StandIn {
public:
    StandIn() {
        m_service.on("POST", FakeSpeechService::synthesisRoute(),
                     [this](const auto& request) { return synthesise(request); });
        m_service.on("GET", QStringLiteral("/v1/user"), [this](const auto&) {
            return account(Value{{"user_id", "stand-in-user"}, {"subscription", subscription()}});
        });
        m_service.on("GET", QStringLiteral("/v1/user/subscription"),
                     [this](const auto&) { return account(subscription()); });
        m_service.on("GET", QStringLiteral("/v1/voices"),
                     [this](const auto&) { return account(voices()); });
        m_service.on("GET", QStringLiteral("/previews/([^/]+)\\.mp3"),
                     [](const FakeSpeechService::Request& request) { return preview(request); });
        m_service.on("POST", QStringLiteral("/stand-in/mode/[a-z-]+"),
                     [this](const auto& request) { return switchMode(request); });
    }

    QUrl baseURL() const { return m_service.baseURL(); }

private:
    Response synthesise(const FakeSpeechService::Request& request) {
        const QString text = Base::Json::require<QString>(request.json(), "text").valueOr({});
        log(QStringLiteral("synthesis (%1): %2").arg(m_mode, text.left(60)));
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
        const auto speech = speak(text);
        if (!speech)
            return Response::error(500, QStringLiteral("stand_in_failed"),
                                   QStringLiteral("espeak-ng or lame failed"));
        Response response = Response::withTimestamps(speech->mp3, text, speech->seconds,
                                                     QStringLiteral("req-%1").arg(++m_requests));
        if (m_mode == "slow")
            response.delay = 4;
        return response;
    }

    Response account(const Value& value) const {
        return m_mode == "unauthorized" ? refused() : Response::json(value);
    }

    static Response refused() {
        return Response::error(401, QStringLiteral("invalid_api_key"),
                               QStringLiteral("Invalid API key"));
    }

    Value subscription() const {
        const qint64 limit = 100000;
        const qint64 used = m_mode == "low-credit" ? limit - 320 : 12480;
        return Value{{"tier", "creator"},
                     {"character_count", used},
                     {"character_limit", limit},
                     {"next_character_count_reset_unix", 1'900'000'000}};
    }

    Value voices() const {
        Value list = Value::array();
        const char* const voices[][3] = {{"stand-in-ada", "Ada", "premade"},
                                         {"stand-in-bo", "Bo", "premade"},
                                         {"stand-in-cleo", "Cleo", "premade"},
                                         {"stand-in-dev", "Dev", "premade"},
                                         {"stand-in-mine", "My Narrator", "cloned"},
                                         {"stand-in-studio", "Studio Voice", "professional"}};
        for (const auto& [id, name, category] : voices)
            list.push_back(Value{
                {"voice_id", id},
                {"name", name},
                {"category", category},
                {"preview_url", baseURL().toString() +
                                    QStringLiteral("/previews/%1.mp3").arg(QLatin1String(id))}});
        return Value{{"voices", list}};
    }

    static Response preview(const FakeSpeechService::Request& request) {
        const QString id = QString::fromLatin1(request.path()).section('/', -1).chopped(4);
        const auto speech = speak(QStringLiteral("Hello, this is the voice %1.").arg(id));
        if (!speech)
            return Response::error(500, QStringLiteral("stand_in_failed"),
                                   QStringLiteral("espeak-ng or lame failed"));
        return Response{200, speech->mp3, {{"Content-Type", "audio/mpeg"}}};
    }

    Response switchMode(const FakeSpeechService::Request& request) {
        const QString mode = QString::fromLatin1(request.path()).section('/', -1);
        static const QStringList modes{"ok", "slow", "hold", "error", "unauthorized", "low-credit"};
        if (!modes.contains(mode))
            return Response::error(400, QStringLiteral("unknown_mode"), mode);
        m_mode = mode;
        log(QStringLiteral("mode %1").arg(mode));
        return Response::json(Value{{"mode", mode}});
    }

    static void log(const QString& line) {
        std::fprintf(stdout, "%s\n", qPrintable(line));
        std::fflush(stdout);
    }

    FakeSpeechService m_service;
    QString m_mode = QStringLiteral("ok");
    int m_requests = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    StandIn standIn;
    if (standIn.baseURL().port() <= 0) {
        std::fputs("parlino-speech-stand-in: cannot listen on 127.0.0.1\n", stderr);
        return 1;
    }
    std::fprintf(stdout, "%s\n", qPrintable(standIn.baseURL().toString()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
