#include "Defaults/Defaults.h"

namespace Defaults {

void reset(const QStringList& names, Base::UserDefaults& suite) {
    for (const auto& name : names)
        suite.remove(name);
}

void reset(const QList<AnyKey>& keys) {
    for (const auto& key : keys)
        key.reset();
}

void removeAll(Base::UserDefaults& suite) {
    const auto values = suite.dictionaryRepresentation();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        suite.remove(it.key());
}

bool isValidKeyPath(const QString& name) {
    if (name.startsWith(QLatin1Char('@')))
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c == QLatin1Char('.') || c.unicode() > 0x7f; });
}

} // namespace Defaults
