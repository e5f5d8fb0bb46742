// The settings file: whatever decodes writes back to a file that decodes to the same values, each
// of the same type (a NaN counts as equal to itself here).
#include "Base/PropertyListFile.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <cmath>

namespace File = Base::PropertyListFile;
using Base::PropertyValue;

namespace {

bool sameReal(double a, double b) {
    return a == b ? std::signbit(a) == std::signbit(b) : std::isnan(a) && std::isnan(b);
}

bool same(const PropertyValue& a, const PropertyValue& b);

bool sameDictionary(const PropertyValue::Dictionary& a, const PropertyValue::Dictionary& b) {
    return a.keys() == b.keys() && std::equal(a.begin(), a.end(), b.begin(), b.end(), same);
}

bool same(const PropertyValue& a, const PropertyValue& b) {
    if (a.type() != b.type())
        return false;
    if (const auto* real = a.as<double>())
        return sameReal(*real, *b.as<double>());
    if (const auto* date = a.as<Base::Date>())
        return sameReal(date->secondsSinceReferenceDate,
                        b.as<Base::Date>()->secondsSinceReferenceDate);
    if (const auto* array = a.as<PropertyValue::Array>()) {
        const auto& other = *b.as<PropertyValue::Array>();
        return std::equal(array->begin(), array->end(), other.begin(), other.end(), same);
    }
    if (const auto* dictionary = a.as<PropertyValue::Dictionary>())
        return sameDictionary(*dictionary, *b.as<PropertyValue::Dictionary>());
    return a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto values = File::decode(Fuzz::bytes(data, size));
    if (values) {
        const auto again = File::decode(File::encode(*values));
        Fuzz::require(again.hasValue() && sameDictionary(*values, *again));
    }
    return 0;
}
