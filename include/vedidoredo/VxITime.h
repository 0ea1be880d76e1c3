/// \file
/// The daytime client: reads the date and time from a daytime server (TCP port 13).
///
/// The answer is one line in one of the formats daytime servers send: NIST's
/// ("60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *", UTC), ctime/asctime
/// ("Tue Dec  8 13:39:35 2026"), RFC 822/2822 ("Tue, 08 Dec 2026 13:39:35 +0000",
/// "08 Dec 2026 13:39:35 UTC") or ISO 8601 ("2026-12-08T13:39:35Z"). An answer that names
/// its zone (NIST's is UTC) gives UTC; one that names none, or a zone name other than
/// RFC 822's (UT, GMT, EST ... PDT), gives the server's clock time as sent. Anything else,
/// an empty answer, an impossible date or a weekday that does not fit the date included,
/// raises EVxConvertError "unrecognised daytime answer: ..." with the answer quoted.
#pragma once

#include <vedidoredo/VxInBase.h>
#include <vedidoredo/platform/VxDateTime.h>

/// The daytime client (RFC 867, port 13): DateTime asks the server for the date and time. See \ref daytime.cpp.
class VX_CORE_EXPORT TVxInetDateTime : public TVxInetBase {
    Q_OBJECT
    // Properties whose every read runs an exchange (comma-separated), for tools that
    // list the properties of a component without meaning to talk to its server.
    Q_CLASSINFO("ExchangeOnRead", "DateTime")
    Q_PROPERTY(TDateTime DateTime READ GetDateTime)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInetDateTime(QObject* Owner = nullptr);
    ~TVxInetDateTime() override;

    /// Runs the exchange and decodes the answer; every read asks the server again. Raises
    /// when the exchange fails or the answer is not recognised (naming the server).
    TDateTime GetDateTime();
    /// The same as GetDateTime: every read asks the server.
    TDateTime DateTime() { return GetDateTime(); }

    /// The decoding of a daytime answer, on its own (see above).
    static TDateTime DecodeDaytime(const QString& Answer);
};
