#pragma once

#include <QString>

namespace platform {

// The value of an environment variable, empty when it is not set.
QString environmentText(const char* name);

} // namespace platform
