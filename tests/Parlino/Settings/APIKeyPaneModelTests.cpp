#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/APIKeyPaneModel.h"

#include "SettingsTesting.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace Parlino;
using namespace SettingsTesting;
using Layout = APIKeyPaneModel::Layout;

namespace {

const QString userRoute = QStringLiteral("/v1/user");
const QString awayText = keyringStateText(KeyringState::away);
const QString lockedText = keyringStateText(KeyringState::locked);
const QString noDefaultText = keyringStateText(KeyringState::noDefault);

struct APIKeyPaneModelTest : ::testing::Test, PaneServices {
    APIKeyPaneModelTest() {
        observer = notifications.addObserver(apiKeyChanged, [this](auto&) { ++posts; });
    }

    std::unique_ptr<APIKeyPaneModel> makeModel() {
        auto model =
            std::make_unique<APIKeyPaneModel>(store, service.baseURL(), session, notifications);
        model->follow();
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return model->layout() != Layout::reading; }));
        return model;
    }

    // Types `key`, presses "Validate & Save" and waits for the status it ends with.
    void save(APIKeyPaneModel& model, const QString& key) {
        QSignalSpy statusChanges(&model, &APIKeyPaneModel::statusChanged);
        model.setKeyInput(key);
        model.validateAndSave();
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return statusChanges.count() > 0; }));
    }

    std::optional<QString> storedKey() const {
        return store.secrets.contains(apiKeyAccount) ? std::optional(store.secrets[apiKeyAccount])
                                                     : std::nullopt;
    }

    Base::NotificationCenter notifications;
    Base::NotificationCenter::ObserverToken observer;
    int posts = 0;
};

TEST_F(APIKeyPaneModelTest, TheKeyStoreChoosesTheFirstLayoutAndALockedKeySaysSo) {
    store.secrets[apiKeyAccount] = QStringLiteral("saved");
    auto saved = makeModel();
    EXPECT_EQ(saved->layout(), Layout::saved);
    EXPECT_EQ(saved->status(), QString());

    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    auto locked = makeModel();
    EXPECT_EQ(locked->layout(), Layout::entry);
    EXPECT_EQ(locked->status(), lockedText);
    // Unlocked: the saved key shows without the pane being opened again.
    store.reach.mayAnswerOtherwise();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return locked->layout() == Layout::saved; }));
    EXPECT_EQ(locked->status(), QString());

    store.nextLookup = KeychainReadResult::error(KeychainStatus::failed);
    auto unreadable = makeModel();
    EXPECT_EQ(unreadable->layout(), Layout::entry);
    EXPECT_EQ(unreadable->status(), keyringStateText(KeyringState::failing));
}

TEST_F(APIKeyPaneModelTest, AKeyStoreOutOfReachIsNamedAndTheSavedKeyShowsOnceItAnswers) {
    store.secrets[apiKeyAccount] = QStringLiteral("saved");
    store.nextLookup = KeychainReadResult::error(KeychainStatus::timedOut);
    auto model = makeModel();
    EXPECT_EQ(model->layout(), Layout::entry);
    EXPECT_EQ(model->status(), awayText) << "not an empty field that looks like no key";

    // Another of the store's calls is answered, or the service comes back: the pane reads again.
    store.reach.note(false);
    store.reach.note(true);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::saved; }));
    EXPECT_EQ(model->status(), QString());

    // Still out of reach when read again: it keeps waiting, and a model gone waits no more.
    store.nextLookup = KeychainReadResult::error(KeychainStatus::timedOut);
    model->follow();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return model->status() == awayText; }));
    store.nextLookup = KeychainReadResult::error(KeychainStatus::unavailable);
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
    EXPECT_EQ(model->status(), awayText);
    model.reset();
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
}

TEST_F(APIKeyPaneModelTest, EveryAcceptedKeyIsStoredTrimmedWithItsStatus) {
    struct Row {
        Response answer;
        QString status;
    };
    const Row rows[] = {
        {quotaAnswer(12345, 100000), QStringLiteral("Valid ✓ — \u2068"
                                                    "12,345\u2069 / \u2068"
                                                    "100,000\u2069 characters used "
                                                    "this month.")},
        {Response::error(403, QStringLiteral("missing_permissions"), {}),
         QStringLiteral("Valid ✓ — this key can't read account usage, but text-to-speech will "
                        "still work.")},
        {probationAnswer(),
         QStringLiteral("Valid ✓ — ElevenLabs has your cloned voices on hold. Built-in voices "
                        "work; ask ElevenLabs support to lift it.")},
        {Response::error(402, QStringLiteral("quota_exceeded"), {}),
         QStringLiteral("Valid ✓ — your ElevenLabs account is out of credits. Add credits or "
                        "upgrade to use playback.")},
    };
    for (const Row& row : rows) {
        store.secrets.clear();
        posts = 0;
        service.on("GET", userRoute, row.answer);
        auto model = makeModel();
        save(*model, QStringLiteral("  sk-good\n"));
        EXPECT_EQ(model->status(), row.status);
        EXPECT_EQ(storedKey(), QStringLiteral("sk-good"));
        EXPECT_EQ(service.requests().last().header("xi-api-key"), QByteArray("sk-good"));
        EXPECT_EQ(model->keyInput(), QString());
        EXPECT_EQ(model->layout(), Layout::saved);
        EXPECT_EQ(posts, 1);
    }
}

TEST_F(APIKeyPaneModelTest, ARefusedKeyIsNotStoredAndStaysInTheField) {
    struct Row {
        std::optional<Response> answer; // none: the service is down
        QString status;
    };
    const Row rows[] = {
        {Response::error(401, QStringLiteral("invalid_api_key"), {}),
         QStringLiteral("That key was rejected — check for typos and try again.")},
        {Response::error(500, QStringLiteral("oops"), {}), APIKeyPaneModel::troubleStatus},
        {Response::json(Base::Json::Value{{"subscription", "garbled"}}),
         APIKeyPaneModel::troubleStatus},
        {std::nullopt,
         QStringLiteral("Couldn't reach ElevenLabs — check your connection and try Save again.")},
    };
    for (const Row& row : rows) {
        if (row.answer)
            service.on("GET", userRoute, *row.answer);
        else
            service.stop();
        auto model = makeModel();
        save(*model, QStringLiteral("sk-bad"));
        EXPECT_EQ(model->status(), row.status);
        EXPECT_EQ(model->keyInput(), QStringLiteral("sk-bad"));
        EXPECT_EQ(model->layout(), Layout::entry);
    }
    EXPECT_EQ(storedKey(), std::nullopt);
    EXPECT_EQ(posts, 0);
}

TEST_F(APIKeyPaneModelTest, BlankKeysAndKeysWithControlCharactersNeverReachTheService) {
    auto model = makeModel();
    save(*model, QStringLiteral("   \n"));
    EXPECT_EQ(model->status(), QStringLiteral("Enter a key first."));
    save(*model, QStringLiteral("sk-one\nX-Other: header"));
    EXPECT_EQ(model->status(),
              QStringLiteral("That key was rejected — check for typos and try again."));
    save(*model, QStringLiteral("   "));
    save(*model, QStringLiteral("sk\u0007bell"));
    EXPECT_EQ(model->status(),
              QStringLiteral("That key was rejected — check for typos and try again."));
    EXPECT_TRUE(service.requests().isEmpty());
    EXPECT_EQ(storedKey(), std::nullopt);
}

// The service accepted the key: a keyring that refused it is named, never the service.
TEST_F(APIKeyPaneModelTest, AFailedWriteNeverReportsSuccess) {
    store.writeError = KeychainWriteError{KeychainStatus::failed};
    for (const Response& answer :
         {quotaAnswer(1, 2), Response::error(403, QStringLiteral("missing_permissions"), {}),
          probationAnswer(), Response::error(402, QStringLiteral("quota_exceeded"), {})}) {
        service.on("GET", userRoute, answer);
        auto model = makeModel();
        save(*model, QStringLiteral("sk-good"));
        EXPECT_EQ(model->status(), APIKeyPaneModel::keyringRefusedStatus);
        EXPECT_EQ(model->keyInput(), QStringLiteral("sk-good"));
        EXPECT_EQ(model->layout(), Layout::entry);
    }
    EXPECT_EQ(posts, 0);
}

// A keyring that stalls past the time-out may still store or delete the key when it goes on: the
// pane says the keyring did not answer, keeps the typed key, and shows what the keyring holds as
// soon as it answers, telling the application of the change.
TEST_F(APIKeyPaneModelTest, ASaveOrRemovalTheKeyringLeftUnansweredShowsWhatItDidOnceItAnswers) {
    service.on("GET", userRoute, quotaAnswer(5, 10));
    auto model = makeModel();
    store.writeError = KeychainWriteError{KeychainStatus::timedOut};
    save(*model, QStringLiteral("sk-good"));
    EXPECT_EQ(model->status(), awayText);
    EXPECT_EQ(model->keyInput(), QStringLiteral("sk-good"));
    EXPECT_EQ(posts, 0);

    store.writeError.reset();
    store.secrets[apiKeyAccount] = QStringLiteral("sk-good"); // stored once the keyring went on
    store.reach.mayAnswerOtherwise();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::saved; }));
    EXPECT_EQ(model->status(), QString());
    EXPECT_EQ(posts, 1);

    store.removeError = KeychainDeleteError{KeychainStatus::timedOut};
    store.nextLookup = KeychainReadResult::error(KeychainStatus::timedOut);
    model->removeKey();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->status() == awayText; }));
    EXPECT_EQ(posts, 2);
    store.secrets.remove(apiKeyAccount); // deleted once the keyring went on
    store.reach.mayAnswerOtherwise();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->status().isEmpty(); }));
    EXPECT_EQ(model->layout(), Layout::entry);
    EXPECT_EQ(posts, 3);

    // A save the keyring never carried out is told once it answers; the key stays typed.
    store.writeError = KeychainWriteError{KeychainStatus::timedOut};
    save(*model, QStringLiteral("sk-good"));
    EXPECT_EQ(model->status(), awayText);
    store.writeError.reset();
    store.reach.mayAnswerOtherwise();
    ASSERT_TRUE(TestSupport::pumpUntil(
        [&] { return model->status() == APIKeyPaneModel::keyringRefusedStatus; }));
    EXPECT_EQ(model->layout(), Layout::entry);
    EXPECT_EQ(model->keyInput(), QStringLiteral("sk-good"));

    // A keyring left locked (its unlock prompt dismissed): the key is not saved, and stays typed.
    store.writeError = KeychainWriteError{KeychainStatus::locked};
    save(*model, QStringLiteral("sk-good"));
    EXPECT_EQ(model->status(), APIKeyPaneModel::keyringStayedLockedStatus);
    EXPECT_EQ(model->keyInput(), QStringLiteral("sk-good"));
}

// A keyring service without a default keyring: named as such, and a save that could not make one
// keeps saying why, whatever the keyring is read as afterwards; once a keyring is made the key
// saved into it shows.
TEST_F(APIKeyPaneModelTest, NoDefaultKeyringIsNamedAndASaveThatMadeNoneKeepsItsMessage) {
    service.on("GET", userRoute, quotaAnswer(5, 10));
    store.nextLookup = KeychainReadResult::error(KeychainStatus::noKeyring);
    auto model = makeModel();
    EXPECT_EQ(model->layout(), Layout::entry);
    EXPECT_EQ(model->status(), noDefaultText);

    store.writeError = KeychainWriteError{KeychainStatus::dismissed};
    save(*model, QStringLiteral("sk-good"));
    EXPECT_EQ(model->status(), APIKeyPaneModel::keyringNotMadeStatus);
    store.nextLookup = KeychainReadResult::error(KeychainStatus::noKeyring);
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
    EXPECT_EQ(model->status(), APIKeyPaneModel::keyringNotMadeStatus);
    EXPECT_EQ(model->keyInput(), QStringLiteral("sk-good"));

    store.writeError = KeychainWriteError{KeychainStatus::noKeyring};
    save(*model, QStringLiteral("sk-good"));
    EXPECT_EQ(model->status(), APIKeyPaneModel::noKeyringStatus);

    // A keyring made elsewhere: the key typed is saved into it.
    store.writeError.reset();
    save(*model, QStringLiteral("sk-good"));
    EXPECT_EQ(model->layout(), Layout::saved);
    EXPECT_EQ(storedKey(), QStringLiteral("sk-good"));
}

// An older key, locked away, shows once the keyring answers again after a save it did not carry
// out (its daemon gone under the unlock prompt, or the keyring left locked): it never passes for
// the key typed, which stays in the field, until the pane starts afresh.
TEST_F(APIKeyPaneModelTest, ASaveCountsOnlyOnceTheKeyringHoldsTheKeySaved) {
    service.on("GET", userRoute, quotaAnswer(5, 10));
    store.secrets[apiKeyAccount] = QStringLiteral("sk-old");
    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    auto model = makeModel();
    for (const qint32 failure : {KeychainStatus::unavailable, KeychainStatus::locked}) {
        store.writeError = KeychainWriteError{failure};
        save(*model, QStringLiteral("sk-new"));
        for (int change = 0; change < 2; ++change) {
            store.reach.mayAnswerOtherwise();
            ASSERT_TRUE(TestSupport::pumpUntil(
                [&] { return model->status() == APIKeyPaneModel::keyringRefusedStatus; }));
            TestSupport::drainEvents();
            EXPECT_EQ(model->layout(), Layout::entry) << failure;
            EXPECT_EQ(model->keyInput(), QStringLiteral("sk-new"));
        }
    }
    EXPECT_EQ(posts, 1) << "once the keyring answered what it did of the save";

    model->startAfresh();
    model->follow();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::saved; }));
}

TEST_F(APIKeyPaneModelTest, ACheckOvertakenByANewerPressOrARemovalChangesNothing) {
    // Answers for the first key wait until released; the second key is answered at once.
    service.on("GET", userRoute, [](const TestSupport::FakeSpeechService::Request& request) {
        auto answer = quotaAnswer(request.header("xi-api-key") == "sk-first" ? 1 : 2, 10);
        answer.held = request.header("xi-api-key") == "sk-first";
        return answer;
    });
    auto model = makeModel();
    model->setKeyInput(QStringLiteral("sk-first"));
    model->validateAndSave();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));
    save(*model, QStringLiteral("sk-second"));
    EXPECT_EQ(model->status(), QStringLiteral("Valid ✓ — \u2068"
                                              "2\u2069 / \u2068"
                                              "10\u2069 characters used this month."));

    model->setKeyInput(QStringLiteral("sk-first"));
    model->validateAndSave();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 3; }));
    model->removeKey();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return posts == 2; }));
    QSignalSpy statusChanges(model.get(), &APIKeyPaneModel::statusChanged);
    service.releaseHeld();
    // The held answers reach the client; neither of the checks they belong to may act.
    TestSupport::pumpUntil([] { return false; }, 300);
    EXPECT_EQ(storedKey(), std::nullopt);
    EXPECT_EQ(posts, 2);
    EXPECT_EQ(statusChanges.count(), 0);
    EXPECT_EQ(model->layout(), Layout::entry);
}

// A second press while the key typed is being checked sends nothing; another key is checked
// anew, and only its answer counts.
TEST_F(APIKeyPaneModelTest, EachKeyTypedIsCheckedOnce) {
    service.on("GET", userRoute, [](const TestSupport::FakeSpeechService::Request& request) {
        auto answer = quotaAnswer(1, 10);
        answer.held = request.header("xi-api-key") == "sk-first";
        return answer;
    });
    auto model = makeModel();
    QSignalSpy checking(model.get(), &APIKeyPaneModel::checkingChanged);
    model->setKeyInput(QStringLiteral("sk-first"));
    model->validateAndSave();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return service.requests().size() == 1; }));
    EXPECT_TRUE(model->isChecking());
    EXPECT_EQ(checking.count(), 1);
    model->setKeyInput(QStringLiteral(" sk-first\n")); // the same key once trimmed
    model->validateAndSave();
    model->validateAndSave();
    EXPECT_TRUE(model->isSavingKeyInput());

    save(*model, QStringLiteral("sk-second"));
    EXPECT_EQ(storedKey(), QStringLiteral("sk-second"));
    EXPECT_FALSE(model->isChecking());
    service.releaseHeld();
    TestSupport::pumpUntil([] { return false; }, 300);
    EXPECT_EQ(service.requests().size(), 2);
    EXPECT_EQ(storedKey(), QStringLiteral("sk-second"));

    // Once answered, the same key may be checked again: a retry after a failure.
    service.on("GET", userRoute, Response::error(401, QStringLiteral("invalid_api_key"), {}));
    model->setKeyInput(QStringLiteral("sk-third"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        model->validateAndSave();
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return !model->isChecking(); }));
    }
    EXPECT_EQ(service.requests().size(), 4);
}

// Read again when Settings is shown: a key removed or saved outside the pane shows as it is now,
// and a status of the other layout goes.
TEST_F(APIKeyPaneModelTest, ARefreshShowsWhatTheStoreHoldsNowAndKeepsWhatIsTyped) {
    service.on("GET", userRoute, quotaAnswer(5, 10));
    auto model = makeModel();
    save(*model, QStringLiteral("sk-good"));
    ASSERT_EQ(model->layout(), Layout::saved);
    ASSERT_FALSE(model->status().isEmpty());

    store.secrets.clear();
    model->follow();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::entry; }));
    EXPECT_EQ(model->status(), QString()) << "the save's status spoke of a key that has gone";

    service.on("GET", userRoute, Response::error(401, QStringLiteral("invalid_api_key"), {}));
    save(*model, QStringLiteral("sk-typo"));
    const QString rejected = model->status();
    model->follow();
    TestSupport::drainEvents();
    EXPECT_EQ(model->keyInput(), QStringLiteral("sk-typo"));
    EXPECT_EQ(model->status(), rejected);

    store.secrets[apiKeyAccount] = QStringLiteral("sk-elsewhere");
    model->follow();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::saved; }));
    EXPECT_EQ(model->status(), QString());
}

// While shown, the pane follows the key store: a key removed or saved elsewhere shows as it is,
// with no timer. Hidden, it reads nothing.
TEST_F(APIKeyPaneModelTest, WhileShownThePaneFollowsTheKeyStoreAndHiddenItReadsNothing) {
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    auto model = makeModel();
    ASSERT_EQ(model->layout(), Layout::saved);
    store.secrets.clear();
    store.reach.mayAnswerOtherwise();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::entry; }));
    store.secrets[apiKeyAccount] = QStringLiteral("sk-elsewhere");
    store.reach.mayAnswerOtherwise();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::saved; }));

    model->stopFollowing();
    const int lookups = store.lookups;
    store.secrets.clear();
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
    EXPECT_EQ(store.lookups, lookups);
    EXPECT_EQ(model->layout(), Layout::saved);
}

// The desktop's prompt to unlock the keyring for a save is named while it is up, over what an
// earlier save said; a saved key that is not text is named, and its words say a save replaces it.
TEST_F(APIKeyPaneModelTest, AnUnlockPromptUpAndAKeyThatIsNotTextAreNamed) {
    service.on("GET", userRoute, Response::error(401, QStringLiteral("invalid_api_key"), {}));
    auto model = makeModel();
    save(*model, QStringLiteral("sk-typo"));
    ASSERT_FALSE(model->status().isEmpty());

    store.nextLookup = KeychainReadResult::locked(KeychainStatus::awaitingUnlock);
    store.reach.mayAnswerOtherwise();
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return model->status() == keyringStateText(KeyringState::awaitingUnlock); }));
    EXPECT_EQ(model->keyInput(), QStringLiteral("sk-typo"));

    store.nextLookup = KeychainReadResult::error(KeychainStatus::unusable);
    store.reach.mayAnswerOtherwise();
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return model->status() == keyringStateText(KeyringState::unusableKey); }));
    EXPECT_EQ(model->layout(), Layout::entry);
}

TEST_F(APIKeyPaneModelTest, RemovingClearsTheStatusAndShowsWhatTheStoreStillHolds) {
    service.on("GET", userRoute, quotaAnswer(5, 10));
    auto model = makeModel();
    save(*model, QStringLiteral("sk-good"));
    ASSERT_FALSE(model->status().isEmpty());

    store.removeError = KeychainDeleteError{KeychainStatus::failed};
    model->removeKey();
    EXPECT_EQ(model->status(), QString());
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model->layout() == Layout::saved; }));
    EXPECT_EQ(posts, 2);

    store.removeError.reset();
    model->removeKey();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return posts == 3; }));
    TestSupport::drainEvents();
    EXPECT_EQ(model->layout(), Layout::entry);
    EXPECT_EQ(storedKey(), std::nullopt);
}

TEST_F(APIKeyPaneModelTest, TheSavedKeyCredentialReadsTheStoreOnEveryRequest) {
    const auto credential = apiKeyCredential(store);
    std::optional<TTS::Endpoint::KeyResult> result;
    const auto ask = [&] {
        result.reset();
        credential([&](TTS::Endpoint::KeyResult key) { result = std::move(key); });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return result.has_value(); }));
    };
    ask();
    EXPECT_EQ(result->error(), Core::TTSError::noKey());
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    ask();
    EXPECT_EQ(result->value(), QStringLiteral("sk-saved"));
    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    ask();
    EXPECT_EQ(result->error(), Core::TTSError::keyLocked());
    store.nextLookup = KeychainReadResult::error(KeychainStatus::unavailable);
    ask();
    EXPECT_EQ(result->error(), Core::TTSError::keyringUnavailable());
}

} // namespace
