#include "platform/connectivity.h"

#include <QFile>
#include <QNetworkInformation>

namespace platform {
namespace {

bool hasDefaultRoute()
{
    QFile v4(QStringLiteral("/proc/net/route"));
    if (v4.open(QIODevice::ReadOnly)) {
        v4.readLine(); // column titles
        while (!v4.atEnd()) {
            const QList<QByteArray> cols = v4.readLine().simplified().split(' ');
            // Iface Destination Gateway Flags ...; flag 0x1 = route is up.
            if (cols.size() > 3 && cols[1] == "00000000" && (cols[3].toUInt(nullptr, 16) & 1))
                return true;
        }
    }
    QFile v6(QStringLiteral("/proc/net/ipv6_route"));
    if (v6.open(QIODevice::ReadOnly)) {
        while (!v6.atEnd()) {
            const QList<QByteArray> cols = v6.readLine().simplified().split(' ');
            // dest prefixlen ... device; skip the loopback device's reject route.
            if (cols.size() >= 10 && cols[0] == QByteArray(32, '0') && cols[1] == "00" &&
                cols[9] != "lo")
                return true;
        }
    }
    return false;
}

} // namespace

bool isOnline()
{
    static const bool backend =
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (backend) {
        switch (QNetworkInformation::instance()->reachability()) {
        case QNetworkInformation::Reachability::Online:
            return true;
        case QNetworkInformation::Reachability::Disconnected:
            return false;
        default:
            break; // Unknown, Local, Site: ask the routing table
        }
    }
    return hasDefaultRoute();
}

} // namespace platform
