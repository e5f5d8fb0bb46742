// The settings file: whatever decodes writes back to a file that decodes to the same values
// (compared by their encoding, which spells a NaN the same way every time).
#include "Base/PropertyListFile.h"
#include "fuzz/FuzzInput.h"

namespace File = Base::PropertyListFile;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto values = File::decode(Fuzz::bytes(data, size));
    if (values) {
        const QByteArray written = File::encode(*values);
        const auto again = File::decode(written);
        Fuzz::require(again.hasValue() && File::encode(*again) == written);
    }
    return 0;
}
