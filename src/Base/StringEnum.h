#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

namespace Base {

// One case of an enumeration stored as text: the value, its raw value (the stored text) and
// its title (the text shown to users).
template <class E> struct StringEnumCase {
    E value;
    QStringView rawValue;
    QStringView title;
};

// The table of an enumeration stored as text: its cases in their order. A type declares its
// table once, with `stringEnum`, and answers its case list, raw values, titles and parsing from
// it. Parsing is exact: no trimming, no case folding.
template <class E, std::size_t N> class StringEnum {
public:
    consteval explicit StringEnum(const std::array<StringEnumCase<E>, N>& cases) : m_cases(cases) {
        for (std::size_t i = 0; i < N; ++i)
            for (std::size_t j = i + 1; j < N; ++j)
                if (cases[i].value == cases[j].value || same(cases[i].rawValue, cases[j].rawValue))
                    duplicateCase();
    }

    constexpr const std::array<StringEnumCase<E>, N>& cases() const { return m_cases; }

    // The values in their order.
    constexpr std::array<E, N> values() const {
        std::array<E, N> values{};
        std::transform(m_cases.begin(), m_cases.end(), values.begin(),
                       [](const StringEnumCase<E>& entry) { return entry.value; });
        return values;
    }
    QList<E> allCases() const {
        const auto all = values();
        return QList<E>(all.begin(), all.end());
    }

    // Empty for a value the table does not list.
    QString rawValue(E value) const {
        const auto* entry = find(value);
        return entry ? entry->rawValue.toString() : QString();
    }
    QString title(E value) const {
        const auto* entry = find(value);
        return entry ? entry->title.toString() : QString();
    }

    // The case whose raw value is exactly `raw`; anything else names no case.
    std::optional<E> fromRawValue(QStringView raw) const {
        for (const auto& entry : m_cases)
            if (entry.rawValue == raw)
                return entry.value;
        return std::nullopt;
    }

private:
    static constexpr bool same(QStringView a, QStringView b) {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i)
            if (a[i] != b[i])
                return false;
        return true;
    }
    // Not a constant expression: a table that lists a value or a raw value twice does not compile.
    static void duplicateCase() {}

    constexpr const StringEnumCase<E>* find(E value) const {
        for (const auto& entry : m_cases)
            if (entry.value == value)
                return &entry;
        return nullptr;
    }

    std::array<StringEnumCase<E>, N> m_cases;
};

// The table of E, with its cases in order: `stringEnum<Color>({{Color::red, u"red", u"Red"}})`.
template <class E, std::size_t N>
consteval StringEnum<E, N> stringEnum(const StringEnumCase<E> (&cases)[N]) {
    return StringEnum<E, N>(std::to_array(cases));
}

} // namespace Base
