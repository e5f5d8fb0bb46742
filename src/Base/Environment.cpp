#include "Base/Environment.h"

#include <QByteArray>

namespace Base::Environment {

bool isSwitchOn(const char* name) {
    return qgetenv(name) == "1";
}

} // namespace Base::Environment
