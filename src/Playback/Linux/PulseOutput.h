#pragma once

#include "Playback/Linux/PcmOutput.h"
#include "Playback/Linux/Published.h"

#include <functional>
#include <memory>

struct pa_context;
struct pa_mainloop_api;
struct pa_operation;
struct pa_stream;
struct pa_threaded_mainloop;
struct pa_time_event;
struct timeval;

namespace Playback {

// A connection to the PulseAudio server (PipeWire serves it too), shared by every stream. Its
// callbacks run on a thread of its own; nothing waits on the server longer than a time-out.
class PulseConnection {
public:
    static constexpr double timeoutSeconds = 2.0;

    // Null when no server answers within the time-out.
    static std::shared_ptr<PulseConnection> connect();
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    bool isReady() const;

    pa_threaded_mainloop* loop() const { return m_loop; }
    pa_context* context() const { return m_context; }
    // With the loop locked: waits until `done` holds or the time-out passes; returns `done()`.
    bool waitUntil(const std::function<bool()>& done) const;

private:
    PulseConnection();

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
};

// A playback stream on the sound server, written from the server's requests. What it still holds
// is measured on the connection's thread and read without taking the connection's lock.
class PulseOutput : public PcmOutput {
public:
    // Null when the server refuses the stream or does not answer in time.
    static std::unique_ptr<PulseOutput> open(std::shared_ptr<PulseConnection> connection,
                                             const PcmFormat& format, PcmSource& source);
    ~PulseOutput() override;

    bool start() override;
    void pause() override;
    int64_t heardFrames() const override;

private:
    PulseOutput(std::shared_ptr<PulseConnection> connection, const PcmFormat& format,
                PcmSource& source, pa_stream* stream);
    static void onStateChanged(pa_stream* stream, void* self);
    static void onWritable(pa_stream* stream, size_t bytes, void* self);
    static void onDrained(pa_stream* stream, int success, void* self);
    static void onTimingUpdated(pa_stream* stream, void* self);
    static void onTimingDue(pa_mainloop_api* api, pa_time_event* event, const timeval* time,
                            void* self);
    void write(size_t bytes);
    void cancelDrain();
    // With the loop locked: while the stream plays, asks the server for its timing, soon after
    // the start and then less and less often; nothing at all while it is paused.
    void scheduleTimingUpdate();
    void cancelTimingUpdates();
    // With the loop locked: measures what has been heard for heardFrames().
    void publishPlayout();

    // Frames written and heard when last measured, and whether the server has been playing
    // since. The heard count never steps back, so neither does the position told from it.
    struct Playout {
        int64_t writtenFrames = 0;
        int64_t heardFrames = 0;
        int64_t measuredAtNanoseconds = 0; // on the steady clock
        bool playing = false;
    };
    int64_t heardFramesAt(const Playout& playout, int64_t nanoseconds) const;

    const std::shared_ptr<PulseConnection> m_connection;
    const PcmFormat m_format;
    PcmSource& m_source;
    pa_stream* const m_stream;
    // Guarded by the connection's loop lock.
    bool m_running = false;
    bool m_failed = false;
    pa_operation* m_drain = nullptr;
    pa_time_event* m_timingEvent = nullptr;
    uint64_t m_timingIntervalMicroseconds = 0;
    int64_t m_writtenFrames = 0;
    Playout m_lastPlayout; // the writer's copy of m_playout
    Published<Playout> m_playout;
};

} // namespace Playback
