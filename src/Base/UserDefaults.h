#pragma once

#include "Base/PropertyValue.h"
#include "Base/Scheduler.h"

#include <QFlags>
#include <QHash>
#include <QMetaObject>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace Base {

// What an observer of a key is told: the key's value before and after a change, each present
// only when asked for and when the key had a value. A prior notice comes before the change and
// carries only the old value.
struct KeyValueChange {
    bool isPrior = false;
    std::optional<PropertyValue> oldValue;
    std::optional<PropertyValue> newValue;
};

// A named database of settings, kept in one file and safe to use from any thread.
//
// A value is looked up first in the persistent domain (what was set, saved to disk) and then
// in the registration domain (defaults registered at start, never saved). Changes are saved a
// moment after they are made, on the scheduler's thread, and at the latest when the
// application is about to quit or the database is destroyed. A file that was read but does not
// parse is moved aside (to "<file>.corrupt", "<file>.corrupt-2", ...) and the database starts
// empty; one that cannot be read (permissions, not a regular file) is left as it is, and the
// database starts empty and is not saved in this run.
//
// Observers are called on the thread that made the change, after the change (and, when they
// asked for prior notices, also before it), never with a lock held.
class UserDefaults : public std::enable_shared_from_this<UserDefaults> {
public:
    enum class Observing { newValue = 0x1, oldValue = 0x2, initial = 0x4, prior = 0x8 };
    Q_DECLARE_FLAGS(ObservingOptions, Observing)

    using Observer = std::function<void(const KeyValueChange&)>;
    using ObserverToken = quint64;

    // How long after a change the file is written.
    static constexpr double saveDelay = 1.0;

    // The application's own suite, "com.parlino.app", in `folder()`. It lives to the end of the
    // process and is saved when the application is about to quit.
    static const std::shared_ptr<UserDefaults>& standard();
    // The folder that holds the application's suites: "Parlino" in the XDG config folder.
    static QString folder();

    // Opens the suite saved as "<folder>/<suiteName>.json". Open each suite once per process.
    // A name that cannot be a file name ("", ".", "..", or holding "/") gives a suite that
    // lives in memory only.
    static std::shared_ptr<UserDefaults> open(const QString& suiteName, const QString& folder,
                                              Scheduler& scheduler = QtScheduler::shared());

    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const QString& suiteName() const { return m_suiteName; }
    // Empty for a suite that lives in memory only.
    const QString& filePath() const { return m_filePath; }

    std::optional<PropertyValue> objectForKey(const QString& key) const;
    void set(const QString& key, PropertyValue value);
    void remove(const QString& key);
    // Adds to the registration domain; later registrations of a key replace earlier ones.
    void registerDefaults(const PropertyValue::Dictionary& defaults);
    // Both domains merged, persistent values winning.
    PropertyValue::Dictionary dictionaryRepresentation() const;

    // Calls `observer` for every change of `key` until the token is removed. With `initial`
    // it is called once at once, with the current value.
    ObserverToken addObserver(const QString& key, ObservingOptions options, Observer observer);
    void removeObserver(ObserverToken token);

    // Writes pending changes now.
    void flush();

private:
    struct Registration;
    using Mutation = std::function<void()>;

    UserDefaults(QString suiteName, QString filePath, Scheduler& scheduler);
    void load();
    bool moveAside() const;
    std::optional<PropertyValue> valueLocked(const QString& key) const;
    QList<std::shared_ptr<Registration>> observersOf(const QString& key) const;
    void change(const QString& key, const Mutation& mutate);
    bool write(const PropertyValue::Dictionary& values) const;
    void scheduleSaveLocked();
    void saveScheduledChanges();

    const QString m_suiteName;
    QString m_filePath;
    Scheduler& m_scheduler;

    mutable std::mutex m_mutex;
    PropertyValue::Dictionary m_persistent;
    PropertyValue::Dictionary m_registered;
    QHash<QString, QList<std::shared_ptr<Registration>>> m_observers; // by key
    QHash<ObserverToken, QString> m_observedKeys;
    ObserverToken m_nextToken = 1;
    bool m_dirty = false;
    bool m_isSaveScheduled = false;
    ScheduledTask m_pendingSave; // replaced only once its save has fired

    std::mutex m_saveMutex; // orders writes of the file
    QMetaObject::Connection m_quitConnection;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UserDefaults::ObservingOptions)

} // namespace Base
