// Strict Base64: what decodes is exactly the standard encoding of its bytes.
#include "Base/Base64.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text = Fuzz::bytes(data, size);
    if (const auto decoded = Base::Base64::decodeStrict(text))
        Fuzz::require(decoded->toBase64() == text);
    return 0;
}
