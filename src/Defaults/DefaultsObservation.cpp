#include "Defaults/DefaultsObservation.h"

namespace Defaults {

namespace {

thread_local bool isUpdatingValuesWithoutPropagation = false;

Base::UserDefaults::ObservingOptions observingOptions(ObservationOptions options) {
    using Observing = Base::UserDefaults::Observing;
    Base::UserDefaults::ObservingOptions observing = Observing::newValue | Observing::oldValue;
    if (options.testFlag(ObservationOption::initial))
        observing |= Observing::initial;
    else if (options.testFlag(ObservationOption::prior))
        observing |= Observing::prior;
    return observing;
}

} // namespace

void withoutPropagation(const std::function<void()>& action) {
    // Restores the previous state, so nesting keeps the outer call silent.
    struct Restore {
        bool previous = std::exchange(isUpdatingValuesWithoutPropagation, true);
        ~Restore() { isUpdatingValuesWithoutPropagation = previous; }
    } restore;
    action();
}

std::shared_ptr<DefaultsObservation>
DefaultsObservation::make(const std::shared_ptr<Base::UserDefaults>& suite, QString name,
                          Callback callback) {
    return std::shared_ptr<DefaultsObservation>(
        new DefaultsObservation(suite, std::move(name), std::move(callback)));
}

DefaultsObservation::DefaultsObservation(const std::shared_ptr<Base::UserDefaults>& suite,
                                         QString name, Callback callback)
    : m_name(std::move(name)), m_callback(std::move(callback)), m_suite(suite) {}

DefaultsObservation::~DefaultsObservation() {
    invalidate();
}

bool DefaultsObservation::isObserving() const {
    std::lock_guard lock(m_lock);
    return m_isObserving;
}

void DefaultsObservation::start(ObservationOptions options) {
    std::shared_ptr<Base::UserDefaults> suite;
    {
        std::lock_guard lock(m_lock);
        if (m_isObserving)
            return;
        m_isObserving = true;
        suite = m_suite.lock();
    }
    if (!suite)
        return;
    // Registered without the lock: an initial notice is delivered from inside addObserver.
    const auto token =
        suite->addObserver(m_name, observingOptions(options),
                           [weak = weak_from_this()](const Base::KeyValueChange& change) {
                               if (auto self = weak.lock())
                                   self->handle(change);
                           });
    std::lock_guard lock(m_lock);
    if (m_isObserving)
        m_token = token;
    else // invalidated meanwhile
        suite->removeObserver(token);
}

void DefaultsObservation::invalidate() {
    std::lock_guard lock(m_lock);
    if (m_isObserving && m_token != 0)
        if (auto suite = m_suite.lock())
            suite->removeObserver(m_token);
    m_isObserving = false;
    m_token = 0;
    m_suite.reset();
}

void DefaultsObservation::handle(const Base::KeyValueChange& change) {
    std::shared_ptr<Base::UserDefaults> suite;
    {
        std::lock_guard lock(m_lock);
        suite = m_suite.lock();
    }
    if (!suite) {
        invalidate();
        return;
    }
    if (isUpdatingValuesWithoutPropagation)
        return;
    m_callback(SuiteKeyPair{suite, m_name},
               BaseChange{change.isPrior, change.newValue, change.oldValue});
}

} // namespace Defaults
