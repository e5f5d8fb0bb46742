#pragma once

#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"

#include "support/ManualTime.h"

#include <QObject>
#include <QTemporaryDir>

#include <ostream>

namespace Parlino {
inline void PrintTo(const PlayerViewModel::Phase& phase, std::ostream* os) {
    *os << "Phase(kind " << int(phase.kind()) << ", chars " << phase.chars();
    if (phase.captureError())
        *os << ", capture error " << int(phase.captureError()->kind()) << ", dwell "
            << int(phase.dwell());
    *os << ")";
}
} // namespace Parlino

namespace ServicesTesting {

// Counts the emissions of one signal while it lives.
class SignalCount {
public:
    template <class Object, class Signal> SignalCount(Object* object, Signal signal) {
        QObject::connect(object, signal, &m_context, [this] { ++m_count; });
    }
    int count() const { return m_count; }

private:
    QObject m_context;
    int m_count = 0;
};

// The application's settings keys over a fresh suite in a temporary folder.
struct TestSettings {
    QTemporaryDir folder;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("settings"), folder.path(), scheduler);
    Parlino::SettingsKeys keys{suite};
};

} // namespace ServicesTesting
