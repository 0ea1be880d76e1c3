// The proxy settings every network component owns and publishes as its Proxy.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxPersistent.h>

#include <QObject>
#include <QString>

class VX_CORE_EXPORT TVxInetProxy : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Server READ Server WRITE SetServer)
    Q_PROPERTY(QString User READ User WRITE SetUser)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(bool UseProxy READ UseProxy WRITE SetUseProxy)
    Q_PROPERTY(int Port READ Port WRITE SetPort)
public:
    explicit TVxInetProxy(QObject* Owner = nullptr);

    QString Server() const { return FProxyServer; }
    void SetServer(const QString& Value) { FProxyServer = Value; }
    QString User() const { return FProxyUser; }
    void SetUser(const QString& Value) { FProxyUser = Value; }
    QString Password() const { return FProxyPassword; }
    void SetPassword(const QString& Value) { FProxyPassword = Value; }
    bool UseProxy() const { return FUseProxyServer; }
    void SetUseProxy(bool Value) { FUseProxyServer = Value; }
    int Port() const { return FProxyPort; }
    void SetPort(int Value) { FProxyPort = Value; }
    /// True when a proxy is named to be used: UseProxy is set and Server is not empty.
    /// The components connect through the proxy only then.
    bool Named() const { return FUseProxyServer && !FProxyServer.isEmpty(); }

    void Assign(TVxPersistent* Source) override;
    // Fills server, enable flag and port from the user's system proxy settings
    // (ReadProxyInfo); user and password stay.
    void FillProxyInfo();

private:
    bool FUseProxyServer = false;
    QString FProxyServer;
    QString FProxyUser;
    QString FProxyPassword;
    int FProxyPort = 0;
};
