#include "Base/UserDefaults.h"

#include "Base/Files.h"
#include "Base/Log.h"
#include "Base/PropertyListFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>

namespace Base {

namespace {

const Log log(QStringLiteral("defaults"));

// Far beyond any settings file: a larger one is not read.
constexpr qint64 maxFileBytes = qint64(64) << 20;

bool isFileName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

} // namespace

struct UserDefaults::Registration {
    ObserverToken token;
    ObservingOptions options;
    Observer observer;
    std::atomic<bool> active{true};

    void notify(const KeyValueChange& change) const {
        if (active)
            observer(change);
    }
    KeyValueChange filtered(KeyValueChange change) const {
        if (!options.testFlag(Observing::oldValue))
            change.oldValue.reset();
        if (!options.testFlag(Observing::newValue))
            change.newValue.reset();
        return change;
    }
};

const std::shared_ptr<UserDefaults>& UserDefaults::standard() {
    // Never destroyed: it may be used until the very end of the process.
    static const auto* instance =
        new std::shared_ptr<UserDefaults>(open(QStringLiteral("com.parlino.app"), folder()));
    return *instance;
}

QString UserDefaults::folder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Parlino");
}

std::shared_ptr<UserDefaults> UserDefaults::open(const QString& suiteName, const QString& folder,
                                                 Scheduler& scheduler) {
    QString filePath;
    if (isFileName(suiteName))
        filePath = QDir(folder).filePath(suiteName + QStringLiteral(".json"));
    else
        log.error("Settings suite \"%s\" cannot be saved: not a file name", suiteName);

    std::shared_ptr<UserDefaults> defaults(new UserDefaults(suiteName, filePath, scheduler));
    defaults->load();
    if (auto* app = QCoreApplication::instance())
        defaults->m_quitConnection =
            QObject::connect(app, &QCoreApplication::aboutToQuit, app,
                             [weak = std::weak_ptr<UserDefaults>(defaults)] {
                                 if (auto self = weak.lock())
                                     self->flush();
                             });
    return defaults;
}

UserDefaults::UserDefaults(QString suiteName, QString filePath, Scheduler& scheduler)
    : m_suiteName(std::move(suiteName)), m_filePath(std::move(filePath)), m_scheduler(scheduler) {}

UserDefaults::~UserDefaults() {
    QObject::disconnect(m_quitConnection);
    flush();
}

void UserDefaults::load() {
    if (m_filePath.isEmpty())
        return;
    // A settings file may be a link (to a folder of dotfiles, say); it must still be a regular
    // file.
    const auto bytes = Files::readRegular(QFile::encodeName(m_filePath).toStdString(), maxFileBytes,
                                          Files::Links::follow);
    if (!bytes) {
        if (bytes.error() == std::errc::no_such_file_or_directory)
            return;
        // Not read, so not known to be damaged: the file stays as it is, and this run's changes
        // stay in memory.
        log.error("Settings file %s cannot be read (%s); using defaults without saving", m_filePath,
                  Files::describe(bytes.error()));
        m_filePath.clear();
        return;
    }
    auto values = PropertyListFile::decode(*bytes);
    if (values) {
        m_persistent = std::move(values).value();
        return;
    }
    log.error("Settings file %s is unreadable: %s", m_filePath, values.error().message);
    if (!moveAside()) {
        // Keep the user's file untouched: this run's changes stay in memory.
        log.error("Settings file %s could not be moved aside; changes will not be saved",
                  m_filePath);
        m_filePath.clear();
    }
}

bool UserDefaults::moveAside() const {
    const std::filesystem::path file = QFile::encodeName(m_filePath).toStdString();
    const auto folder = Files::Folder::open(file.parent_path());
    if (!folder)
        return false;
    const auto aside = folder->setAside(file.filename());
    if (!aside)
        return false;
    log.notice("Settings file %s kept as %s; starting from defaults", m_filePath,
               QFile::decodeName((file.parent_path() / *aside).c_str()));
    return true;
}

std::optional<PropertyValue> UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return valueLocked(key);
}

std::optional<PropertyValue> UserDefaults::valueLocked(const QString& key) const {
    if (auto it = m_persistent.constFind(key); it != m_persistent.cend())
        return *it;
    if (auto it = m_registered.constFind(key); it != m_registered.cend())
        return *it;
    return std::nullopt;
}

void UserDefaults::set(const QString& key, PropertyValue value) {
    change(key, [&] {
        m_persistent.insert(key, std::move(value));
        scheduleSaveLocked();
    });
}

void UserDefaults::remove(const QString& key) {
    change(key, [&] {
        if (m_persistent.remove(key) > 0)
            scheduleSaveLocked();
    });
}

void UserDefaults::registerDefaults(const PropertyValue::Dictionary& defaults) {
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it) {
        const auto registerValue = [&] { m_registered.insert(it.key(), it.value()); };
        bool changesValue = false;
        {
            std::lock_guard lock(m_mutex);
            changesValue = !m_persistent.contains(it.key()) && valueLocked(it.key()) != it.value();
            if (!changesValue)
                registerValue();
        }
        // Observers hear of a registration only when it changes what the key reads.
        if (changesValue)
            change(it.key(), registerValue);
    }
}

PropertyValue::Dictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(m_mutex);
    PropertyValue::Dictionary merged = m_registered;
    merged.insert(m_persistent);
    return merged;
}

UserDefaults::ObserverToken UserDefaults::addObserver(const QString& key, ObservingOptions options,
                                                      Observer observer) {
    auto registration = std::make_shared<Registration>();
    registration->options = options;
    registration->observer = std::move(observer);
    std::optional<PropertyValue> current;
    {
        std::lock_guard lock(m_mutex);
        registration->token = m_nextToken++;
        m_observers[key].append(registration);
        m_observedKeys.insert(registration->token, key);
        current = valueLocked(key);
    }
    if (options.testFlag(Observing::initial))
        registration->notify(registration->filtered({false, std::nullopt, std::move(current)}));
    return registration->token;
}

void UserDefaults::removeObserver(ObserverToken token) {
    std::lock_guard lock(m_mutex);
    const auto key = m_observedKeys.constFind(token);
    if (key == m_observedKeys.cend())
        return;
    const auto observers = m_observers.find(*key);
    observers->removeIf([token](const auto& registration) {
        if (registration->token != token)
            return false;
        registration->active = false;
        return true;
    });
    if (observers->isEmpty())
        m_observers.erase(observers);
    m_observedKeys.erase(key);
}

QList<std::shared_ptr<UserDefaults::Registration>>
UserDefaults::observersOf(const QString& key) const {
    std::lock_guard lock(m_mutex);
    return m_observers.value(key);
}

void UserDefaults::change(const QString& key, const Mutation& mutate) {
    const auto observers = observersOf(key);
    const bool anyPrior = std::any_of(observers.cbegin(), observers.cend(), [](const auto& r) {
        return r->options.testFlag(Observing::prior);
    });
    if (anyPrior) {
        const auto current = objectForKey(key);
        for (const auto& registration : observers)
            if (registration->options.testFlag(Observing::prior))
                registration->notify(registration->filtered({true, current, std::nullopt}));
    }
    KeyValueChange change;
    {
        std::lock_guard lock(m_mutex);
        change.oldValue = valueLocked(key);
        mutate();
        change.newValue = valueLocked(key);
    }
    for (const auto& registration : observers)
        registration->notify(registration->filtered(change));
}

void UserDefaults::scheduleSaveLocked() {
    m_dirty = true;
    if (m_filePath.isEmpty() || m_isSaveScheduled)
        return;
    m_isSaveScheduled = true;
    // The handle replaced here belongs to a save that has already fired. A timer's handle is
    // never cancelled from another thread while the timer may be firing on the main thread.
    m_pendingSave = m_scheduler.after(saveDelay, [weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->saveScheduledChanges();
    });
}

void UserDefaults::saveScheduledChanges() {
    {
        std::lock_guard lock(m_mutex);
        m_isSaveScheduled = false;
    }
    flush();
}

void UserDefaults::flush() {
    std::lock_guard saving(m_saveMutex);
    PropertyValue::Dictionary snapshot;
    {
        std::lock_guard lock(m_mutex);
        if (!m_dirty || m_filePath.isEmpty())
            return;
        m_dirty = false;
        snapshot = m_persistent;
    }
    if (!write(snapshot)) {
        std::lock_guard lock(m_mutex);
        m_dirty = true;
    }
}

// Written beside the file and renamed over it, in its folder opened as it stands: neither name is
// followed if it is a link. A link read at the start is replaced by the first save, which leaves
// what it led to as it was; that is said once, as it happens.
bool UserDefaults::write(const PropertyValue::Dictionary& values) const {
    const std::filesystem::path file = QFile::encodeName(m_filePath).toStdString();
    const auto folder = Files::Folder::open(file.parent_path(), Files::Missing::create);
    if (const auto special = folder ? folder->describeSpecial(file.filename()) : std::nullopt)
        log.notice("Settings file %s was %s — replaced with a regular file; what it led to is no "
                   "longer updated",
                   m_filePath, *special);
    const std::error_code error =
        folder ? Files::replaceRegular(*folder, file.filename(), PropertyListFile::encode(values))
               : folder.error();
    if (error)
        log.error("Settings file %s could not be written: %s", m_filePath, Files::describe(error));
    return !error;
}

} // namespace Base
