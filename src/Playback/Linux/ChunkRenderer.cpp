#include "Playback/Linux/ChunkRenderer.h"

#include <algorithm>
#include <cmath>

namespace Playback {

namespace {
// Source frames handed to the stretcher at a time.
constexpr int64_t stretchBlockFrames = 1024;
// How far back the output may still be playing what was rendered.
constexpr int historySeconds = 2;
} // namespace

ChunkRenderer::ChunkRenderer(std::unique_ptr<Mpg123Decoder> decoder,
                             std::function<void()> onDrained, std::function<void()> onFailed)
    : m_format(decoder->format()), m_totalFrames(decoder->totalFrames()),
      m_onDrained(std::move(onDrained)), m_onFailed(std::move(onFailed)),
      m_decoder(std::move(decoder)), m_meter(m_format.sampleRate) {
    m_stretcher.setSampleRate(uint(m_format.sampleRate));
    m_stretcher.setChannels(uint(m_format.channels));
    m_segments.push_back({0, 0, 0});
    publishTimeline();
}

double ChunkRenderer::position(int64_t heardFrames) const {
    const double frame = m_timeline.load().sourceFrameAt(heardFrames);
    return std::clamp(frame, 0.0, double(m_totalFrames)) / m_format.sampleRate;
}

float ChunkRenderer::power(int64_t heardFrames) const {
    return m_meter.power(heardFrames);
}

bool ChunkRenderer::hasRunDry() const {
    std::lock_guard lock(m_mutex);
    return m_ranDry;
}

void ChunkRenderer::seek(double seconds) {
    std::lock_guard lock(m_mutex);
    const double frame = std::clamp(seconds * m_format.sampleRate, 0.0, double(m_totalFrames));
    restartFrom(frame);
    // What the output still holds from before the seek is heard as the new position.
    m_segments.assign({{m_renderedFrames, frame, 0}});
    m_ranDry = false;
    publishTimeline();
}

void ChunkRenderer::setTempo(float tempo) {
    std::lock_guard lock(m_mutex);
    if (tempo == m_tempo)
        return;
    restartFrom(nextSourceFrame());
    m_tempo = tempo;
    m_stretcher.setTempo(tempo);
}

void ChunkRenderer::setGain(float gain) {
    std::lock_guard lock(m_mutex);
    m_gain = gain;
}

size_t ChunkRenderer::render(float* out, size_t frames) {
    std::lock_guard lock(m_mutex);
    const Segment segment{m_renderedFrames, nextSourceFrame(), m_tempo};
    const int channels = m_format.channels;
    size_t written = 0;
    while (written < frames) {
        float* at = out + written * size_t(channels);
        const size_t n = m_tempo == 1.0 ? renderDirect(at, frames - written)
                                        : renderStretched(at, frames - written);
        if (n == 0)
            break;
        written += n;
    }
    if (m_gain != 1.0f)
        std::for_each(out, out + written * size_t(channels), [this](float& s) { s *= m_gain; });
    m_meter.append(out, int64_t(written), channels);

    if (m_segments.back().outputFrame == segment.outputFrame)
        m_segments.back() = segment;
    else
        m_segments.push_back(segment);
    m_renderedFrames += int64_t(written);
    const int64_t oldest = m_renderedFrames - int64_t(historySeconds) * m_format.sampleRate;
    while (m_segments.size() > 1 && m_segments[1].outputFrame <= oldest)
        m_segments.pop_front();
    m_ranDry = written < frames;
    publishTimeline();
    return written;
}

size_t ChunkRenderer::renderDirect(float* out, size_t frames) {
    const auto samples = take(int64_t(frames));
    std::copy(samples.begin(), samples.end(), out);
    return samples.size() / size_t(m_format.channels);
}

size_t ChunkRenderer::renderStretched(float* out, size_t frames) {
    while (m_stretcher.numSamples() < frames && !m_stretcherFlushed) {
        const auto samples = take(stretchBlockFrames);
        if (!samples.empty()) {
            m_stretcher.putSamples(samples.data(), uint(samples.size()) / uint(m_format.channels));
        } else {
            m_stretcher.flush();
            m_stretcherFlushed = true;
        }
    }
    return m_stretcher.receiveSamples(out, uint(frames));
}

double ChunkRenderer::nextSourceFrame() const {
    if (m_tempo == 1.0)
        return double(m_readFrame);
    const double inFlight =
        m_stretcher.numUnprocessedSamples() + m_stretcher.numSamples() * m_tempo;
    return std::max(0.0, double(m_readFrame) - inFlight);
}

std::span<const float> ChunkRenderer::take(int64_t frames) {
    if (m_decoded.empty())
        m_decoded = m_decoder->decodeNext();
    const auto channels = size_t(m_format.channels);
    const auto samples = m_decoded.first(std::min(m_decoded.size(), size_t(frames) * channels));
    m_decoded = m_decoded.subspan(samples.size());
    m_readFrame += int64_t(samples.size() / channels);
    return samples;
}

void ChunkRenderer::restartFrom(double sourceFrame) {
    const int64_t frame = std::llround(sourceFrame);
    if (frame != m_readFrame) {
        m_decoder->seek(frame);
        m_decoded = {};
        m_readFrame = frame;
    }
    m_stretcher.clear();
    m_stretcherFlushed = false;
}

void ChunkRenderer::publishTimeline() {
    Timeline timeline;
    timeline.count = std::min(m_segments.size(), Timeline::capacity);
    std::copy(m_segments.end() - std::ptrdiff_t(timeline.count), m_segments.end(),
              timeline.segments.begin());
    m_timeline.store(timeline);
}

double ChunkRenderer::Timeline::sourceFrameAt(int64_t outputFrame) const {
    const auto begin = segments.begin();
    const auto end = begin + std::ptrdiff_t(count);
    auto segment = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(begin),
                                [&](const Segment& s) { return s.outputFrame <= outputFrame; });
    if (segment == std::make_reverse_iterator(begin))
        return begin->sourceFrame;
    return segment->sourceFrame + double(outputFrame - segment->outputFrame) * segment->tempo;
}

} // namespace Playback
