#pragma once

#include "Base/UserDefaults.h"

#include <QFlags>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace Defaults {

// `initial`: a first notice with the current value as observation starts.
// `prior`: a notice before each change as well as after it. With both, only `initial` counts.
enum class ObservationOption { initial = 0x1, prior = 0x2 };
Q_DECLARE_FLAGS(ObservationOptions, ObservationOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ObservationOptions)

// One change of a key as stored: the stored values after and before it (nothing when the
// key had none). A prior notice carries only the value before.
struct BaseChange {
    bool isPrior = false;
    std::optional<Base::PropertyValue> newValue;
    std::optional<Base::PropertyValue> oldValue;
};

// What changed: a key of a suite (which may be gone by the time it is looked at).
struct SuiteKeyPair {
    std::weak_ptr<Base::UserDefaults> suite;
    QString key;

    friend bool operator==(const SuiteKeyPair& a, const SuiteKeyPair& b) {
        return a.key == b.key && a.suite.lock() == b.suite.lock();
    }
};

// Runs `action` so that the changes it makes on this thread reach no observer.
void withoutPropagation(const std::function<void()>& action);

// The observer of one key of one suite. It holds the suite weakly and calls its callback on
// the thread that made each change, never with its lock held. Start it once; once
// invalidated (or when its suite is gone) it stays silent for good.
class DefaultsObservation : public std::enable_shared_from_this<DefaultsObservation> {
public:
    using Callback = std::function<void(const SuiteKeyPair&, const BaseChange&)>;

    static std::shared_ptr<DefaultsObservation>
    make(const std::shared_ptr<Base::UserDefaults>& suite, QString name, Callback callback);
    ~DefaultsObservation();
    DefaultsObservation(const DefaultsObservation&) = delete;
    DefaultsObservation& operator=(const DefaultsObservation&) = delete;

    const QString& name() const { return m_name; }
    bool isObserving() const;

    void start(ObservationOptions options);
    void invalidate();

private:
    DefaultsObservation(const std::shared_ptr<Base::UserDefaults>& suite, QString name,
                        Callback callback);
    void handle(const Base::KeyValueChange& change);

    const QString m_name;
    const Callback m_callback;
    mutable std::mutex m_lock;
    std::weak_ptr<Base::UserDefaults> m_suite;
    bool m_isObserving = false;
    Base::UserDefaults::ObserverToken m_token = 0;
};

} // namespace Defaults
