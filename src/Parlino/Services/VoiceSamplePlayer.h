#pragma once

#include "Playback/ChunkPlayer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class QNetworkAccessManager;

namespace Parlino {

// Where a voice's preview sample comes from: a sound file shipped with the application, or the
// voice's preview address at the service.
class VoiceSampleSource {
public:
    enum class Kind { bundled, provider };

    static VoiceSampleSource bundled(QString resource) {
        return {Kind::bundled, std::move(resource), {}};
    }
    static VoiceSampleSource provider(QUrl url) { return {Kind::provider, {}, std::move(url)}; }
    // Bundled when a resource is named, else the address when there is one, else no sample.
    static std::optional<VoiceSampleSource> make(const std::optional<QString>& resource,
                                                 const std::optional<QUrl>& url);

    Kind kind() const { return m_kind; }
    const QString& resource() const { return m_resource; }
    const QUrl& url() const { return m_url; }

    friend bool operator==(const VoiceSampleSource&, const VoiceSampleSource&) = default;

private:
    VoiceSampleSource(Kind kind, QString resource, QUrl url)
        : m_kind(kind), m_resource(std::move(resource)), m_url(std::move(url)) {}

    Kind m_kind;
    QString m_resource;
    QUrl m_url;
};

// Plays the short preview sample of a voice. Downloaded samples are kept in a cache folder, one
// file per address, so that each is fetched once; a cached file that does not decode is deleted
// and fetched again at the next press. Main thread only.
class VoiceSamplePlayer : public QObject {
    Q_OBJECT

public:
    class State {
    public:
        enum class Kind { loading, playing, idle };

        static State loading(QString voiceID) { return {Kind::loading, std::move(voiceID)}; }
        static State playing(QString voiceID) { return {Kind::playing, std::move(voiceID)}; }
        static State idle() { return {Kind::idle, {}}; }

        Kind kind() const { return m_kind; }
        const QString& voiceID() const { return m_voiceID; }
        // Loading or playing this voice.
        bool isBusyWith(const QString& voiceID) const {
            return m_kind != Kind::idle && m_voiceID == voiceID;
        }

        friend bool operator==(const State&, const State&) = default;

    private:
        State(Kind kind, QString voiceID) : m_kind(kind), m_voiceID(std::move(voiceID)) {}

        Kind m_kind;
        QString m_voiceID;
    };

    // The body of an answer with status 200, or nothing for any other answer or a failed transfer.
    using DownloadCompletion = std::function<void(std::optional<QByteArray>)>;
    // Fetches an address; the completion runs later on the main thread, once, unless `cancel`
    // is stopped first.
    using Download =
        std::function<void(const QUrl& url, DownloadCompletion completion, std::stop_token cancel)>;

    // `bundle` is the folder of the application's own sound files.
    VoiceSamplePlayer(QString cacheRoot, QString bundle, Playback::ChunkPlayerFactory& players,
                      Download download, QObject* parent = nullptr);
    ~VoiceSamplePlayer() override;

    // "com.parlino.app/voice-samples" in the user's cache folder.
    static QString defaultCacheRoot();
    // How much a sample's download may take: a longer or larger answer is given up as failed.
    struct DownloadBounds {
        qint64 maxBytes;
        int totalMilliseconds;
    };
    static constexpr DownloadBounds sampleDownloadBounds{qint64(16) << 20, 60'000};
    // Plain GETs through `session`, within `bounds`.
    static Download httpDownload(QNetworkAccessManager& session,
                                 DownloadBounds bounds = sampleDownloadBounds);

    const State& state() const { return m_state; }
    const QString& cacheRoot() const { return m_cacheRoot; }
    // The cache file of a preview address.
    QString cacheFile(const QUrl& url) const;

    float gain() const { return m_gain; }
    // Clamped to 0…1; applies to the sample playing and to every later one.
    void setGain(float gain);

    // Stops the voice's sample when it plays; otherwise (idle, another voice, or this voice still
    // loading) starts it.
    void toggle(const QString& voiceID, const VoiceSampleSource& source);
    void play(const QString& voiceID, const VoiceSampleSource& source);
    void stop();

    // Called just before a new sample starts loading.
    std::function<void()> onSampleWillStart;

signals:
    void stateChanged();
    void gainChanged();

private:
    // Where a sample's bytes came from: a cached file is deleted when it does not decode, a
    // download is cached once it does.
    enum class Origin { bundle, cache, download };

    void load(const QString& voiceID, const VoiceSampleSource& source, std::stop_token cancel);
    void start(const QString& voiceID, const std::stop_token& cancel,
               const std::optional<QByteArray>& bytes, Origin origin, const QString& file);
    void setState(State state);

    QString m_cacheRoot;
    QString m_bundle;
    Playback::ChunkPlayerFactory& m_players;
    Download m_download;
    State m_state = State::idle();
    float m_gain = 1.0f;
    std::unique_ptr<Playback::ChunkPlayer> m_player;
    std::stop_source m_loadTask;
};

} // namespace Parlino
