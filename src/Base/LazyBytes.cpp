#include "Base/LazyBytes.h"

#include "Base/Files.h"

#include <utility>

namespace Base {

LazyBytes::LazyBytes(QByteArray bytes) : m_bytes(std::move(bytes)), m_size(m_bytes.size()) {}

LazyBytes LazyBytes::inFile(std::filesystem::path file, qint64 size,
                            std::shared_ptr<const void> owner) {
    LazyBytes bytes;
    bytes.m_file = std::move(file);
    bytes.m_size = size;
    bytes.m_owner = std::move(owner);
    return bytes;
}

QByteArray LazyBytes::bytes() const {
    if (!m_file)
        return m_bytes;
    auto read = Files::readRegular(*m_file, m_size, Files::Links::refuse);
    return read && read->size() == m_size ? std::move(read).value() : QByteArray();
}

} // namespace Base
