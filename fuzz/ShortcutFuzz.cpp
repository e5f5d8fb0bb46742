// A stored shortcut: what reads writes back to the same shortcut.
#include "KeyboardShortcuts/Shortcut.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto shortcut =
        KeyboardShortcuts::Shortcut::fromJson(QString::fromUtf8(Fuzz::bytes(data, size)));
    if (shortcut)
        Fuzz::require(KeyboardShortcuts::Shortcut::fromJson(shortcut->toJson()) == shortcut);
    return 0;
}
