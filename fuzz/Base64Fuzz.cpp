// Strict Base64: what decodes is exactly the standard encoding of its bytes, and the standard
// encoding of any bytes decodes back to them.
#include "Base/Base64.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = Fuzz::bytes(data, size);
    if (const auto decoded = Base::Base64::decodeStrict(bytes))
        Fuzz::require(decoded->toBase64() == bytes);
    const auto again = Base::Base64::decodeStrict(bytes.toBase64());
    Fuzz::require(again && *again == bytes);
    return 0;
}
