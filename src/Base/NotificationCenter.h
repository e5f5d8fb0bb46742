#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>

namespace Base {

// A named notification with its user information.
struct Notification {
    QString name;
    QVariantMap userInfo;
};

// Broadcasts named notifications to the observers of that name.
//
// Posting is synchronous: every observer registered for the name runs on the posting thread
// before `post` returns, in the order of registration. Observers may post, add or remove
// observers while they run; an observer removed during a delivery is not called afterwards.
class NotificationCenter {
    struct State;

public:
    using Observer = std::function<void(const Notification&)>;

    // Keeps an observer registered; destroying or resetting it removes the observer. It may
    // outlive its center.
    class ObserverToken {
    public:
        ObserverToken() = default;
        ObserverToken(ObserverToken&&) noexcept = default;
        ObserverToken& operator=(ObserverToken&& other) noexcept;
        ~ObserverToken() { reset(); }

        void reset();
        explicit operator bool() const { return m_id != 0; }

    private:
        friend class NotificationCenter;
        ObserverToken(std::weak_ptr<State> state, quint64 id)
            : m_state(std::move(state)), m_id(id) {}

        std::weak_ptr<State> m_state;
        quint64 m_id = 0;
    };

    NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // The process's shared center.
    static NotificationCenter& defaultCenter();

    [[nodiscard]] ObserverToken addObserver(const QString& name, Observer observer);
    void post(const QString& name, const QVariantMap& userInfo = {});

private:
    std::shared_ptr<State> m_state;
};

} // namespace Base
