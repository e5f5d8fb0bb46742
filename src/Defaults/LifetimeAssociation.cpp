#include "Defaults/LifetimeAssociation.h"

namespace Defaults {

// The owner's child that keeps the target alive and runs the end action when it goes.
class LifetimeAssociation::Tracker : public QObject {
public:
    Tracker(std::shared_ptr<void> target, std::function<void()> endAction,
            std::shared_ptr<Link> link, QObject* owner)
        : QObject(owner), m_target(std::move(target)), m_endAction(std::move(endAction)),
          m_link(std::move(link)) {
        m_link->tracker = this;
    }
    ~Tracker() override {
        m_link->tracker = nullptr;
        if (auto endAction = std::exchange(m_endAction, nullptr))
            endAction();
        m_target.reset();
    }

    void dropEndAction() { m_endAction = nullptr; }

private:
    std::shared_ptr<void> m_target;
    std::function<void()> m_endAction;
    std::shared_ptr<Link> m_link;
};

LifetimeAssociation::LifetimeAssociation(std::shared_ptr<void> target, QObject* owner,
                                         std::function<void()> endAction)
    : m_link(std::make_shared<Link>()), m_owner(owner) {
    new Tracker(std::move(target), std::move(endAction), m_link, owner);
}

LifetimeAssociation::~LifetimeAssociation() {
    invalidate();
}

void LifetimeAssociation::cancel() {
    if (m_link->tracker)
        m_link->tracker->dropEndAction();
    invalidate();
}

void LifetimeAssociation::invalidate() {
    if (m_owner && m_link->tracker)
        delete m_link->tracker;
    m_owner.clear();
}

} // namespace Defaults
