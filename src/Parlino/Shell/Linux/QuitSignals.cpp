#include "Parlino/Shell/Linux/QuitSignals.h"

#include "Base/Log.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace Parlino {

namespace {

const Base::Log logger{QStringLiteral("launch")};

constexpr std::array quitSignals{SIGTERM, SIGHUP, SIGINT};

std::atomic<int> signalPipe = -1; // the write end, for the handler

void onQuitSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a request to quit: the byte may be dropped.
    [[maybe_unused]] const auto written = ::write(signalPipe.load(), &byte, 1);
    errno = savedErrno;
}

void handleWith(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : quitSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), m_quit(std::move(quit)) {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        logger.error("quit signals: no pipe: %{public}s",
                     QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    signalPipe = m_pipe[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QuitSignals::readSignals);
    handleWith(&onQuitSignal);
}

QuitSignals::~QuitSignals() {
    if (!m_notifier)
        return;
    handleWith(SIG_DFL);
    signalPipe = -1;
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void QuitSignals::readSignals() {
    std::array<char, 16> bytes;
    while (::read(m_pipe[0], bytes.data(), bytes.size()) > 0) {
    }
    logger.notice("quit requested by a signal");
    m_quit();
}

} // namespace Parlino
