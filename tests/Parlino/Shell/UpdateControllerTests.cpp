#include "Parlino/Shell/UpdateController.h"

#include "Parlino/Services/ServicesTesting.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Shell/BuildInformation.h"
#include "UpdateTesting.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"
#include "support/LogCapture.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Parlino::UpdateController;
using Dictionary = Base::PropertyValue::Dictionary;
using TestSupport::FakeSpeechService;

constexpr double day = UpdateController::checkInterval;

QString keyOfBytes(int count) {
    return QString::fromLatin1(QByteArray(count, '\x5a').toBase64());
}

FakeSpeechService::Response answer(int status, QByteArray body) {
    FakeSpeechService::Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

Dictionary informationWithKey(Base::PropertyValue key) {
    return {{Parlino::BuildInformation::updatePublicKeyKey, std::move(key)}};
}

struct PresenterCalls {
    QList<Parlino::UpdateFeed::Release> updates;
    int upToDate = 0;
    int failed = 0;
    int total() const { return int(updates.size()) + upToDate + failed; }
};

class RecordingPresenter : public Parlino::UpdatePresenter {
public:
    explicit RecordingPresenter(PresenterCalls& calls) : m_calls(calls) {}
    void presentUpdate(const Parlino::UpdateFeed::Release& release, const QString&) override {
        m_calls.updates.append(release);
    }
    void presentUpToDate(const QString&) override { ++m_calls.upToDate; }
    void presentCheckFailed() override { ++m_calls.failed; }

private:
    PresenterCalls& m_calls;
};

class UpdateControllerTest : public testing::Test {
protected:
    std::unique_ptr<UpdateController> makeController(const Dictionary& information) {
        return std::make_unique<UpdateController>(
            information,
            UpdateController::Dependencies{
                network, settings.scheduler,
                [this] {
                    return Base::Date{today.secondsSinceReferenceDate + settings.clock.now()};
                },
                settings.keys, std::make_unique<RecordingPresenter>(calls)});
    }

    ServicesTesting::TestSettings settings;
    QNetworkAccessManager network;
    Base::Date today{800'000'000};
    PresenterCalls calls;
    TestSupport::LogCapture logs;
};

TEST_F(UpdateControllerTest, StartsOnlyWithAStringKeyOfExactly32Bytes) {
    const QString good = keyOfBytes(32);
    ASSERT_EQ(good.size(), 44);
    // A build without a key is the default and says so quietly; a key that is there but
    // unusable is a packaging fault.
    enum class Off { no, quietly, asAFault };
    const struct {
        const char* name;
        Dictionary information;
        Off off;
    } rows[] = {
        {"32 bytes", informationWithKey(good), Off::no},
        {"placeholder", informationWithKey("PLACEHOLDER"), Off::quietly},
        {"placeholder inside a 32-byte key",
         informationWithKey("PLACEHOLDER" + QString(32, u'A') + "="), Off::quietly},
        {"absent", Dictionary{}, Off::quietly},
        {"31 bytes", informationWithKey(keyOfBytes(31)), Off::asAFault},
        {"33 bytes", informationWithKey(keyOfBytes(33)), Off::asAFault},
        {"line break", informationWithKey(good.left(20) + "\n" + good.mid(20)), Off::asAFault},
        {"not a string", informationWithKey(QByteArray(32, '\x5a')), Off::asAFault},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const bool configured = row.off == Off::no;
        EXPECT_EQ(UpdateController::isUpdaterConfigured(row.information), configured);
        logs.sink->clear();
        const auto controller = makeController(row.information);
        EXPECT_EQ(controller->canCheckForUpdates(), configured);
        EXPECT_EQ(logs.contains("updater started (automatic=true)"), configured);
        const auto records = logs.sink->records();
        const bool fault = std::ranges::any_of(records, [](const Base::LogRecord& record) {
            return record.category == "updates" && record.level == Base::LogLevel::error;
        });
        EXPECT_EQ(fault, row.off == Off::asAFault);
        EXPECT_EQ(logs.contains("update check off: this build has no update key — see "
                                "docs/dev/updates.md"),
                  row.off == Off::quietly);
    }
}

TEST_F(UpdateControllerTest, AManualCheckWithoutAKeyIsOnlyLogged) {
    FakeSpeechService server;
    Dictionary information = informationWithKey("PLACEHOLDER");
    information.insert(Parlino::BuildInformation::updateFeedURLKey,
                       server.baseURL().toString() + "/feed.json");
    const auto controller = makeController(information);

    controller->checkForUpdates();
    settings.scheduler.advance(2 * day);
    TestSupport::drainEvents();

    EXPECT_TRUE(logs.contains("manual update check ignored: updater not configured"));
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(calls.total(), 0);
}

// A running version 1.4 against a signed feed served on 127.0.0.1.
class UpdateFeedCheckTest : public UpdateControllerTest {
protected:
    void serve(const QByteArray& document, const UpdateTesting::Signer& by) {
        server.on("GET", "/feed.json",
                  answer(200, UpdateTesting::envelope(document, by.sign(document))));
    }

    std::unique_ptr<UpdateController> makeController() {
        return UpdateControllerTest::makeController({
            {Parlino::BuildInformation::applicationVersionKey, "1.4"},
            {Parlino::BuildInformation::updatePublicKeyKey,
             QString::fromLatin1(signer.publicKey.toBase64())},
            {Parlino::BuildInformation::updateFeedURLKey,
             server.baseURL().toString() + "/feed.json"},
        });
    }

    bool checkFinished() {
        return TestSupport::pumpUntil([this] {
            return logs.sink->messages("updates")
                       .filter(
                           QRegularExpression("^(update available|up to date|update check failed)"))
                       .size() > 0;
        });
    }

    void offAutomaticChecks() { Defaults::set(settings.keys.automaticallyChecksForUpdates, false); }

    FakeSpeechService server;
    UpdateTesting::Signer signer;
};

TEST_F(UpdateFeedCheckTest, AManualCheckOffersOnlyANewerRelease) {
    offAutomaticChecks();
    const struct {
        const char* version;
        bool offered;
    } rows[] = {{"1.5", true}, {"1.4.0", false}, {"1.3.9", false}, {"1.10", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.version);
        serve(UpdateTesting::releaseDocument(row.version), signer);
        const auto controller = makeController();
        calls = {};
        logs.sink->clear();

        controller->checkForUpdates();
        ASSERT_TRUE(checkFinished());

        EXPECT_TRUE(logs.contains("manual update check requested"));
        if (row.offered) {
            ASSERT_EQ(calls.updates.size(), 1);
            EXPECT_EQ(calls.updates[0].version, row.version);
            EXPECT_EQ(calls.updates[0].downloadPage, QUrl("https://parlino.example/download"));
            EXPECT_EQ(calls.upToDate, 0);
        } else {
            EXPECT_TRUE(calls.updates.isEmpty());
            EXPECT_EQ(calls.upToDate, 1);
        }
        EXPECT_EQ(calls.failed, 0);
    }
}

TEST_F(UpdateFeedCheckTest, AFeedThatCannotBeTrustedOffersNothing) {
    offAutomaticChecks();
    const auto controller = makeController();
    const QByteArray newer = UpdateTesting::releaseDocument("9.0");
    const struct {
        FakeSpeechService::Response answer;
        const char* logged;
    } rows[] = {
        {answer(200, UpdateTesting::envelope(newer, UpdateTesting::Signer().sign(newer))),
         "update check failed: the signature does not match"},
        {answer(503, "down"), "update check failed: the feed could not be fetched (status 503"},
        {answer(200, QByteArray(UpdateController::maximumFeedBytes + 4096, ' ')),
         "update check failed: the feed is too large"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.logged);
        server.on("GET", "/feed.json", row.answer);
        logs.sink->clear();
        controller->checkForUpdates();
        ASSERT_TRUE(checkFinished());
        EXPECT_TRUE(logs.messages("updates").filter(row.logged).size() == 1);
    }
    EXPECT_TRUE(calls.updates.isEmpty());
    EXPECT_EQ(calls.upToDate, 0);
    EXPECT_EQ(calls.failed, 3);
}

TEST_F(UpdateFeedCheckTest, ChecksByThemselvesOnceADayAndOnlyOfferQuietly) {
    serve(UpdateTesting::releaseDocument("1.4"), signer);
    const auto controller = makeController();

    settings.scheduler.advance(0);
    ASSERT_TRUE(checkFinished());
    EXPECT_EQ(server.requests().size(), 1);
    EXPECT_EQ(Defaults::get(settings.keys.lastUpdateCheckDate), today);
    EXPECT_EQ(calls.total(), 0) << "an automatic check that finds nothing stays silent";

    serve(UpdateTesting::releaseDocument("1.6"), signer);
    logs.sink->clear();
    settings.scheduler.advance(day - 1);
    TestSupport::drainEvents();
    EXPECT_EQ(server.requests().size(), 1);
    settings.scheduler.advance(1);
    ASSERT_TRUE(checkFinished());
    ASSERT_EQ(calls.updates.size(), 1);
    EXPECT_EQ(calls.updates[0].version, "1.6");

    offAutomaticChecks();
    settings.scheduler.advance(3 * day);
    TestSupport::drainEvents();
    EXPECT_EQ(server.requests().size(), 2);
}

TEST_F(UpdateFeedCheckTest, TheFirstAutomaticCheckIsDueADayAfterTheStoredOneAtMost) {
    serve(UpdateTesting::releaseDocument("1.4"), signer);
    const struct {
        double lastCheckAgo;
        double due;
    } rows[] = {{20 * 3600, 4 * 3600}, {-400 * day, day}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.lastCheckAgo);
        server.clearRequests();
        Defaults::set(
            settings.keys.lastUpdateCheckDate,
            Base::Date{today.secondsSinceReferenceDate + settings.clock.now() - row.lastCheckAgo});
        const auto controller = makeController();

        settings.scheduler.advance(row.due - 1);
        TestSupport::drainEvents();
        EXPECT_TRUE(server.requests().isEmpty());
        settings.scheduler.advance(1);
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return !server.requests().isEmpty(); }));
    }
}

TEST_F(UpdateFeedCheckTest, ACheckInFlightIsReplacedOrDroppedWithItsController) {
    offAutomaticChecks();
    const QByteArray document = UpdateTesting::releaseDocument("2.0");
    FakeSpeechService::Response held =
        answer(200, UpdateTesting::envelope(document, signer.sign(document)));
    held.held = true;
    server.on("GET", "/feed.json", held);
    auto controller = makeController();

    controller->checkForUpdates();
    controller->checkForUpdates();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return server.requests().size() == 2; }));
    server.releaseHeld();
    ASSERT_TRUE(checkFinished());
    TestSupport::drainEvents();
    EXPECT_EQ(calls.updates.size(), 1);

    controller->checkForUpdates();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return server.requests().size() == 3; }));
    controller.reset();
    server.releaseHeld();
    TestSupport::drainEvents();
    EXPECT_EQ(calls.updates.size(), 1);
}

} // namespace
