#pragma once

#include "Base/StringEnum.h"
#include "Defaults/Default.h"

#include <QStringList>

#include <optional>

namespace Parlino {

// A picker's choice kept in a text setting as a raw value of an enumeration table. A stored
// value the table does not list selects no item and stays as stored until the user picks one.
class StoredChoice final : public QObject {
    Q_OBJECT

public:
    template <class E, std::size_t N>
    StoredChoice(const Defaults::Key<QString>& key, const Base::StringEnum<E, N>& table,
                 QObject* parent = nullptr)
        : QObject(parent), m_setting(key) {
        for (const auto& entry : table.cases()) {
            m_rawValues.append(entry.rawValue.toString());
            m_titles.append(entry.title.toString());
        }
        connect(&m_setting, &Defaults::Observable::changed, this, &StoredChoice::changed);
    }

    // The items in the table's order.
    const QStringList& titles() const { return m_titles; }
    // The item of the stored value, or none.
    std::optional<int> selectedIndex() const;
    // Stores the raw value of the item; an index outside the items stores nothing.
    void choose(int index);

signals:
    // After each write of the setting, whoever made it.
    void changed();

private:
    Defaults::Default<QString> m_setting;
    QStringList m_rawValues;
    QStringList m_titles;
};

} // namespace Parlino
