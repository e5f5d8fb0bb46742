#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace Base::Base64 {

// Decodes standard Base64 (RFC 4648 alphabet with "=" padding) and nothing else: the length must
// be a multiple of four, padding may only end the text, and any other character (white space and
// line breaks included) makes the whole text undecodable, as do non-zero bits in the last
// character before the padding (the bytes' one standard encoding has them zero).
std::optional<QByteArray> decodeStrict(QByteArrayView text);

} // namespace Base::Base64
