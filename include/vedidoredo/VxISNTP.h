/// \file
/// The SNTP client: reads the current time from a time server with one SNTP exchange
/// (a 48-byte version 3 client message, UDP port 123) and gives it as local date-time.
#pragma once

#include <vedidoredo/VxInBase.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <QHostAddress>

/// Time servers answer SNTP only in datagrams, so this client replaces the engine's
/// stream transport: Connect resolves the target, each step sends the 48-byte query as
/// one datagram (without the engine's raw header block and without a proxy, which cannot
/// carry datagrams) and takes the reply to it: the first datagram of at least 48 bytes
/// whose originate timestamp echoes the transmit timestamp sent. Any other datagram is
/// ignored and the wait goes on. Timeout (5000 ms after construction) bounds the lookup
/// and the wait for the reply; when it runs out, or the reply is refused (not
/// synchronised, stratum 0 or above 15, no transmit time), reading DateTime raises, naming
/// the server.
class VX_CORE_EXPORT TVxInetSNTP : public TVxInetBase {
    Q_OBJECT
    // Properties whose every read runs an exchange (see TVxInetDateTime).
    Q_CLASSINFO("ExchangeOnRead", "DateTime")
    Q_PROPERTY(TDateTime DateTime READ GetDateTime)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInetSNTP(QObject* Owner = nullptr);
    ~TVxInetSNTP() override;

    /// Runs the exchange and decodes the reply: the server's transmit time as local
    /// date-time. Raises when the exchange fails or the reply fails the checks.
    TDateTime GetDateTime();
    /// The same as GetDateTime: every read asks the server.
    TDateTime DateTime() { return GetDateTime(); }

    /// The local zone's offset, UTC minus local time, in days, for the current moment
    /// (the TZ variable is honoured).
    static double TimeZoneBias();
    /// Value with its four bytes in the opposite order (network to host order and back).
    static qint32 SwapBytes(qint32 Value);
    /// A timestamp (host order; seconds since 1900-01-01 UTC and 2^-32 fractions) as local
    /// date-time, to whole milliseconds.
    static TDateTime NTPTimestamp2DateTime(qint32 Seconds, qint32 Fraction);
    /// The reply checks and conversion on their own: 0 for a rejected or short reply.
    static TDateTime DecodeReply(const QString& Reply);
    /// Why the reply checks refuse Reply (too short, not synchronised, no transmit time,
    /// stratum out of range); empty when they take it.
    static QString ReplyProblem(const QString& Reply);

    QString GetQuery() override;
    void Connect() override;
    void Disconnect() override;

protected:
    QString InternalExecute() override;

private:
    QHostAddress FPeer;
};
