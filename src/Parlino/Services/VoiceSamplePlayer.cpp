#include "Parlino/Services/VoiceSamplePlayer.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Base/MainThread.h"
#include "Core/StableHash.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("voiceSample"));

// Far beyond a voice's sample of a few seconds.
constexpr qint64 maxSampleBytes = VoiceSamplePlayer::sampleDownloadBounds.maxBytes;

// A sample file's bytes; nothing for anything but a regular file of at most maxSampleBytes (a pipe
// in the cache folder must not block, a device not be read).
std::optional<QByteArray> readFile(const QString& path, Base::Files::Links links) {
    auto bytes =
        Base::Files::readRegular(QFile::encodeName(path).toStdString(), maxSampleBytes, links);
    if (!bytes)
        return std::nullopt;
    return std::move(bytes).value();
}

// A bundled resource is a plain file name inside the bundle folder, never a path.
bool isPlainFileName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && name != u"." && name != u"..";
}

// The cache folder, made when it is missing, below the folder holding it (the application's own
// cache folder) without following a link.
std::optional<Base::Files::Folder> cacheFolder(const QString& cacheRoot) {
    const std::filesystem::path path = QFile::encodeName(cacheRoot).toStdString();
    using Base::Files::Missing;
    const auto parent = Base::Files::Folder::open(path.parent_path(), Missing::create);
    auto folder = parent ? parent->folder(path.filename(), Missing::create) : parent;
    if (!folder) {
        log.error("sample cache unavailable: %{public}s", Base::Files::describe(folder.error()));
        return std::nullopt;
    }
    return std::move(folder).value();
}

std::filesystem::path toPath(const QString& file) {
    return QFile::encodeName(file).toStdString();
}

} // namespace

std::optional<VoiceSampleSource> VoiceSampleSource::make(const std::optional<QString>& resource,
                                                         const std::optional<QUrl>& url) {
    if (resource)
        return bundled(*resource);
    if (url)
        return provider(*url);
    return std::nullopt;
}

VoiceSamplePlayer::VoiceSamplePlayer(QString cacheRoot, QString bundle,
                                     Playback::ChunkPlayerFactory& players, Download download,
                                     QObject* parent)
    : QObject(parent), m_cacheRoot(std::move(cacheRoot)), m_bundle(std::move(bundle)),
      m_players(players), m_download(std::move(download)) {
    cacheFolder(m_cacheRoot);
}

VoiceSamplePlayer::~VoiceSamplePlayer() {
    m_loadTask.request_stop();
}

QString VoiceSamplePlayer::defaultCacheRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/com.parlino.app/voice-samples");
}

VoiceSamplePlayer::Download VoiceSamplePlayer::httpDownload(QNetworkAccessManager& session,
                                                            DownloadBounds bounds) {
    return [&session, bounds](const QUrl& url, DownloadCompletion completion,
                              std::stop_token cancel) {
        if (cancel.stop_requested())
            return;
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        QNetworkReply* reply = session.get(request);
        // Aborting finishes the reply at once; the handler then sees the stop and stays silent.
        auto abort = std::make_shared<std::stop_callback<std::function<void()>>>(
            cancel, std::function<void()>([reply] { reply->abort(); }));
        // A sample too large or too slow is given up, however its bytes trickle.
        QTimer::singleShot(bounds.totalMilliseconds, reply, [reply] {
            log.notice("sample download gave up: not complete in time");
            reply->abort();
        });
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [reply, bounds](qint64 received, qint64 total) {
                             if (std::max(received, total) <= bounds.maxBytes)
                                 return;
                             log.notice("sample download gave up: larger than %{public}lld bytes",
                                        static_cast<long long>(bounds.maxBytes));
                             reply->abort();
                         });
        QObject::connect(reply, &QNetworkReply::finished, reply,
                         [reply, bounds, cancel, abort, completion = std::move(completion)] {
                             reply->deleteLater();
                             if (cancel.stop_requested())
                                 return;
                             const QVariant status =
                                 reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                             const bool whole = reply->error() == QNetworkReply::NoError &&
                                                reply->bytesAvailable() <= bounds.maxBytes;
                             if (whole && status.isValid() && status.toInt() == 200)
                                 completion(reply->readAll());
                             else
                                 completion(std::nullopt);
                         });
    };
}

QString VoiceSamplePlayer::cacheFile(const QUrl& url) const {
    const quint64 hash = Core::stableHash(url.toString(QUrl::FullyEncoded));
    return m_cacheRoot + u'/' + QString::number(hash) + QStringLiteral(".mp3");
}

void VoiceSamplePlayer::setGain(float gain) {
    gain = gain > 0.0f ? std::min(gain, 1.0f) : 0.0f; // not a number: silent
    if (m_player)
        m_player->setVolume(gain);
    if (gain == m_gain)
        return;
    m_gain = gain;
    emit gainChanged();
}

void VoiceSamplePlayer::toggle(const QString& voiceID, const VoiceSampleSource& source) {
    if (m_state == State::playing(voiceID))
        stop();
    else
        play(voiceID, source);
}

void VoiceSamplePlayer::play(const QString& voiceID, const VoiceSampleSource& source) {
    stop();
    if (onSampleWillStart)
        onSampleWillStart();
    setState(State::loading(voiceID));
    m_loadTask = std::stop_source();
    Base::MainThread::post(*this, [this, voiceID, source, cancel = m_loadTask.get_token()] {
        if (!cancel.stop_requested())
            load(voiceID, source, cancel);
    });
}

void VoiceSamplePlayer::stop() {
    m_loadTask.request_stop();
    if (m_player)
        m_player->stop();
    m_player.reset();
    setState(State::idle());
}

void VoiceSamplePlayer::load(const QString& voiceID, const VoiceSampleSource& source,
                             std::stop_token cancel) {
    if (source.kind() == VoiceSampleSource::Kind::bundled) {
        const QString& name = source.resource();
        const auto bytes = isPlainFileName(name)
                               ? readFile(QDir(m_bundle).filePath(name), Base::Files::Links::follow)
                               : std::nullopt;
        start(voiceID, cancel, bytes, Origin::bundle, {});
        return;
    }
    const QString file = cacheFile(source.url());
    if (const auto cached = readFile(file, Base::Files::Links::refuse)) {
        start(voiceID, cancel, cached, Origin::cache, file);
        return;
    }
    m_download(
        source.url(),
        [self = QPointer(this), voiceID, cancel, file](std::optional<QByteArray> body) {
            if (self)
                self->start(voiceID, cancel, body, Origin::download, file);
        },
        cancel);
}

void VoiceSamplePlayer::start(const QString& voiceID, const std::stop_token& cancel,
                              const std::optional<QByteArray>& bytes, Origin origin,
                              const QString& file) {
    if (cancel.stop_requested() || !m_state.isBusyWith(voiceID))
        return;
    auto made = bytes && !bytes->isEmpty()
                    ? m_players.makePlayer(*bytes)
                    : Base::failure(Playback::AudioDecodeError{QStringLiteral("no sample")});
    if (!made) {
        if (const auto folder = origin == Origin::cache ? cacheFolder(m_cacheRoot) : std::nullopt)
            folder->remove(toPath(file).filename());
        log.notice("sample unavailable (idHash=%{public}llu)", Core::stableHash(voiceID));
        setState(State::idle());
        return;
    }
    if (const auto folder = origin == Origin::download ? cacheFolder(m_cacheRoot) : std::nullopt)
        Base::Files::replaceRegular(*folder, toPath(file).filename(), *bytes);
    m_player = std::move(made).value();
    m_player->setVolume(m_gain);
    m_player->setOnFinish([self = QPointer(this), voiceID] {
        if (self && self->m_state.isBusyWith(voiceID))
            self->setState(State::idle());
    });
    setState(State::playing(voiceID));
    m_player->play();
}

void VoiceSamplePlayer::setState(State state) {
    if (state == m_state)
        return;
    m_state = std::move(state);
    emit stateChanged();
}

} // namespace Parlino
