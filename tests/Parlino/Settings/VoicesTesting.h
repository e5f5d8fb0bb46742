#pragma once

#include "Parlino/Services/VoiceSamplePlayer.h"
#include "Parlino/Services/VoicesModel.h"
#include "Parlino/Services/ServicesTesting.h"

#include "support/EventLoop.h"
#include "support/FakeChunkPlayer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <deque>

namespace VoicesTesting {

inline TTS::Voice voice(const QString& id, const QString& name,
                        const QString& category = QStringLiteral("premade"), bool onHold = false,
                        bool withPreview = true) {
    return {id, name, category,
            onHold ? std::optional<QString>(QStringLiteral("CAPTCHA")) : std::nullopt,
            withPreview
                ? std::optional<QUrl>(QUrl(QStringLiteral("https://example.test/%1.mp3").arg(id)))
                : std::nullopt};
}

// `count` voices, a third of them the account's own, every seventh on hold, with names of
// varied lengths.
inline QList<TTS::Voice> manyVoices(int count) {
    static const QStringList names{u"Aria"_qs,    u"Roger - Laid-Back, Casual"_qs,
                                   u"Sarah"_qs,   u"Laura - Enthusiast, Quirky"_qs,
                                   u"Charlie"_qs, u"Maximilian the Extraordinarily Long"_qs,
                                   u"Lily"_qs};
    QList<TTS::Voice> voices;
    for (int i = 0; i < count; ++i)
        voices.append(voice(u"voice-%1"_qs.arg(i), u"%1 %2"_qs.arg(names[i % names.size()]).arg(i),
                            i % 3 == 2 ? u"cloned"_qs : u"premade"_qs, i % 7 == 6));
    return voices;
}

// The services the voices browsers use: a voices model whose fetches wait for the test, a
// sample player whose downloads wait for the test, and settings in a temporary suite.
struct VoicesWorld {
    // Answers the oldest waiting fetch.
    void answerFetch(Parlino::VoicesModel::FetchResult result) {
        auto completion = std::move(fetches.front());
        fetches.pop_front();
        completion(std::move(result));
    }
    void load(const QList<TTS::Voice>& voices) {
        model.refresh();
        answerFetch(voices);
    }
    void fail(const Core::TTSError& error) {
        model.refresh();
        answerFetch(Base::failure(error));
    }
    // Lets the oldest sample download finish, so its sample plays.
    void finishSample() {
        TestSupport::drainEvents();
        ASSERT_FALSE(downloads.empty());
        auto completion = std::move(downloads.front());
        downloads.pop_front();
        completion(TestSupport::FakeChunkPlayerFactory::audio(2));
    }

    ServicesTesting::TestSettings settings;
    bool hasKey = true;
    std::deque<std::function<void(Parlino::VoicesModel::FetchResult)>> fetches;
    Parlino::VoicesModel model{
        [this] { return hasKey; },
        [this](auto completion) { fetches.push_back(std::move(completion)); }};
    QTemporaryDir cache;
    TestSupport::FakeChunkPlayerFactory players;
    std::deque<Parlino::VoiceSamplePlayer::DownloadCompletion> downloads;
    QList<QUrl> requested;
    Parlino::VoiceSamplePlayer samples{cache.path(), cache.path(), players,
                                       [this](const QUrl& url, auto completion, std::stop_token) {
                                           requested.append(url);
                                           downloads.push_back(std::move(completion));
                                       }};
};

} // namespace VoicesTesting
