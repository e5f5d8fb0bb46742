#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace Parlino {

// Ends the application as its Quit does when the session, a service manager or a terminal asks it
// to (SIGTERM, SIGHUP, SIGINT): the signal handler writes one byte into a pipe, all it may safely
// do, and the pipe's notifier calls `quit` on the main thread. One at a time; the signals get
// their default handling back when it goes.
class QuitSignals final : public QObject {
public:
    explicit QuitSignals(std::function<void()> quit, QObject* parent = nullptr);
    ~QuitSignals() override;
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // Whether the handlers are in place: false when no pipe could be made (logged).
    bool isListening() const { return m_notifier != nullptr; }

private:
    void readSignals();

    std::function<void()> m_quit;
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace Parlino
