#include "Defaults/iCloudSynchronizer.h"

#include "Base/Log.h"
#include "Base/MainThread.h"
#include "Defaults/iCloud.h"

#include <QStringList>

namespace Defaults {

namespace {

const Base::Log log(QStringLiteral("defaults"));

// The date of the operation running on this thread, if any.
thread_local std::optional<Base::Date> operationTimestamp;

void debugLog(const QString& message) {
    if (iCloud::isDebug())
        log.debug("[Defaults.iCloud] %s", message);
}

QString describe(const PropertyValue& value) {
    using Type = PropertyValue::Type;
    switch (value.type()) {
    case Type::data:
        return QStringLiteral("<%1 bytes>").arg(value.as<QByteArray>()->size());
    case Type::date:
        return value.as<Base::Date>()->toDateTime().toString(Qt::ISODateWithMs);
    case Type::boolean:
        return *value.as<bool>() ? QStringLiteral("true") : QStringLiteral("false");
    case Type::integer:
        return QString::number(*value.as<qint64>());
    case Type::real:
        return QString::number(*value.as<double>());
    case Type::string:
        return *value.as<QString>();
    case Type::array: {
        QStringList elements;
        for (const auto& element : *value.as<PropertyValue::Array>())
            elements.append(describe(element));
        return QLatin1Char('[') + elements.join(QStringLiteral(", ")) + QLatin1Char(']');
    }
    case Type::dictionary: {
        QStringList entries;
        const auto& dictionary = *value.as<PropertyValue::Dictionary>();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            entries.append(it.key() + QStringLiteral(": ") + describe(it.value()));
        return QLatin1Char('{') + entries.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    }
    return {};
}

QString sideName(iCloud::DataSource side) {
    return side == iCloud::DataSource::remote ? QStringLiteral("from remote")
                                              : QStringLiteral("from local");
}

// The stored value of a remote entry [timestamp, value], when the entry has that form.
std::optional<PropertyValue> remoteValue(const std::optional<PropertyValue>& entry) {
    const auto* array = entry ? entry->as<PropertyValue::Array>() : nullptr;
    if (!array || array->size() < 2)
        return std::nullopt;
    return array->at(1);
}

} // namespace

std::shared_ptr<iCloudSynchronizer>
iCloudSynchronizer::make(std::shared_ptr<DefaultsKeyValueStore> remoteStorage,
                         std::function<Base::Date()> now) {
    std::shared_ptr<iCloudSynchronizer> synchronizer(
        new iCloudSynchronizer(std::move(remoteStorage), std::move(now)));
    std::weak_ptr<iCloudSynchronizer> weak = synchronizer;
    synchronizer->m_localKeysMonitor = std::make_shared<CompositeDefaultsObservation>(
        [weak](const SuiteKeyPair& pair, const BaseChange&) {
            if (auto self = weak.lock())
                self->localKeyChanged(pair);
        });
    synchronizer->m_remoteStorage->setExternalChangeHandler([weak](const QStringList& changedKeys) {
        if (auto self = weak.lock())
            self->remoteKeysChanged(changedKeys);
    });
    synchronizer->m_remoteStorage->synchronize();
    return synchronizer;
}

iCloudSynchronizer::iCloudSynchronizer(std::shared_ptr<DefaultsKeyValueStore> remoteStorage,
                                       std::function<Base::Date()> now)
    : m_remoteStorage(std::move(remoteStorage)), m_now(std::move(now)) {}

iCloudSynchronizer::~iCloudSynchronizer() {
    m_remoteStorage->setExternalChangeHandler(nullptr);
    removeAll();
}

void iCloudSynchronizer::add(const AnyKey& key, bool holdsDefaultValue) {
    const bool inserted = m_keys.modify([&](QSet<AnyKey>& keys) {
        if (keys.contains(key))
            return false;
        keys.insert(key);
        return true;
    });
    if (!inserted)
        return;
    m_localKeysMonitor->add(key);
    if (!holdsDefaultValue)
        synchronize(key, std::nullopt);
    else if (latestSide(key) == DataSource::remote)
        synchronize(key, DataSource::remote);
}

void iCloudSynchronizer::remove(const AnyKey& key) {
    m_keys.modify([&](QSet<AnyKey>& keys) { keys.remove(key); });
    m_localKeysMonitor->remove(key);
}

void iCloudSynchronizer::removeAll() {
    m_localKeysMonitor->invalidate();
    m_keys.setValue({});
    m_remoteSyncingKeys.setValue({});
}

void iCloudSynchronizer::sync(std::function<void()> completion) {
    m_backgroundQueue.flush([this, completion = std::move(completion)] {
        Base::MainThread::post(*m_receiver, completion);
    });
}

std::optional<Base::Date> iCloudSynchronizer::remoteTimestamp(const AnyKey& key) const {
    const auto entry = m_remoteStorage->object(key.name());
    const auto* array = entry ? entry->as<PropertyValue::Array>() : nullptr;
    if (!array || array->isEmpty())
        return std::nullopt;
    if (const auto* date = array->first().as<Base::Date>())
        return *date;
    return std::nullopt;
}

std::optional<Base::Date> iCloudSynchronizer::localTimestamp(const AnyKey& key) const {
    const auto object = key.suite()->objectForKey(key.name() + defaultsSyncKey);
    if (const auto* date = object ? object->as<Base::Date>() : nullptr)
        return *date;
    return std::nullopt;
}

std::optional<iCloud::DataSource> iCloudSynchronizer::latestSide(const AnyKey& key) const {
    const auto local = localTimestamp(key);
    const auto remote = remoteTimestamp(key);
    if (local && remote)
        return *local > *remote ? DataSource::local : DataSource::remote;
    if (remote)
        return DataSource::remote;
    if (local)
        return DataSource::local;
    return std::nullopt;
}

void iCloudSynchronizer::synchronize(const AnyKey& key, std::optional<DataSource> source) {
    const auto side = source ? source : latestSide(key);
    if (!side) {
        debugLog(QStringLiteral("Aborting key '%1' ").arg(key.name()));
        return;
    }
    enqueue([this, key, side = *side](Base::Date timestamp, TaskQueue::Done done) {
        synchronizeFrom(key, side, timestamp, done);
    });
}

void iCloudSynchronizer::enqueue(Operation operation) {
    m_backgroundQueue.asyncWithCompletion(
        [this, operation = std::move(operation)](TaskQueue::Done done) {
            const auto timestamp = m_now();
            operationTimestamp = timestamp;
            operation(timestamp, std::move(done));
            operationTimestamp.reset();
        });
}

void iCloudSynchronizer::synchronizeFrom(const AnyKey& key, DataSource side, Base::Date timestamp,
                                         const TaskQueue::Done& done) {
    debugLog(QStringLiteral("Try synchronizing key '%1' %2").arg(key.name(), sideName(side)));
    auto complete = [key, side, done] {
        debugLog(
            QStringLiteral("Complete synchronization key '%1' %2").arg(key.name(), sideName(side)));
        done();
    };
    if (side == DataSource::remote) {
        syncFromRemote(key, timestamp, std::move(complete));
    } else {
        syncFromLocal(key, timestamp);
        complete();
    }
}

void iCloudSynchronizer::syncFromLocal(const AnyKey& key, Base::Date timestamp) {
    const auto object = key.suite()->objectForKey(key.name());
    debugLog(QStringLiteral("Synchronizing key '%1' with value %2 %3")
                 .arg(key.name(), object ? describe(*object) : QStringLiteral("nil"),
                      sideName(DataSource::local)));
    if (object)
        m_remoteStorage->set(PropertyValue::Array{timestamp, *object}, key.name());
    else
        m_remoteStorage->removeObject(key.name());
    m_remoteStorage->synchronize();
}

void iCloudSynchronizer::syncFromRemote(const AnyKey& key, Base::Date timestamp,
                                        TaskQueue::Done done) {
    m_remoteSyncingKeys.modify([&](QSet<AnyKey>& keys) { keys.insert(key); });
    auto finish = [this, key, done = std::move(done)] {
        m_remoteSyncingKeys.modify([&](QSet<AnyKey>& keys) { keys.remove(key); });
        done();
    };
    const auto value = remoteValue(m_remoteStorage->object(key.name()));
    if (!value) {
        finish();
        return;
    }
    // The local write runs on the main thread; this operation waits for it.
    Base::MainThread::post(
        *m_receiver, [this, key, value = *value, timestamp, finish = std::move(finish)] {
            debugLog(QStringLiteral("Synchronizing key '%1' with value %2 %3")
                         .arg(key.name(), describe(value), sideName(DataSource::remote)));
            key.suite()->set(key.name(), value);
            recordLocalTimestamp(key, timestamp);
            finish();
        });
}

void iCloudSynchronizer::recordLocalTimestamp(const AnyKey& key, Base::Date timestamp) {
    key.suite()->set(key.name() + defaultsSyncKey, timestamp);
}

void iCloudSynchronizer::localKeyChanged(const SuiteKeyPair& pair) {
    const auto suite = pair.suite.lock();
    if (!suite)
        return;
    const AnyKey changed(pair.key, suite);
    if (!m_keys.value().contains(changed) || m_remoteSyncingKeys.value().contains(changed))
        return;
    enqueue([this, changed](Base::Date timestamp, TaskQueue::Done done) {
        recordLocalTimestamp(changed, timestamp);
        synchronizeFrom(changed, DataSource::local, timestamp, done);
    });
}

void iCloudSynchronizer::remoteKeysChanged(const QStringList& changedKeys) {
    // The synchroniser's own writes to the remote store are not changes from outside.
    if (operationTimestamp)
        return;
    for (const auto& key : m_keys.value()) {
        if (!changedKeys.contains(key.name()))
            continue;
        const auto remote = remoteTimestamp(key);
        const auto local = localTimestamp(key);
        if (!remote || (local && *local >= *remote))
            continue;
        enqueue([this, key](Base::Date timestamp, TaskQueue::Done done) {
            synchronizeFrom(key, DataSource::remote, timestamp, done);
        });
    }
}

} // namespace Defaults
