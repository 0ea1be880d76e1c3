/// \file
/// The proxy settings every network component owns and publishes as its Proxy.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxPersistent.h>

#include <QObject>
#include <QString>

/// Proxy settings, owned by every network component.
class VX_CORE_EXPORT TVxInetProxy : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Server READ Server WRITE SetServer)
    Q_PROPERTY(QString User READ User WRITE SetUser)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(bool UseProxy READ UseProxy WRITE SetUseProxy)
    Q_PROPERTY(int Port READ Port WRITE SetPort)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInetProxy(QObject* Owner = nullptr);

    /// The proxy's host name or address.
    QString Server() const { return FProxyServer; }
    /// Sets Server().
    void SetServer(const QString& Value) { CheckChange("Server"); FProxyServer = Value; }
    /// The login name for the proxy; empty for none.
    QString User() const { return FProxyUser; }
    /// Sets User().
    void SetUser(const QString& Value) { CheckChange("User"); FProxyUser = Value; }
    /// The password for the proxy.
    QString Password() const { return FProxyPassword; }
    /// Sets Password().
    void SetPassword(const QString& Value) { CheckChange("Password"); FProxyPassword = Value; }
    /// Whether the connection goes through this proxy (false by default).
    bool UseProxy() const { return FUseProxyServer; }
    /// Sets UseProxy().
    void SetUseProxy(bool Value) { CheckChange("UseProxy"); FUseProxyServer = Value; }
    /// The proxy's port; 0 for the default of its kind.
    int Port() const { return FProxyPort; }
    /// Sets Port().
    void SetPort(int Value) { CheckChange("Port"); FProxyPort = Value; }
    /// True when a proxy is named to be used: UseProxy is set and Server is not empty.
    /// The components connect through the proxy only then.
    bool Named() const { return FUseProxyServer && !FProxyServer.isEmpty(); }

    void Assign(TVxPersistent* Source) override;
    /// Fills server, enable flag and port from the user's system proxy settings
    /// (ReadProxyInfo); user and password stay.
    void FillProxyInfo();

private:
    bool FUseProxyServer = false;
    QString FProxyServer;
    QString FProxyUser;
    QString FProxyPassword;
    int FProxyPort = 0;
};
