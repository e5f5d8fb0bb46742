#pragma once

#include "Parlino/Settings/LoginItem.h"

#include <QString>

#include <filesystem>

namespace Parlino {

// Start at login through the desktop's autostart folder: the application starts at login while
// "parlino.desktop" is there and not marked hidden. Turning it on writes the entry (replacing a
// hidden one); turning it off removes it.
class XdgAutostartLoginItem final : public LoginItem {
public:
    static inline const QString entryName = QStringLiteral("parlino.desktop");

    // "autostart" in the user's configuration folder.
    static std::filesystem::path defaultFolder();

    // `program` is what the entry starts.
    XdgAutostartLoginItem(std::filesystem::path folder, QString program);

    std::filesystem::path entryFile() const { return m_folder / entryName.toStdString(); }

    bool isEnabled() const override;
    bool setEnabled(bool enabled) override;

    // The entry's text: a desktop entry that starts `program`, quoted as the entry format asks.
    static QByteArray entryText(const QString& program);

private:
    std::filesystem::path m_folder;
    QString m_program;
};

} // namespace Parlino
