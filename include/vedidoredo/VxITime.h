// The daytime client: reads the date and time from a daytime server (TCP port 13).
#pragma once

#include <vedidoredo/VxInBase.h>
#include <vedidoredo/platform/VxDateTime.h>

class VX_CORE_EXPORT TVxInetDateTime : public TVxInetBase {
    Q_OBJECT
    // Properties whose every read runs an exchange (comma-separated), for tools that
    // list the properties of a component without meaning to talk to its server.
    Q_CLASSINFO("ExchangeOnRead", "DateTime")
    Q_PROPERTY(TDateTime DateTime READ GetDateTime)
public:
    explicit TVxInetDateTime(QObject* Owner = nullptr);
    ~TVxInetDateTime() override;

    // Runs the exchange and decodes the answer; every read asks the server again.
    TDateTime GetDateTime();
    TDateTime DateTime() { return GetDateTime(); }

    // The decoding of a daytime answer, on its own.
    static TDateTime DecodeDaytime(const QString& Answer);
};
