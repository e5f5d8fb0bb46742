#include "KeyboardShortcuts/Linux/XRawKeyReleases.h"

#include "Base/Log.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace KeyboardShortcuts {

namespace {

const Base::Log logger{QStringLiteral("shortcuts")};

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> Reply<T> reply(T* value) {
    return Reply<T>(value, &std::free);
}

} // namespace

XRawKeyReleases::XRawKeyReleases(xcb_connection_t* connection, quint32 rootWindow)
    : m_connection(connection), m_root(rootWindow) {
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    if (!extension || !extension->present) {
        logger.error("hot keys: the X server has no XInput extension; a hot key held while its "
                     "window goes away stays held");
        return;
    }
    m_opcode = extension->major_opcode;
}

XRawKeyReleases::~XRawKeyReleases() {
    setListening(false);
}

void XRawKeyReleases::setListening(bool isListening) {
    if (!m_opcode || isListening == m_isListening)
        return;
    m_isListening = isListening;
    select(isListening);
}

std::optional<quint8> XRawKeyReleases::keyCode(const void* xcbEvent) const {
    const auto* event = static_cast<const xcb_ge_generic_event_t*>(xcbEvent);
    if (!m_opcode || (event->response_type & 0x7f) != XCB_GE_GENERIC ||
        event->extension != *m_opcode || event->event_type != XCB_INPUT_RAW_KEY_RELEASE)
        return std::nullopt;
    const auto* release = static_cast<const xcb_input_raw_key_release_event_t*>(xcbEvent);
    return quint8(release->detail);
}

// XInput keeps one mask for each client, window and device: the connection's mask for the master
// devices is read, and written back with the raw key releases added or taken out.
void XRawKeyReleases::select(bool on) {
    const auto selected = reply(xcb_input_xi_get_selected_events_reply(
        m_connection, xcb_input_xi_get_selected_events(m_connection, m_root), nullptr));
    std::vector<quint32> words{0}; // the mask's header, then its words
    if (selected) {
        for (auto it = xcb_input_xi_get_selected_events_masks_iterator(selected.get()); it.rem;
             xcb_input_event_mask_next(&it)) {
            if (it.data->deviceid != XCB_INPUT_DEVICE_ALL_MASTER)
                continue;
            const quint32* mask = xcb_input_event_mask_mask(it.data);
            words.insert(words.end(), mask, mask + it.data->mask_len);
        }
    }
    if (words.size() == 1)
        words.push_back(0);
    if (on)
        words[1] |= XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
    else
        words[1] &= ~quint32(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE);
    auto* header = reinterpret_cast<xcb_input_event_mask_t*>(words.data());
    header->deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    header->mask_len = quint16(words.size() - 1);
    xcb_input_xi_select_events(m_connection, m_root, 1, header);
    xcb_flush(m_connection);
}

} // namespace KeyboardShortcuts
