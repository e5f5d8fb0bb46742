#pragma once

#include <QByteArray>

#include <deque>
#include <functional>
#include <map>
#include <optional>

namespace Capture {

// The objects that the applications on the accessibility bus announced as focused lately, by
// application, the most recent last: an item view may announce its current item as focused after
// the element that really has the keyboard focus. An application is forgotten when it leaves the
// bus; of the others, only the most recently focused ones are kept.
class FocusHistory {
public:
    struct Application {
        QByteArray bus;               // its name on the accessibility bus
        std::optional<qint32> pid;    // its process, once asked
        std::deque<QByteArray> paths; // its objects focused lately, the most recent last
        quint64 sequence = 0;         // larger is more recent
    };
    // Asks the process of the application with this name on the bus.
    using ProcessQuestion = std::function<std::optional<qint32>(const QByteArray& bus)>;

    static constexpr std::size_t rememberedApplications = 32;
    static constexpr std::size_t rememberedPerApplication = 4;

    void noteFocused(const QByteArray& bus, const QByteArray& path);
    void noteDeparted(const QByteArray& bus);

    // The application that announced a focus change last; nothing when none is remembered.
    const Application* latest() const;
    // The application of the process. Asks `processOf` once for each application whose process is
    // not known yet, the most recently focused first, until one is this process.
    const Application* ofProcess(qint32 pid, const ProcessQuestion& processOf);

private:
    std::map<QByteArray, Application> m_applications; // by name on the bus
    quint64 m_sequence = 0;
};

} // namespace Capture
