// The diagnostics' walk of a service answer.
#include "TTS/DiagJSON.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::require(!TTS::DiagJSON::lines(Fuzz::bytes(data, size)).isEmpty());
    return 0;
}
