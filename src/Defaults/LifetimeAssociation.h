#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace Defaults {

// Ties a target's lifetime to an owner QObject: the owner keeps the target alive until the
// owner is destroyed, which runs the end action once and then releases the target.
//
// The owner holds the tie as a child object, so tie and detach on the owner's thread.
class LifetimeAssociation {
public:
    LifetimeAssociation(std::shared_ptr<void> target, QObject* owner,
                        std::function<void()> endAction);
    // Detaches as invalidate() does.
    ~LifetimeAssociation();
    LifetimeAssociation(const LifetimeAssociation&) = delete;
    LifetimeAssociation& operator=(const LifetimeAssociation&) = delete;

    // Detaches without running the end action.
    void cancel();
    // Detaches from a living owner: the end action runs now and the target is released.
    void invalidate();

private:
    class Tracker;
    struct Link {
        Tracker* tracker = nullptr; // cleared as the tracker goes
    };

    std::shared_ptr<Link> m_link;
    QPointer<QObject> m_owner;
};

} // namespace Defaults
