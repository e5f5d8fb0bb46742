#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <type_traits>

namespace Playback {

// A small value that one thread at a time writes (the writers hold a lock of their own) and any
// thread reads without waiting on that lock: a read that overlapped a write is made again.
template <class T> class Published {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    explicit Published(const T& value = T()) { store(value); }

    void store(const T& value) {
        std::array<uint64_t, wordCount> words{};
        std::memcpy(words.data(), &value, sizeof(T));
        const uint64_t sequence = m_sequence.load(std::memory_order_relaxed);
        m_sequence.store(sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        for (size_t i = 0; i < wordCount; ++i)
            m_words[i].store(words[i], std::memory_order_relaxed);
        m_sequence.store(sequence + 2, std::memory_order_release);
    }

    T load() const {
        std::array<uint64_t, wordCount> words{};
        for (int attempt = 0;; ++attempt) {
            const uint64_t before = m_sequence.load(std::memory_order_acquire);
            if (before % 2 == 0) {
                for (size_t i = 0; i < wordCount; ++i)
                    words[i] = m_words[i].load(std::memory_order_relaxed);
                std::atomic_thread_fence(std::memory_order_acquire);
                if (m_sequence.load(std::memory_order_relaxed) == before)
                    break;
            }
            if (attempt > 64) // the writer was descheduled mid-write
                std::this_thread::yield();
        }
        T value;
        std::memcpy(static_cast<void*>(&value), words.data(), sizeof(T));
        return value;
    }

private:
    static constexpr size_t wordCount = (sizeof(T) + sizeof(uint64_t) - 1) / sizeof(uint64_t);

    std::atomic<uint64_t> m_sequence = 0;
    std::array<std::atomic<uint64_t>, wordCount> m_words{};
};

} // namespace Playback
