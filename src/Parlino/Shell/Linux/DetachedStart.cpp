#include "Parlino/Shell/Linux/DetachedStart.h"

#include "Base/Environment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Parlino::DetachedStart {

namespace {

QString systemMessage(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The attributes of a start apart from the caller, as posix_spawn takes them.
class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawn_file_actions_init(&m_actions);
        posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&m_actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&m_actions, STDOUT_FILENO, STDERR_FILENO);
        posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
        posix_spawn_file_actions_addchdir_np(&m_actions, "/");
        posix_spawnattr_init(&m_attributes);
        // No signal blocked, and none ignored as a client under nohup or in the background
        // would pass them on.
        sigset_t noSignals;
        sigemptyset(&noSignals);
        posix_spawnattr_setsigmask(&m_attributes, &noSignals);
        sigset_t everySignal;
        sigfillset(&everySignal);
        posix_spawnattr_setsigdefault(&m_attributes, &everySignal);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                    POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&m_attributes);
        posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // The started process, or the system's reason it could not be started.
    Base::Result<pid_t, int> spawn(const QString& program) const {
        const QByteArray path = QFile::encodeName(program);
        char* arguments[] = {const_cast<char*>(path.constData()), nullptr};
        // The client's own environment as it was started, not the one it set for itself.
        QByteArrayList entries = Base::Environment::entriesForStartedPrograms();
        entries.prepend(QByteArray(handOverVariable) + "=1");
        std::vector<char*> environment;
        for (QByteArray& entry : entries)
            environment.push_back(entry.data());
        environment.push_back(nullptr);
        pid_t pid = 0;
        if (const int error = posix_spawn(&pid, path.constData(), &m_actions, &m_attributes,
                                          arguments, environment.data()))
            return Base::failure(error);
        return pid;
    }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

// The end of a started process, followed through a process descriptor: `ended` is called on the
// main thread when it ends. Without process descriptors (a kernel before 5.3) it is not followed.
// (The C library's own pidfd_open() is declared without C linkage in glibc 2.36.)
class ProcessEnd {
public:
    ProcessEnd(pid_t pid, const std::function<void()>& ended)
        : m_pid(pid), m_descriptor(int(::syscall(SYS_pidfd_open, pid, 0))) {
        if (m_descriptor < 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, ended);
    }
    ~ProcessEnd() {
        m_notifier.reset();
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    ProcessEnd(const ProcessEnd&) = delete;
    ProcessEnd& operator=(const ProcessEnd&) = delete;

    // Its wait status once it has ended (and is reaped then); none while it runs.
    std::optional<int> status() const {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return std::nullopt;
        return status;
    }

private:
    pid_t m_pid;
    int m_descriptor;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

QString howItEnded(int status) {
    if (WIFSIGNALED(status))
        return QStringLiteral("Parlino was ended by signal %1 (%2) before it was ready")
            .arg(WTERMSIG(status))
            .arg(QString::fromLocal8Bit(strsignal(WTERMSIG(status))));
    return QStringLiteral("Parlino exited with status %1 before it was ready")
        .arg(WEXITSTATUS(status));
}

bool isOwned(const QString& busName) {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(busName).value();
}

} // namespace

Base::Result<void, QString> startAndWait(const QString& program, const QString& busName,
                                         std::chrono::milliseconds bound) {
    QEventLoop loop;
    // Listening before the start, so that no taking of the name goes unheard.
    const QDBusServiceWatcher taken(busName, QDBusConnection::sessionBus(),
                                    QDBusServiceWatcher::WatchForRegistration);
    QObject::connect(&taken, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    const auto started = SpawnSettings().spawn(program);
    if (!started)
        return Base::failure(
            QStringLiteral("Parlino could not be started: %1").arg(systemMessage(started.error())));
    const ProcessEnd end(*started, [&loop] { loop.quit(); });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(bound);
    if (!isOwned(busName))
        loop.exec();
    // Another start may have taken the name first, and this one left it to that one.
    if (isOwned(busName))
        return {};
    if (const auto status = end.status())
        return Base::failure(howItEnded(*status));
    return Base::failure(QStringLiteral("Parlino did not start within %1 seconds")
                             .arg(QString::number(double(bound.count()) / 1000)));
}

} // namespace Parlino::DetachedStart
