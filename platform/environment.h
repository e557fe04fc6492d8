#pragma once

// Reading the process environment, so that nothing outside platform/ asks the system. Any
// thread.

#include <QString>

namespace platform {

// The value of an environment variable, empty when it is not set.
QString environmentText(const char* name);

} // namespace platform
