#include "Base/Environment.h"

#include <QProcess>

#include <map>
#include <mutex>
#include <optional>

#include <unistd.h>

namespace Base::Environment {

namespace {

// The starting values of the variables set for this process alone, absent where there was none.
class StartingValues {
public:
    static StartingValues& shared() {
        static StartingValues values;
        return values;
    }

    void set(const char* name, const QByteArray& value) {
        const std::lock_guard lock(m_lock);
        m_values.try_emplace(QByteArray(name), qEnvironmentVariableIsSet(name)
                                                   ? std::optional(qgetenv(name))
                                                   : std::nullopt);
        qputenv(name, value);
    }

    QByteArrayList entries() const {
        const std::lock_guard lock(m_lock);
        QByteArrayList entries;
        for (char** variable = environ; *variable; ++variable) {
            const QByteArray entry(*variable);
            if (!m_values.contains(entry.left(entry.indexOf('='))))
                entries.append(entry);
        }
        for (const auto& [name, value] : m_values)
            if (value)
                entries.append(name + '=' + *value);
        return entries;
    }

    QProcessEnvironment processEnvironment() const {
        const std::lock_guard lock(m_lock);
        // Taken from the process as bytes, so that no other variable changes by a conversion.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : m_values) {
            if (value)
                environment.insert(QString::fromLocal8Bit(name), QString::fromLocal8Bit(*value));
            else
                environment.remove(QString::fromLocal8Bit(name));
        }
        return environment;
    }

private:
    mutable std::mutex m_lock;
    std::map<QByteArray, std::optional<QByteArray>> m_values;
};

} // namespace

bool isSwitchOn(const char* name) {
    return qgetenv(name) == "1";
}

void setForThisProcess(const char* name, const QByteArray& value) {
    StartingValues::shared().set(name, value);
}

QProcessEnvironment forStartedPrograms() {
    return StartingValues::shared().processEnvironment();
}

QByteArrayList entriesForStartedPrograms() {
    return StartingValues::shared().entries();
}

bool startDetached(const QString& program, const QStringList& arguments, QString* why) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(forStartedPrograms());
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    if (why)
        *why = process.errorString();
    return false;
}

} // namespace Base::Environment
