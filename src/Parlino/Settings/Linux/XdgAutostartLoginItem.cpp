#include "Parlino/Settings/Linux/XdgAutostartLoginItem.h"

#include "Base/Log.h"
#include "Parlino/Storage/StorageFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace Parlino {

namespace {

const Base::Log logger(QStringLiteral("settings"));

// The program as one argument of an Exec line: in double quotes, with the characters the
// format reserves inside quotes escaped, and a percent sign doubled.
QString quotedProgram(const QString& program) {
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
        if (c == u'%')
            quoted += u'%';
    }
    return u'"' + quoted + u'"';
}

// True when the main group of the entry says Hidden=true.
bool isHidden(const QByteArray& text) {
    bool inMainGroup = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.startsWith("Hidden")) {
            const auto equals = line.indexOf('=');
            if (equals > 0 && line.left(equals).trimmed() == "Hidden" &&
                line.mid(equals + 1).trimmed() == "true")
                return true;
        }
    }
    return false;
}

} // namespace

std::filesystem::path XdgAutostartLoginItem::defaultFolder() {
    return StorageFiles::toPath(
               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)) /
           "autostart";
}

XdgAutostartLoginItem::XdgAutostartLoginItem(std::filesystem::path folder, QString program)
    : m_folder(std::move(folder)), m_program(std::move(program)) {}

QByteArray XdgAutostartLoginItem::entryText(const QString& program) {
    return QByteArrayLiteral("[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Parlino\n"
                             "Comment=Reads selected text aloud\n"
                             "Exec=") +
           quotedProgram(program).toUtf8() +
           QByteArrayLiteral("\n"
                             "Icon=parlino\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n");
}

bool XdgAutostartLoginItem::isEnabled() const {
    QFile file(StorageFiles::toText(entryFile()));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return !isHidden(file.readAll());
}

bool XdgAutostartLoginItem::setEnabled(bool enabled) {
    const QString path = StorageFiles::toText(entryFile());
    if (!enabled) {
        if (QFile::exists(path) && !QFile::remove(path))
            logger.error("autostart entry could not be removed: %{public}s", path);
        return !isEnabled();
    }
    QDir().mkpath(StorageFiles::toText(m_folder));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(entryText(m_program)) < 0 ||
        !file.commit()) {
        logger.error("autostart entry could not be written: %{public}s", path);
        return false;
    }
    return true;
}

} // namespace Parlino
