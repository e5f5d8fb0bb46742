#include "Core/StableHash.h"
#include "TTS/DiagJSON.h"
#include "TTS/DiagnosticsProbe.h"
#include "TTS/ParlinoURLSession.h"

#include "ServiceTestSupport.h"
#include "support/LogCapture.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using Base::Json::Value;
using Core::TTSError;
using Response = TestSupport::FakeSpeechService::Response;
using namespace TTS;

namespace {

QStringList walk(const char* json) {
    return DiagJSON::lines(QByteArray(json));
}

QString hashOf(const char* text) {
    return QString::number(Core::stableHash(QString::fromUtf8(text)));
}

} // namespace

// ---- The walk -----------------------------------------------------------------------------

TEST(DiagJSON, WalksMembersInKeyOrderWithTheirPaths) {
    EXPECT_EQ(walk(R"({"character_limit":100,"character_count":10,"Plan":"pro"})"),
              (QStringList{"Plan=pro", "character_count=10", "character_limit=100"}));
    EXPECT_EQ(walk(R"({"voices":[{"labels":{"accent":"US"},"tags":[],"extra":{}}],"n":null})"),
              (QStringList{"n=null", "voices[0].labels.accent=US", "voices[0].tags=[]"}));
}

TEST(DiagJSON, RendersScalarsAsTheyWereMeant) {
    EXPECT_EQ(walk(R"({"a":true,"b":1,"c":0.5,"d":-3,"e":1e3,"f":"x y"})"),
              (QStringList{"a=true", "b=1", "c=0.5", "d=-3", "e=1000", "f=x y"}));
}

TEST(DiagJSON, RedactsSecretsWhateverTheirValue) {
    EXPECT_EQ(walk(R"({"apiKey":"sk-1","Token":7,"refresh_token":true,"client_secret":null})"),
              (QStringList{"Token=REDACTED", "apiKey=REDACTED", "client_secret=REDACTED",
                           "refresh_token=REDACTED"}));
    EXPECT_EQ(walk(R"({"api_keys":{"name":"main","hint":"sk-"},"tokens":["a","b"]})"),
              (QStringList{"api_keys.hint=sk-", "api_keys.name=main", "tokens[0]=REDACTED",
                           "tokens[1]=REDACTED"}))
        << "containers are walked, each leaf judged by its own key";
}

TEST(DiagJSON, HashesVoiceIdentifiersAndMeasuresAddresses) {
    EXPECT_EQ(walk(R"({"voice_id":"abc","preview_url":"http://é.x","voice_id_key":"k",)"
                   R"("voice_id_url":"u","labels":{"model_ids":["m1"]}})"),
              (QStringList{"labels.model_ids[0]=m1", "preview_url=len=10",
                           "voice_id=idHash=" + hashOf("abc"), "voice_id_key=REDACTED",
                           "voice_id_url=idHash=" + hashOf("u")}));
}

TEST(DiagJSON, ABodyThatIsNotAnObjectOrArrayIsOneUndecodableLine) {
    EXPECT_EQ(DiagJSON::lines(QByteArray()), QStringList{"<undecodable len=0>"});
    EXPECT_EQ(walk("{oops"), QStringList{"<undecodable len=5>"});
    EXPECT_EQ(walk("42"), QStringList{"<undecodable len=2>"});
    EXPECT_EQ(walk(R"("sk-secret")"), QStringList{"<undecodable len=11>"});
    EXPECT_EQ(walk("true"), QStringList{"<undecodable len=4>"});
    EXPECT_EQ(walk(" null "), QStringList{"<undecodable len=6>"});
    EXPECT_EQ(walk("[]"), QStringList{"=[]"});
}

// ---- The probe ----------------------------------------------------------------------------

class DiagnosticsProbeTest : public ::testing::Test {
protected:
    QStringList run(Endpoint::Credential credential) {
        DiagnosticsProbe({service.baseURL(), std::move(credential)}, ParlinoURLSession::shared())
            .run();
        EXPECT_TRUE(TestSupport::pumpUntil(
            [&] { return logs.contains(QStringLiteral("diag probe end")); }));
        return logs.messages(QStringLiteral("diag"));
    }

    TestSupport::FakeSpeechService service;
    TestSupport::LogCapture logs;
};

TEST_F(DiagnosticsProbeTest, LogsEachDocumentRedactedAndInOrder) {
    const QByteArray userBody = R"({"xi_api_key":"sk-secret","subscription":{"tier":"free"}})";
    const Response subscription = Response::error(401, "invalid_api_key", "Bad");
    const Response voices = Response::json(Value{{"voices",
                                                  {{{"voice_id", "abc"},
                                                    {"name", "Ann"},
                                                    {"preview_url", "0123456789"},
                                                    {"labels", Value::object()}},
                                                   {{"name", "No id"}}}}});
    service.on("GET", "/v1/user", Response{200, userBody, {}});
    service.on("GET", "/v1/user/subscription", subscription);
    service.on("GET", "/v1/voices", voices);
    const QString voice = "diag voice[" + hashOf("abc") + "].";
    EXPECT_EQ(run(TestSupport::keyCredential(QStringLiteral("sk-test"))),
              (QStringList{
                  "diag probe start",
                  QStringLiteral("diag GET /v1/user HTTP 200 bytes=%1").arg(userBody.size()),
                  "diag user.subscription.tier=free",
                  "diag user.xi_api_key=REDACTED",
                  QStringLiteral("diag GET /v1/user/subscription HTTP 401 bytes=%1")
                      .arg(subscription.body.size()),
                  "diag subscription.detail.message=Bad",
                  "diag subscription.detail.status=invalid_api_key",
                  QStringLiteral("diag GET /v1/voices HTTP 200 bytes=%1").arg(voices.body.size()),
                  "diag voices count=2",
                  voice + "name=Ann",
                  voice + "preview_url=len=10",
                  voice + "voice_id=idHash=" + hashOf("abc"),
                  "diag voice[-].name=No id",
                  "diag probe end",
              }));
    ASSERT_EQ(service.requests().size(), 3);
    for (const auto& request : service.requests()) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.header("xi-api-key"), "sk-test");
    }
    EXPECT_EQ(logs.messages(QStringLiteral("tts")), QStringList()) << "the probe has its own log";
}

TEST_F(DiagnosticsProbeTest, WithoutAKeyEveryStepFailsAndNothingIsSent) {
    EXPECT_EQ(run(TestSupport::failingCredential(TTSError::unauthorized())),
              (QStringList{"diag probe start", "diag GET /v1/user failed: unauthorized",
                           "diag GET /v1/user/subscription failed: unauthorized",
                           "diag GET /v1/voices failed: unauthorized",
                           "diag voices: undecodable payload", "diag probe end"}));
    EXPECT_TRUE(service.requests().isEmpty());
}

TEST_F(DiagnosticsProbeTest, AnUnreachableServiceIsLoggedStepByStep) {
    service.stop();
    const QStringList lines = run(TestSupport::keyCredential(QStringLiteral("sk-test")));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[1].startsWith("diag GET /v1/user failed: ")) << lines[1].toStdString();
    EXPECT_EQ(lines[4], "diag voices: undecodable payload");
}

TEST(DiagnosticsProbeSwitch, CountsOnlyWhenExactlyOne) {
    const bool wasSet = qEnvironmentVariableIsSet(DiagnosticsProbe::switchName);
    const QByteArray saved = qgetenv(DiagnosticsProbe::switchName);
    qunsetenv(DiagnosticsProbe::switchName);
    EXPECT_FALSE(DiagnosticsProbe::isRequested());
    for (const char* value : {"0", "true", " 1", "1 ", ""}) {
        qputenv(DiagnosticsProbe::switchName, value);
        EXPECT_FALSE(DiagnosticsProbe::isRequested()) << value;
    }
    qputenv(DiagnosticsProbe::switchName, "1");
    EXPECT_TRUE(DiagnosticsProbe::isRequested());
    if (wasSet)
        qputenv(DiagnosticsProbe::switchName, saved);
    else
        qunsetenv(DiagnosticsProbe::switchName);
}
