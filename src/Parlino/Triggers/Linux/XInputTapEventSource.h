#pragma once

#include "Parlino/Triggers/Linux/RawKeyTranslator.h"
#include "Parlino/Triggers/TapEventSource.h"

#include <QSet>

#include <memory>

class QSocketNotifier;
struct _XDisplay;

namespace Base {
class Clock;
}

namespace Parlino {

// Listens, without grabbing anything, to the XInput2 raw key and button events of every device
// on its own X connection, read on the main thread. Raw events arrive whichever window has the
// focus, this application's included.
class XInputTapEventSource final : public TapEventSource {
public:
    // Events posted through the XTest extension (by this application's own synthetic copy, or
    // by automation tools) are ignored unless a test asks for them.
    enum class SyntheticEvents { ignored, delivered };

    explicit XInputTapEventSource(const Base::Clock& clock,
                                  SyntheticEvents synthetic = SyntheticEvents::ignored);
    ~XInputTapEventSource() override;
    XInputTapEventSource(const XInputTapEventSource&) = delete;
    XInputTapEventSource& operator=(const XInputTapEventSource&) = delete;

    bool start(Handler handler) override;
    void stop() override;

private:
    bool connect();
    void readEvents();
    std::optional<TapSourceEvent> translate(int type, const void* data);
    void findSyntheticDevices();

    const Base::Clock& m_clock;
    SyntheticEvents m_synthetic;
    _XDisplay* m_display = nullptr;
    int m_opcode = 0;
    QSocketNotifier* m_notifier = nullptr;
    Handler m_handler;
    RawKeyTranslator m_translator;
    QSet<int> m_syntheticDevices;
};

} // namespace Parlino
