#pragma once

#include <QString>

namespace platform {

// Syntax check of an address with libcurl's URL parser (schemes libcurl can fetch).
bool isValidUrl(const QString& url);

} // namespace platform
