// The settings file: whatever decodes writes back to a file that decodes to the same values.
#include "Base/PropertyListFile.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto values = Base::PropertyListFile::decode(Fuzz::bytes(data, size));
    if (values) {
        const auto again = Base::PropertyListFile::decode(Base::PropertyListFile::encode(*values));
        Fuzz::require(again.has_value());
    }
    return 0;
}
