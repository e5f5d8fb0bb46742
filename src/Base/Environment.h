#pragma once

namespace Base::Environment {

// A diagnostic switch: an environment variable that counts only when its value is exactly "1".
bool isSwitchOn(const char* name);

} // namespace Base::Environment
