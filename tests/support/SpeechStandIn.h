#pragma once

#include "support/FakeSpeechService.h"

#include <QString>
#include <QUrl>

namespace TestSupport {

// A stand-in for the text-to-speech service that speaks real words (espeak-ng, encoded to MP3 by
// lame), for trying the application by hand and walking it through its screens. Its mode decides
// how it answers from then on; POST /stand-in/mode/<mode> switches it too:
//   ok            real speech, a healthy account
//   slow          real speech, each synthesis and each user record answered after four seconds
//   hold          synthesis never answered
//   trickle       synthesis answered 16 bytes every three seconds, without end
//   huge          real speech padded to an answer of 50 MB
//   error         synthesis fails with a server fault (503)
//   unauthorized  every request of the account and of synthesis is refused (401)
//   low-credit    real speech, with only a few hundred characters left on the account
//   instant       the same minute of real speech, made once, answered at once to every synthesis
//   junk          synthesis answered with bytes that are not audio
//   no-alignment  real speech without the timing of its characters
//   redirect      synthesis answered with a redirect to another address (307)
//   uneven-alignment  real speech whose alignment has the end times of three characters only
class SpeechStandIn {
public:
    static constexpr qint64 characterLimit = 100000;
    static constexpr qint64 charactersLeftWhenLow = 320;

    SpeechStandIn();

    QUrl baseURL() const { return m_service.baseURL(); }
    // False for a mode it does not know, which changes nothing.
    bool setMode(const QString& mode);

private:
    using Request = FakeSpeechService::Request;
    using Response = FakeSpeechService::Response;

    Response synthesise(const Request& request);
    Response account(const Base::Json::Value& value) const;
    Base::Json::Value subscription() const;
    Base::Json::Value voices() const;
    Response switchMode(const Request& request);

    Response instantSpeech(const QString& text);

    FakeSpeechService m_service;
    QString m_mode = QStringLiteral("ok");
    QByteArray m_instantSpeech;
    double m_instantSeconds = 0;
    int m_requests = 0;
};

} // namespace TestSupport
