#include "Base/NotificationCenter.h"

#include <atomic>
#include <utility>

namespace Base {

namespace {

struct Registration {
    quint64 id;
    QString name;
    NotificationCenter::Observer observer;
    std::atomic<bool> isActive{true};
};

} // namespace

struct NotificationCenter::State {
    std::mutex mutex;
    QList<std::shared_ptr<Registration>> registrations;
    quint64 nextId = 1;

    void remove(quint64 id) {
        std::lock_guard lock(mutex);
        registrations.removeIf([&](const auto& registration) {
            if (registration->id != id)
                return false;
            registration->isActive = false;
            return true;
        });
    }

    QList<std::shared_ptr<Registration>> observersOf(const QString& name) {
        std::lock_guard lock(mutex);
        QList<std::shared_ptr<Registration>> observers;
        for (const auto& registration : registrations)
            if (registration->name == name)
                observers.append(registration);
        return observers;
    }
};

NotificationCenter::ObserverToken&
NotificationCenter::ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        m_state = std::move(other.m_state);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void NotificationCenter::ObserverToken::reset() {
    if (auto state = m_state.lock())
        state->remove(m_id);
    m_state.reset();
    m_id = 0;
}

NotificationCenter::NotificationCenter() : m_state(std::make_shared<State>()) {}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::ObserverToken NotificationCenter::addObserver(const QString& name,
                                                                  Observer observer) {
    std::lock_guard lock(m_state->mutex);
    const quint64 id = m_state->nextId++;
    m_state->registrations.append(std::make_shared<Registration>(id, name, std::move(observer)));
    return ObserverToken(m_state, id);
}

void NotificationCenter::post(const QString& name, const QVariantMap& userInfo) {
    const Notification notification{name, userInfo};
    for (const auto& registration : m_state->observersOf(name))
        if (registration->isActive)
            registration->observer(notification);
}

} // namespace Base
