#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace Parlino {

// Whether a compositing manager runs on the X display (it owns the "_NET_WM_CM_S<n>"
// selection), followed as compositors start and exit. Reads nothing without an X display.
class CompositorWatch final : public QObject {
    Q_OBJECT

public:
    explicit CompositorWatch(QObject* parent = nullptr);
    ~CompositorWatch() override;

    bool isRunning() const { return m_running; }

signals:
    void runningChanged();

private:
    void readEvents();
    bool ownerExists() const;

    struct Connection;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_running = false;
};

} // namespace Parlino
