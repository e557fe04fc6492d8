#pragma once

#include <functional>

namespace platform {

// Runs onSignal on the calling (GUI) thread's event loop when the program is asked to end
// by SIGTERM, SIGINT or SIGHUP (a logout, kill, Ctrl+C, a closed terminal), so that it can
// shut down in order instead of dying on the spot. An empty function puts the default
// handling back. GUI thread, with the application object alive.
void onTerminationSignal(std::function<void()> onSignal);

} // namespace platform
