/// \file
/// The daytime client: reads the date and time from a daytime server (TCP port 13).
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

    /// Runs the exchange and decodes the answer; every read asks the server again.
    TDateTime GetDateTime();
    /// The same as GetDateTime: every read asks the server.
    TDateTime DateTime() { return GetDateTime(); }

    /// The decoding of a daytime answer, on its own.
    static TDateTime DecodeDaytime(const QString& Answer);
};
