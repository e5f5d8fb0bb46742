#pragma once

#include "Capture/CaptureStrategy.h"

#include <QByteArray>
#include <QList>

#include <map>
#include <stop_token>

namespace Capture {

// One item of the pasteboard: its data by type (a MIME type).
using PasteboardItem = std::map<QString, QByteArray>;

// The user's pasteboard (the clipboard). Called from capture worker threads, one caller at a time
// (the pasteboard gate serialises them). An implementation over a clipboard that lives on the main
// thread hops there synchronously, which is safe because the main thread never waits for a
// capture; once the application is closing down it must give up instead of waiting.
class PasteboardProtocol {
public:
    virtual ~PasteboardProtocol() = default;

    // Moves whenever anything writes to the pasteboard, including restore(); a write is visible
    // here by the time the call that made it has returned.
    virtual qint64 changeCount() const = 0;
    // Everything on the pasteboard, item by item; unreadable data is left out.
    virtual QList<PasteboardItem> snapshot() = 0;
    // Replaces the pasteboard's contents by saved items, marked as transient for clipboard
    // managers; an empty list leaves the pasteboard cleared.
    virtual void restore(const QList<PasteboardItem>& items) = 0;
    // The plain text on the pasteboard, if any; nothing once `stop` is requested. Fails with
    // selectionTooLarge, without taking the rest, as soon as the text is known to be longer than
    // CaptureError::maxSelectionBytes.
    virtual OfferedText readString(std::stop_token stop) = 0;
};

} // namespace Capture
