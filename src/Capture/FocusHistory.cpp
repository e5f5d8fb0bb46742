#include "Capture/FocusHistory.h"

#include <algorithm>
#include <vector>

namespace Capture {

void FocusHistory::noteFocused(const QByteArray& bus, const QByteArray& path) {
    Application& application = m_applications[bus];
    application.bus = bus;
    std::erase(application.paths, path);
    application.paths.push_back(path);
    if (application.paths.size() > rememberedPerApplication)
        application.paths.pop_front();
    application.sequence = ++m_sequence;
    if (m_applications.size() > rememberedApplications)
        m_applications.erase(std::ranges::min_element(
            m_applications, {}, [](const auto& entry) { return entry.second.sequence; }));
}

void FocusHistory::noteDeparted(const QByteArray& bus) {
    m_applications.erase(bus);
}

const FocusHistory::Application* FocusHistory::latest() const {
    const auto latest = std::ranges::max_element(
        m_applications, {}, [](const auto& entry) { return entry.second.sequence; });
    return latest == m_applications.end() ? nullptr : &latest->second;
}

const FocusHistory::Application* FocusHistory::ofProcess(qint32 pid,
                                                         const ProcessQuestion& processOf) {
    std::vector<Application*> byRecency;
    for (auto& [bus, application] : m_applications)
        byRecency.push_back(&application);
    std::ranges::sort(byRecency, std::ranges::greater(), &Application::sequence);
    for (Application* application : byRecency) {
        if (!application->pid)
            application->pid = processOf(application->bus);
        if (application->pid == pid)
            return application;
    }
    return nullptr;
}

} // namespace Capture
