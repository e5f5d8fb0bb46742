#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/KeyringState.h"
#include "Parlino/Settings/UsagePaneModel.h"

#include "SettingsTesting.h"

#include <gtest/gtest.h>

using namespace Parlino;
using namespace SettingsTesting;
using State = UsagePaneModel::UsageState;

namespace {

const QString userRoute = QStringLiteral("/v1/user");

struct UsagePaneModelTest : ::testing::Test, PaneServices {
    UsagePaneModelTest() {
        QObject::connect(&model, &UsagePaneModel::stateChanged, &model,
                         [this] { states.append(model.state()); });
    }

    // Runs one load to its end and returns the state it ended in.
    State load() {
        states.clear();
        model.load();
        EXPECT_TRUE(TestSupport::pumpUntil(
            [&] { return !states.isEmpty() && states.last().kind() != State::Kind::loading; }));
        return model.state();
    }

    UsagePaneModel model{store, service.baseURL(), session};
    QList<State> states;
};

TEST_F(UsagePaneModelTest, WithoutAReadableKeyItAsksNothing) {
    EXPECT_EQ(model.state(), State::noKey());
    store.secrets[apiKeyAccount] = QStringLiteral("sk-1");
    service.on("GET", userRoute, quotaAnswer(1, 2));
    EXPECT_EQ(load(), State::loaded({1, 2}));

    store.secrets.clear();
    EXPECT_EQ(load(), State::noKey());
    store.secrets[apiKeyAccount] = QStringLiteral("sk-1");
    EXPECT_EQ(load(), State::loaded({1, 2}));
    // A locked keyring holds a key: it is named, not taken for none.
    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    EXPECT_EQ(load(), State::error(keyringStateText(KeyringState::locked)));
    store.nextLookup = KeychainReadResult::error(KeychainStatus::timedOut);
    EXPECT_EQ(load(), State::error(keyringStateText(KeyringState::away)));
    EXPECT_EQ(service.requests().size(), 2);
}

TEST_F(UsagePaneModelTest, EveryAnswerPassesThroughLoadingToItsState) {
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    struct Row {
        std::optional<Response> answer; // none: the service is down
        State state;
    };
    const Row rows[] = {
        {quotaAnswer(12345, 100000), State::loaded({12345, 100000})},
        {Response::error(403, QStringLiteral("missing_permissions"), {}),
         State::error(
             QStringLiteral("This key can't read account usage, but text-to-speech still works."))},
        {Response::error(401, QStringLiteral("invalid_api_key"), {}),
         State::error(QStringLiteral(
             "That key was rejected by ElevenLabs — double-check it in the API Key pane."))},
        {probationAnswer(),
         State::error(QStringLiteral(
             "ElevenLabs has your cloned voices on hold — Built-in voices still work."))},
        {Response::error(402, QStringLiteral("quota_exceeded"), {}),
         State::error(QStringLiteral(
             "Your ElevenLabs account is out of credits — add credits or upgrade."))},
        {Response::error(500, QStringLiteral("oops"), {}),
         State::error(
             QStringLiteral("Couldn't reach ElevenLabs — check your connection and try again."))},
        {std::nullopt, State::error(QStringLiteral(
                           "Couldn't reach ElevenLabs — check your connection and try again."))},
    };
    for (const Row& row : rows) {
        if (row.answer)
            service.on("GET", userRoute, *row.answer);
        else
            service.stop();
        EXPECT_EQ(load(), row.state);
        EXPECT_EQ(states.first(), State::loading());
    }
    EXPECT_EQ(service.requests().first().header("xi-api-key"), QByteArray("sk-saved"));
}

TEST_F(UsagePaneModelTest, TheTextGroupsDigitsAndTheBarNeverDividesByZero) {
    // Each number is isolated (U+2068 … U+2069), so that it keeps its side of the slash.
    EXPECT_EQ(UsagePaneModel::usageText({12345, 100000}),
              QStringLiteral("\u2068"
                             "12,345\u2069 / \u2068"
                             "100,000\u2069 characters used this month"));
    EXPECT_EQ(UsagePaneModel::usageText({7, 0}),
              QStringLiteral("\u2068"
                             "7\u2069 / \u2068"
                             "0\u2069 characters used this month"));
    // Under an Arabic locale the digits stay 0–9, as every time and duration is written.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString arabic = UsagePaneModel::usageText({10, 100000});
    QLocale::setDefault(before);
    EXPECT_EQ(arabic, QStringLiteral("\u2068"
                                     "10\u2069 / \u2068"
                                     "100,000\u2069 characters used this month"));
    EXPECT_DOUBLE_EQ(UsagePaneModel::fillFraction({0, 0}), 0);
    EXPECT_DOUBLE_EQ(UsagePaneModel::fillFraction({7, 0}), 1);
    EXPECT_DOUBLE_EQ(UsagePaneModel::fillFraction({250, 1000}), 0.25);
    EXPECT_DOUBLE_EQ(UsagePaneModel::fillFraction({2000, 1000}), 1);
}

} // namespace
