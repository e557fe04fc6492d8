#pragma once

namespace platform {

// True when the system reports a way to the Internet: the network-information backend's
// reachability where one loads, else an IPv4 or IPv6 default route.
bool isOnline();

} // namespace platform
