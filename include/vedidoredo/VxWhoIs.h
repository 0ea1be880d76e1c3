/// \file
/// The WHOIS client (RFC 3912, TCP port 43): asks a WHOIS server for the registration
/// record of a domain name or an IPv4 address and returns the server's text unchanged.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QStringList>

/// The WHOIS client: Execute returns the registration record of Domain. See \ref whois.cpp.
class VX_CORE_EXPORT TVxWhoIs : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(bool AutoSelectServer READ AutoSelectServer WRITE SetAutoSelectServer)
    Q_PROPERTY(QString Domain READ Domain WRITE SetDomain)
    Q_PROPERTY(QStringList ServerList READ ServerList WRITE SetServerList)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxWhoIs(QObject* Owner = nullptr);
    ~TVxWhoIs() override;

    /// Whether setting Domain picks the WHOIS server of its top-level domain from ServerList as Host (true by default).
    bool AutoSelectServer() const { return FAutoSelectServer; }
    /// Sets AutoSelectServer().
    void SetAutoSelectServer(bool Value) { CheckChange("AutoSelectServer"); FAutoSelectServer = Value; }
    /// The domain name or IPv4 address asked about.
    QString Domain() const { return FDomain; }
    /// Stores the domain and, with AutoSelectServer, makes the WHOIS server for its last
    /// label the target: the default server for an IPv4 address, the "*" entry of the
    /// list for a label that is not listed, the default server when that is missing too.
    /// Setting the value the property already has does nothing.
    void SetDomain(const QString& Value);
    /// The WHOIS servers by top-level domain, as "tld=server" lines.
    QStringList ServerList() const { return FServerList; }
    /// Replaces the list; the current target stays until Domain changes.
    void SetServerList(const QStringList& Value) { CheckChange("ServerList"); FServerList = Value; }

    /// Domain + CR LF. A name with non-ASCII characters is sent in its IDNA (xn--) form.
    QString GetQuery() override;

    /// The server that the list gives for Name (letter case ignored, first match); empty
    /// when Name is not listed.
    QString ServerFor(const QString& Name) const;

    /// The default WHOIS server (a regional Internet registry's), also the "*" entry.
    static QString DefaultServer();
    /// The built-in list: 149 lines name=server, the "*" entry first.
    static QStringList BuiltInServerList();

private:
    QString FDomain;
    QStringList FServerList;
    bool FAutoSelectServer = true;
};
