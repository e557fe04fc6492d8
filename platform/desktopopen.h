#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace platform {

// Opens a web address or a local file with the desktop's own handler (xdg-open) and tells
// whether the desktop took it: false when the handler failed, as it does when no browser is
// installed. A handler still running after a short wait (a browser started in the
// foreground) counts as success and is left to run. nullopt when there is no handler
// program, so the caller can fall back on another way. waitStep keeps the caller's events
// turning meanwhile. GUI thread.
std::optional<bool> openWithDesktop(const QString& target, const std::function<void()>& waitStep);

} // namespace platform
