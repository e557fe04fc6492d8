#pragma once

#include <QString>

namespace platform {

// Syntax check of an address with libcurl's URL parser (schemes libcurl can fetch).
bool isValidUrl(const QString& url);

// An address as libcurl's URL parser reads it.
struct ParsedUrl {
    QString url;    // the whole absolute address, normalised by the parser
    QString scheme; // lower case
    QString path;   // as in url, still percent-encoded
};

// reference read relative to base (RFC 3986); an absolute reference needs no base. Blanks
// are sent percent-encoded. Empty url when the reference is empty or does not parse, or is
// relative without a base that parses.
ParsedUrl resolveUrl(const QString& base, const QString& reference);

} // namespace platform
