#pragma once

class QString;
class QWidget;

namespace Parlino {

// Sends the accessibility bus the name-change event that screen readers speak: the
// "accessible-name" property change of the control's object, carrying the new name. Qt's own
// event for a name change carries the object instead, which Orca cannot speak. It goes out on the
// connection through which Qt serves the application's objects, so that it names the object a
// screen reader knows; while no assistive tool has connected, nothing is sent.
void announceNameOnAtspi(QWidget& control, const QString& name);

} // namespace Parlino
