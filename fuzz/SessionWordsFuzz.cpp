// A read's word timings as the session merges them, for any chunks' timings and durations the
// service may send (unsorted, negative, not finite, past the audio): the merged words are every
// word sent, in order of their start, each chunk's words after the chunk before it and within its
// own text, at finite times from zero on, and the word being spoken at a time is the last one
// started by then.
#include "Playback/SpeechSession.h"
#include "fuzz/FuzzInput.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakeTTSProvider.h"
#include "support/ManualTime.h"

#include <QCoreApplication>

#include <cmath>
#include <limits>

namespace {

// Each chunk's text: 22 code units.
const QString chunkText = QStringLiteral("Some words to be read. ");

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }
    // Mostly ordinary times, sometimes one no service should send.
    double time() {
        switch (const uint8_t b = next()) {
        case 255:
            return std::numeric_limits<double>::quiet_NaN();
        case 254:
            return std::numeric_limits<double>::infinity();
        case 253:
            return -std::numeric_limits<double>::infinity();
        default:
            return (double(b) - 20) / 16;
        }
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

struct SentChunk {
    double decoded;
    QList<Core::WordTiming> words;
};

QList<SentChunk> chunksFrom(Input& input) {
    QList<SentChunk> chunks(1 + input.next() % 6);
    for (SentChunk& chunk : chunks) {
        chunk.decoded = 0.5 + input.next() / 16.0;
        for (int w = input.next() % 12; w > 0; --w) {
            const qint64 lower = input.next() % chunkText.size();
            const qint64 upper = lower + input.next() % (chunkText.size() - lower + 1);
            const double start = input.time();
            chunk.words.append({QStringLiteral("w"), {lower, upper}, start, input.time()});
        }
    }
    return chunks;
}

void waitFor(const std::function<bool()>& holds) {
    for (int i = 0; i < 100 && !holds(); ++i)
        QCoreApplication::processEvents();
    Fuzz::require(holds());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "SessionWordsFuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    Input input(data, size);
    const QList<SentChunk> sent = chunksFrom(input);
    const double serviceDuration = input.time();

    QString text;
    QList<Core::Chunk> chunks;
    for (qsizetype i = 0; i < sent.size(); ++i) {
        chunks.append({chunkText, text.size()});
        text += chunkText;
    }
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler(clock);
    auto provider = std::make_shared<TestSupport::FakeTTSProvider>();
    auto session = Playback::SpeechSession::create(
        text, chunks, provider, std::make_shared<TestSupport::FakeChunkPlayerFactory>(),
        Core::VoiceID{QStringLiteral("voice")}, {}, {}, scheduler);
    session->startSynthesis();
    for (qsizetype i = 0; i < sent.size(); ++i) {
        waitFor([&] { return provider->requests().size() > i; });
        provider->succeed(i, TestSupport::FakeChunkPlayerFactory::audio(sent[i].decoded),
                          sent[i].words, serviceDuration);
    }
    qsizetype sentWords = 0;
    for (const SentChunk& chunk : sent)
        sentWords += chunk.words.size();
    const auto& index = session->timingIndex();
    waitFor([&] { return index.words.size() == sentWords; });

    double chunkFloor = 0; // no word of a later chunk starts before the words of an earlier one
    double previousStart = 0;
    for (qsizetype c = 0; c < sent.size(); ++c) {
        const qint64 begin = chunks[c].utf16Offset;
        double chunkLatest = chunkFloor;
        for (const auto& word : index.words) {
            if (word.range.lower < begin || word.range.lower >= begin + chunkText.size())
                continue;
            Fuzz::require(word.range.upper <= begin + chunkText.size());
            Fuzz::require(std::isfinite(word.start) && std::isfinite(word.end));
            Fuzz::require(word.start >= chunkFloor && word.end >= word.start);
            chunkLatest = std::max(chunkLatest, word.start);
        }
        chunkFloor = chunkLatest;
    }
    for (qsizetype w = 0; w < index.words.size(); ++w) {
        Fuzz::require(index.words[w].start >= previousStart);
        previousStart = index.words[w].start;
        // The word being spoken at its own start is it or a later one started at the same time.
        const auto spoken = index.index(index.words[w].start);
        Fuzz::require(spoken && *spoken >= w && index.words[*spoken].start == index.words[w].start);
    }
    if (!index.words.isEmpty() && index.words.first().start > 0)
        Fuzz::require(!index.index(index.words.first().start / 2));
    session->cancel();
    return 0;
}
