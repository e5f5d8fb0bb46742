#pragma once

#include <functional>

class QString;
class QWidget;

namespace Parlino {

// Tells assistive tools that a control's accessible name has just changed to `name`, for a control
// whose name says what its next press does ("Press again to delete"). The toolkit sends an event
// of its own when a name changes, but on this desktop it carries the control where the new name
// belongs, which screen readers cannot speak; the platform installs an announcer that sends the
// event they read. Without one, nothing more is sent. Main thread.
using NameAnnouncer = std::function<void(QWidget& control, const QString& name)>;

void setNameAnnouncer(NameAnnouncer announcer);
void announceName(QWidget& control, const QString& name);

} // namespace Parlino
