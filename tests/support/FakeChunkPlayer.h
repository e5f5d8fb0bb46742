#pragma once

#include "Playback/ChunkPlayer.h"

#include <QList>

#include <algorithm>
#include <functional>
#include <memory>

namespace TestSupport {

// A player that does nothing by itself: the test moves its position and finishes it.
class FakeChunkPlayer : public Playback::ChunkPlayer {
public:
    explicit FakeChunkPlayer(QByteArray data, double duration)
        : data(std::move(data)), m_duration(duration) {}
    ~FakeChunkPlayer() override {
        if (onDestroyed)
            onDestroyed();
    }

    double duration() const override { return m_duration; }
    double currentTime() const override { return m_currentTime; }
    void setCurrentTime(double seconds) override { m_currentTime = seconds; }
    float rate() const override { return m_rate; }
    void setRate(float rate) override { m_rate = std::clamp(rate, 0.5f, 2.0f); }
    float volume() const override { return m_volume; }
    void setVolume(float volume) override { m_volume = std::clamp(volume, 0.0f, 1.0f); }
    float averagePower() override {
        ++meterReads;
        return power;
    }
    void play() override { playing = true; }
    void pause() override { playing = false; }
    void stop() override {
        playing = false;
        stopped = true;
    }

    // The sound output went away while it played.
    void fail() {
        playing = false;
        notifyFailed();
    }
    // Plays to the end: the finish reaches the owner as the real player's does.
    void finish() {
        m_currentTime = m_duration;
        playing = false;
        notifyFinished();
    }

    QByteArray data;
    bool playing = false;
    bool stopped = false;
    float power = -20.0f;
    int meterReads = 0;
    std::function<void()> onDestroyed;

private:
    double m_duration;
    double m_currentTime = 0;
    float m_rate = 1.0f;
    float m_volume = 1.0f;
};

// Makes fake players. Audio is "duration:<seconds>"; anything else does not decode.
class FakeChunkPlayerFactory : public Playback::ChunkPlayerFactory {
public:
    static QByteArray audio(double seconds) { return "duration:" + QByteArray::number(seconds); }

    Base::Result<std::unique_ptr<Playback::ChunkPlayer>, Playback::AudioDecodeError>
    makePlayer(const QByteArray& data) override {
        if (!data.startsWith("duration:"))
            return Base::failure(Playback::AudioDecodeError{QStringLiteral("not audio")});
        auto player = std::make_unique<FakeChunkPlayer>(data, data.mid(9).toDouble());
        player->setVolume(gain);
        player->onDestroyed = [alive = m_alive, index = made.size()] { (*alive)[index] = false; };
        m_alive->append(true);
        made.append(player.get());
        return std::unique_ptr<Playback::ChunkPlayer>(std::move(player));
    }
    bool decodes(const QByteArray& data) override { return data.startsWith("duration:"); }
    void setGain(float value) override { gain = std::clamp(value, 0.0f, 1.0f); }

    // Whether the player `made[index]` still exists (its owner has not released it).
    bool isAlive(qsizetype index) const { return m_alive->at(index); }

    // Every player made, in order (the session owns them; only the last may still be alive).
    QList<FakeChunkPlayer*> made;
    float gain = 1.0f;

private:
    std::shared_ptr<QList<bool>> m_alive = std::make_shared<QList<bool>>();
};

} // namespace TestSupport
