#pragma once

#include <QByteArray>

#include <filesystem>
#include <memory>
#include <optional>

namespace Base {

// Bytes at hand, or bytes kept in a file and read from it each time they are asked for: holding
// many of them costs no memory beyond the one in use. Copies are cheap; asking from several
// threads at once is safe.
class LazyBytes {
public:
    LazyBytes() = default;
    // Bytes at hand convert implicitly, as they do to QByteArray.
    LazyBytes(QByteArray bytes);                                   // NOLINT
    LazyBytes(const char* bytes) : LazyBytes(QByteArray(bytes)) {} // NOLINT
    // The `size` bytes of `file`. Only a regular file of exactly that size is read, and neither it
    // nor its folder may be a link; anything else reads as empty bytes. `owner`, when given, is
    // kept alive as long as any copy: whatever removes the file when it goes.
    static LazyBytes inFile(std::filesystem::path file, qint64 size,
                            std::shared_ptr<const void> owner = nullptr);

    QByteArray bytes() const;
    operator QByteArray() const { return bytes(); } // NOLINT
    // The number of bytes, without reading them.
    qint64 size() const { return m_size; }
    // The file the bytes are read from; none for bytes at hand.
    const std::optional<std::filesystem::path>& file() const { return m_file; }

    friend bool operator==(const LazyBytes& a, const LazyBytes& b) {
        return a.size() == b.size() && a.bytes() == b.bytes();
    }

private:
    QByteArray m_bytes;
    std::optional<std::filesystem::path> m_file;
    qint64 m_size = 0;
    std::shared_ptr<const void> m_owner;
};

} // namespace Base
