// Host names as URLs and Host lines write them.
#pragma once

#include <QString>

// An IPv6 address in brackets ("[::1]"), as a URL or a Host line writes it; names,
// IPv4 addresses and hosts already in brackets as they are.
inline QString VxHostForUrl(const QString& Host)
{
    return Host.contains(QLatin1Char(':')) && !Host.startsWith(QLatin1Char('['))
               ? QLatin1Char('[') + Host + QLatin1Char(']')
               : Host;
}
