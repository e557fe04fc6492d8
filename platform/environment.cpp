#include "platform/environment.h"

#include <QtGlobal>

namespace platform {

QString environmentText(const char* name)
{
    return qEnvironmentVariable(name);
}

} // namespace platform
