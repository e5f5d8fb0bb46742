#include "Parlino/Settings/StoredChoice.h"

namespace Parlino {

std::optional<int> StoredChoice::selectedIndex() const {
    const auto index = m_rawValues.indexOf(m_setting.value());
    return index < 0 ? std::nullopt : std::optional<int>(int(index));
}

void StoredChoice::choose(int index) {
    if (index >= 0 && index < m_rawValues.size())
        m_setting.setValue(m_rawValues[index]);
}

} // namespace Parlino
