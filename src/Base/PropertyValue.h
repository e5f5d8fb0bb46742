#pragma once

#include "Base/Date.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <variant>

namespace Base {

// One value of the user-defaults database: data, a date, a boolean, an integer, a double, a
// string, or an array or string-keyed dictionary of these. Every value keeps its type, so a
// stored false stays a boolean and 1 stays an integer, apart from 1.0 which stays a double.
class PropertyValue {
public:
    using Array = QList<PropertyValue>;
    using Dictionary = QMap<QString, PropertyValue>;

    enum class Type { data, date, boolean, integer, real, string, array, dictionary };

    PropertyValue(QByteArray data) : m_value(std::move(data)) {}
    PropertyValue(Date date) : m_value(date) {}
    PropertyValue(bool boolean) : m_value(boolean) {}
    PropertyValue(qint64 integer) : m_value(integer) {}
    PropertyValue(int integer) : m_value(qint64(integer)) {}
    PropertyValue(double real) : m_value(real) {}
    PropertyValue(QString string) : m_value(std::move(string)) {}
    PropertyValue(const char* string) : m_value(QString::fromUtf8(string)) {}
    PropertyValue(Array array) : m_value(std::move(array)) {}
    PropertyValue(Dictionary dictionary) : m_value(std::move(dictionary)) {}

    Type type() const { return static_cast<Type>(m_value.index()); }

    // The held value when it has exactly the type T (one of the types above), else null.
    template <class T> const T* as() const { return std::get_if<T>(&m_value); }

    // Structural equality; a NaN double is unequal to itself.
    friend bool operator==(const PropertyValue&, const PropertyValue&) = default;

private:
    // The order matches Type.
    std::variant<QByteArray, Date, bool, qint64, double, QString, Array, Dictionary> m_value;
};

} // namespace Base
