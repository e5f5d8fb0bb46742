#include "Defaults/AnySerializable.h"

namespace Defaults {

namespace {

size_t hashObject(const PropertyValue& object, size_t seed) {
    switch (object.type()) {
    case PropertyValue::Type::data:
        return ::qHash(*object.as<QByteArray>(), seed);
    case PropertyValue::Type::date:
        return ::qHash(object.as<Base::Date>()->secondsSinceReferenceDate, seed);
    case PropertyValue::Type::boolean:
        return ::qHash(*object.as<bool>(), seed);
    case PropertyValue::Type::integer:
        return ::qHash(*object.as<qint64>(), seed);
    case PropertyValue::Type::real: {
        const double real = *object.as<double>();
        return ::qHash(real == 0 ? 0.0 : real, seed);
    }
    case PropertyValue::Type::string:
        return ::qHash(*object.as<QString>(), seed);
    case PropertyValue::Type::array: {
        const auto& array = *object.as<PropertyValue::Array>();
        size_t hash = ::qHash(array.size(), seed);
        for (const auto& element : array)
            hash = hashObject(element, hash);
        return hash;
    }
    case PropertyValue::Type::dictionary: {
        const auto& dictionary = *object.as<PropertyValue::Dictionary>();
        size_t hash = ::qHash(dictionary.size(), seed);
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            hash = hashObject(it.value(), ::qHash(it.key(), hash));
        return hash;
    }
    }
    return seed;
}

} // namespace

size_t AnySerializable::hash(size_t seed) const {
    return m_value ? hashObject(*m_value, seed) : seed;
}

} // namespace Defaults
