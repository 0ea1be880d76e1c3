// Blocking exchanges for the socket clients whose protocols do not fit the engine's
// stream cycle: one datagram out and one back (SNTP, DNS), and one length-framed
// message over TCP (DNS when a datagram reply was truncated). Every wait is bounded by
// the given time in milliseconds (0 waits without limit); an expired wait or any socket
// failure raises EVxSocketError, whose message says what failed; the caller names the peer.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxException.h>

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <functional>

/// Resolves a host name (or takes a literal address) to one address, IPv4 preferred.
VX_CORE_EXPORT QHostAddress VxResolveHost(const QString& HostName, int TimeoutMs);

/// Sends Request as one datagram to Peer:Port and returns the first datagram that comes
/// back from there and that Accept (when given) takes; others are dropped and the wait
/// goes on until the time is up.
VX_CORE_EXPORT QByteArray VxUdpExchange(const QHostAddress& Peer, quint16 Port,
                                        const QByteArray& Request, int TimeoutMs,
                                        const std::function<bool(const QByteArray&)>& Accept = {});

/// Connects to Peer:Port, sends Message behind a two-byte big-endian length, reads one
/// reply framed the same way and returns it without its length; then closes.
VX_CORE_EXPORT QByteArray VxTcpFramedExchange(const QHostAddress& Peer, quint16 Port,
                                              const QByteArray& Message, int TimeoutMs);
