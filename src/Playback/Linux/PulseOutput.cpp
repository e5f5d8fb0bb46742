#include "Playback/Linux/PulseOutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>

namespace Playback {

namespace {

// How much the server holds ahead of what is heard: long enough that the stream does not run
// dry while a busy machine keeps this process waiting (60 ms did, at a load of 15), short
// enough that speed and volume changes are still heard within a moment.
constexpr double targetLatencySeconds = 0.25;

class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) {
        pa_threaded_mainloop_lock(loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

void signalLoop(pa_threaded_mainloop* loop) {
    pa_threaded_mainloop_signal(loop, 0);
}

void finish(pa_operation* operation) {
    if (operation)
        pa_operation_unref(operation);
}

int64_t steadyNanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

PulseConnection::PulseConnection() : m_loop(pa_threaded_mainloop_new()) {
    if (m_loop)
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Parlino");
}

PulseConnection::~PulseConnection() {
    if (m_context) {
        {
            LoopLock lock(m_loop);
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_threaded_mainloop_stop(m_loop);
    }
    if (m_loop)
        pa_threaded_mainloop_free(m_loop);
}

std::shared_ptr<PulseConnection> PulseConnection::connect() {
    std::shared_ptr<PulseConnection> connection(new PulseConnection);
    if (!connection->m_context)
        return nullptr;
    pa_context* context = connection->m_context;
    pa_threaded_mainloop* loop = connection->m_loop;
    pa_context_set_state_callback(
        context,
        [](pa_context*, void* loop) { signalLoop(static_cast<pa_threaded_mainloop*>(loop)); },
        loop);
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop) < 0)
        return nullptr;
    LoopLock lock(loop);
    const bool settled = connection->waitUntil([context] {
        return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) ||
               pa_context_get_state(context) == PA_CONTEXT_READY;
    });
    return settled && pa_context_get_state(context) == PA_CONTEXT_READY ? connection : nullptr;
}

bool PulseConnection::isReady() const {
    LoopLock lock(m_loop);
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseConnection::waitUntil(const std::function<bool()>& done) const {
    struct Alarm {
        pa_threaded_mainloop* loop;
        bool rang = false;
    } alarm{m_loop};
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
    timeval deadline{};
    pa_timeval_add(pa_gettimeofday(&deadline), pa_usec_t(timeoutSeconds * PA_USEC_PER_SEC));
    pa_time_event* timer = api->time_new(
        api, &deadline,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto* alarm = static_cast<Alarm*>(data);
            alarm->rang = true;
            signalLoop(alarm->loop);
        },
        &alarm);
    while (!done() && !alarm.rang)
        pa_threaded_mainloop_wait(m_loop);
    api->time_free(timer);
    return done();
}

std::unique_ptr<PulseOutput> PulseOutput::open(std::shared_ptr<PulseConnection> connection,
                                               const PcmFormat& format, PcmSource& source) {
    if (!connection)
        return nullptr;
    LoopLock lock(connection->loop());
    const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, uint32_t(format.sampleRate),
                                      uint8_t(format.channels)};
    pa_stream* stream = pa_stream_new(connection->context(), "speech", &sampleFormat, nullptr);
    if (!stream)
        return nullptr;
    std::unique_ptr<PulseOutput> output(new PulseOutput(connection, format, source, stream));
    pa_stream_set_state_callback(
        stream,
        [](pa_stream*, void* loop) { signalLoop(static_cast<pa_threaded_mainloop*>(loop)); },
        connection->loop());
    pa_stream_set_write_callback(stream, &PulseOutput::onWritable, output.get());
    pa_stream_set_latency_update_callback(stream, &PulseOutput::onTimingUpdated, output.get());

    const auto latencyBytes =
        uint32_t(targetLatencySeconds * format.sampleRate) * uint32_t(pa_frame_size(&sampleFormat));
    const pa_buffer_attr attributes{uint32_t(-1), latencyBytes, uint32_t(-1), uint32_t(-1),
                                    uint32_t(-1)};
    // Timing updates are asked for only while the stream plays (scheduleTimingUpdate): the
    // library's automatic ones would wake the process every 1.5 s for a paused read too.
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                                         PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) < 0)
        return nullptr;
    const bool ready = connection->waitUntil([stream] {
        return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) ||
               pa_stream_get_state(stream) == PA_STREAM_READY;
    });
    if (!ready || pa_stream_get_state(stream) != PA_STREAM_READY)
        return nullptr;
    pa_stream_set_state_callback(stream, &PulseOutput::onStateChanged, output.get());
    return output;
}

PulseOutput::PulseOutput(std::shared_ptr<PulseConnection> connection, const PcmFormat& format,
                         PcmSource& source, pa_stream* stream)
    : m_connection(std::move(connection)), m_format(format), m_source(source), m_stream(stream) {}

PulseOutput::~PulseOutput() {
    LoopLock lock(m_connection->loop());
    cancelDrain();
    cancelTimingUpdates();
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    pa_stream_set_latency_update_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY)
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
}

bool PulseOutput::start() {
    LoopLock lock(m_connection->loop());
    if (pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return false;
    m_running = true;
    cancelDrain();
    finish(pa_stream_cork(m_stream, 0, nullptr, nullptr));
    cancelTimingUpdates();
    scheduleTimingUpdate();
    const size_t writable = pa_stream_writable_size(m_stream);
    if (writable != size_t(-1) && writable > 0)
        write(writable);
    publishPlayout();
    return true;
}

void PulseOutput::pause() {
    LoopLock lock(m_connection->loop());
    m_running = false;
    finish(pa_stream_cork(m_stream, 1, nullptr, nullptr));
    cancelTimingUpdates();
    publishPlayout();
}

void PulseOutput::scheduleTimingUpdate() {
    constexpr uint64_t first = 10 * PA_USEC_PER_MSEC;
    constexpr uint64_t longest = 1500 * PA_USEC_PER_MSEC;
    m_timingIntervalMicroseconds = m_timingIntervalMicroseconds == 0
                                       ? first
                                       : std::min(m_timingIntervalMicroseconds * 2, longest);
    m_timingEvent = pa_context_rttime_new(m_connection->context(),
                                          pa_rtclock_now() + m_timingIntervalMicroseconds,
                                          &PulseOutput::onTimingDue, this);
}

void PulseOutput::cancelTimingUpdates() {
    if (m_timingEvent)
        pa_threaded_mainloop_get_api(m_connection->loop())->time_free(m_timingEvent);
    m_timingEvent = nullptr;
    m_timingIntervalMicroseconds = 0;
}

void PulseOutput::onTimingDue(pa_mainloop_api* api, pa_time_event* event, const timeval*,
                              void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    api->time_free(event);
    output->m_timingEvent = nullptr;
    if (!output->m_running)
        return;
    finish(pa_stream_update_timing_info(output->m_stream, nullptr, nullptr));
    output->scheduleTimingUpdate();
}

int64_t PulseOutput::heardFrames() const {
    return heardFramesAt(m_playout.load(), steadyNanoseconds());
}

// The last measurement and, while the server plays, the time since.
int64_t PulseOutput::heardFramesAt(const Playout& playout, int64_t nanoseconds) const {
    if (!playout.playing)
        return playout.heardFrames;
    const int64_t since = std::max<int64_t>(nanoseconds - playout.measuredAtNanoseconds, 0) *
                          m_format.sampleRate / 1000000000;
    return std::min(playout.heardFrames + since, playout.writtenFrames);
}

void PulseOutput::publishPlayout() {
    const int64_t now = steadyNanoseconds();
    pa_usec_t latency = 0;
    int negative = 0;
    int64_t heard = 0; // no timing yet: nothing has been heard
    if (pa_stream_get_latency(m_stream, &latency, &negative) >= 0) {
        const auto pending =
            negative ? 0 : int64_t(latency * uint64_t(m_format.sampleRate) / PA_USEC_PER_SEC);
        heard = std::max<int64_t>(m_writtenFrames - pending, 0);
    }
    const pa_timing_info* timing = pa_stream_get_timing_info(m_stream);
    m_lastPlayout = {m_writtenFrames, std::max(heard, heardFramesAt(m_lastPlayout, now)), now,
                     m_running && timing && timing->playing && !pa_stream_is_corked(m_stream)};
    m_playout.store(m_lastPlayout);
}

void PulseOutput::onTimingUpdated(pa_stream*, void* self) {
    static_cast<PulseOutput*>(self)->publishPlayout();
}

// A ready stream fails or ends when the server goes away or drops it.
void PulseOutput::onStateChanged(pa_stream* stream, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    signalLoop(output->m_connection->loop());
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) || output->m_failed)
        return;
    output->m_failed = true;
    output->m_running = false;
    output->publishPlayout();
    output->m_source.failed();
}

void PulseOutput::onWritable(pa_stream*, size_t bytes, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    if (output->m_running && !output->m_drain)
        output->write(bytes);
}

void PulseOutput::write(size_t bytes) {
    void* data = nullptr;
    if (pa_stream_begin_write(m_stream, &data, &bytes) < 0 || !data)
        return;
    const size_t frameBytes = sizeof(float) * size_t(m_format.channels);
    const size_t wanted = bytes / frameBytes;
    const size_t rendered = m_source.render(static_cast<float*>(data), wanted);
    if (rendered > 0)
        pa_stream_write(m_stream, data, rendered * frameBytes, nullptr, 0, PA_SEEK_RELATIVE);
    else
        pa_stream_cancel_write(m_stream);
    m_writtenFrames += int64_t(rendered);
    if (rendered < wanted)
        m_drain = pa_stream_drain(m_stream, &PulseOutput::onDrained, this);
    publishPlayout();
}

void PulseOutput::onDrained(pa_stream*, int success, void* self) {
    auto* output = static_cast<PulseOutput*>(self);
    finish(output->m_drain);
    output->m_drain = nullptr;
    if (success)
        output->m_source.drained();
}

void PulseOutput::cancelDrain() {
    if (!m_drain)
        return;
    pa_operation_cancel(m_drain);
    finish(m_drain);
    m_drain = nullptr;
}

} // namespace Playback
