// GLib's headers name struct members `signals`, which Qt defines as a macro: include them first.
#include <gio/gio.h>

#include "PrivateKeyring.h"

namespace PrivateKeyring {

void keepRunningWhenTheBusCloses() {
    // GLib's shared session connection, which libsecret's calls use, raises SIGTERM in the process
    // once the bus closes: the test's bus ends while the test program still runs.
    if (GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(connection, false);
        g_object_unref(connection);
    }
}

} // namespace PrivateKeyring
