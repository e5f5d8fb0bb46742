#pragma once

#include "Capture/Linux/X11SelectionReader.h"
#include "Capture/PasteboardProtocol.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace Capture {

// The user's clipboard (the X11 CLIPBOARD selection). Saving and putting back the user's own data
// go through QClipboard, which lives on the main thread: calls from other threads hop there and
// wait. The copied text is read on the calling thread through a reader of its own, which stops a
// transfer past the capture's limit, so a huge copy neither stalls the main thread nor fills the
// memory. The change count moves with every change that QClipboard reports (another
// application's copy included) and with every restore.
class SystemPasteboard final : public QObject, public PasteboardProtocol {
    Q_OBJECT

public:
    // Marks restored data for clipboard managers: an empty entry of this type means "not the
    // user's copy, do not record it".
    static constexpr char transientType[] = "org.nspasteboard.TransientType";

    // Make it on the main thread, after the application object. Without a reader (no X display)
    // no copied text is read.
    explicit SystemPasteboard(std::unique_ptr<X11SelectionReader> clipboardReader);
    ~SystemPasteboard() override;

    qint64 changeCount() const override;
    QList<PasteboardItem> snapshot() override;
    void restore(const QList<PasteboardItem>& items) override;
    // Not on the main thread: it answers for the clipboard when this application owns it.
    OfferedText readString(std::stop_token stop) override;

private:
    // Runs `work` on the main thread and waits for it; false, without running it, once the
    // application is closing down.
    bool onMainThread(const std::function<void()>& work);
    void closeDown();

    const std::unique_ptr<X11SelectionReader> m_clipboardReader;
    std::atomic<qint64> m_changeCount = 0;
    // Shared with hops still queued on the main thread, so they can outlive this object.
    struct Hops;
    const std::shared_ptr<Hops> m_hops;
};

} // namespace Capture
