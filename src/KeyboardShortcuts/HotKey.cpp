#include "KeyboardShortcuts/HotKey.h"

#include "KeyboardShortcuts/HotKeyCenter.h"

namespace KeyboardShortcuts {

HotKey::HotKey(HotKeyCenter& center, const Shortcut& shortcut, Action onKeyDown, Action onKeyUp)
    : onKeyDown(std::move(onKeyDown)), onKeyUp(std::move(onKeyUp)), m_center(center),
      m_shortcut(shortcut), m_id(center.nextHotKeyId()) {}

HotKey::~HotKey() {
    m_center.release(*this);
}

} // namespace KeyboardShortcuts
