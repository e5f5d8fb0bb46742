#pragma once

#include "Parlino/Shell/WindowFrames.h"

#include <QHash>
#include <QWidget>

namespace TestSupport {

// A window manager whose frames the test tells, window by window; a hidden window's frame does
// not count.
class FakeWindowFrames final : public Parlino::WindowFrames {
public:
    std::optional<QMargins> told(const QWidget& window) override {
        const auto found = m_told.find(&window);
        if (found == m_told.end() || !window.isVisible())
            return std::nullopt;
        return *found;
    }
    std::unique_ptr<Following> follow(QWidget& window,
                                      std::function<void(QMargins)> told) override {
        m_followers.insert(&window, std::move(told));
        return std::make_unique<Follower>(*this, window);
    }

    std::optional<QMargins> toldBefore() override { return m_toldBefore; }

    // The manager tells `frame` for the window, to its follower if it has one.
    void tell(const QWidget& window, QMargins frame) {
        m_told.insert(&window, frame);
        m_toldBefore = frame;
        if (const auto follower = m_followers.value(&window))
            follower(frame); // a copy: telling may end the following
    }
    // The window is made anew, as closing it does: the manager has told nothing for it yet.
    void forget(const QWidget& window) { m_told.remove(&window); }
    // What told the frames is gone (the property taken back, the manager gone): nothing stands.
    void withdraw() {
        m_told.clear();
        m_toldBefore.reset();
    }
    bool isFollowed(const QWidget* window) const { return m_followers.contains(window); }

private:
    class Follower final : public Following {
    public:
        Follower(FakeWindowFrames& frames, const QWidget& window)
            : m_frames(frames), m_window(window) {}
        ~Follower() override { m_frames.m_followers.remove(&m_window); }

    private:
        FakeWindowFrames& m_frames;
        const QWidget& m_window;
    };

    QHash<const QWidget*, QMargins> m_told;
    std::optional<QMargins> m_toldBefore;
    QHash<const QWidget*, std::function<void(QMargins)>> m_followers;
};

} // namespace TestSupport
