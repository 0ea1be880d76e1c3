// A raw HTTP/1.0 client on the socket request engine: composes the request line, the
// Host line and the extra header lines, reads the whole answer, and splits it into the
// status and header lines (ResponseHeaders) and the body.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QStringList>
#include <functional>

namespace VxHTTPEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
enum TVxIHTTPAction { haHead, haGet, haPost };
Q_ENUM_NS(TVxIHTTPAction)
}  // namespace VxHTTPEnums
using VxHTTPEnums::TVxIHTTPAction;
using enum VxHTTPEnums::TVxIHTTPAction;

// URL holds the whole Location line (name, colon and value); the handler turns it into
// the host to contact next and clears Abort to follow.
using TVxIHTTPRedirectEvent = std::function<void(QObject* Sender, QString& URL, bool& Abort)>;

// Redirects. When the answer carries a Location line, OnRedirect is asked (Abort preset
// to true; without a handler nothing is followed). When the handler clears Abort and
// leaves a non-empty URL, Host becomes URL and one more request is sent in the same
// Execute. The first answer was read until the server closed the connection, so the
// client reconnects (to the new Host, or through the proxy) before that request. The
// second answer replaces the first: it is split the same way (ResponseHeaders, and the
// body alone with RemoveHeaders), and it is what Execute returns. It does not pass through
// OnAfterExecute or the redirect check again, so at most one redirect is followed per
// Execute. A failure of the second exchange makes Execute return its message.
//
// The Host line names the target as a server can use it: the host name, or the address
// when the target was given as one, followed by ":" and the port unless it is 80.
//
// Proxies. With a proxy Server set but UseProxy false the connection goes to Host and the
// request names the proxy: "GET " Host Request, "Host: " proxy Server. When the connection
// really goes through the proxy (UseProxy true and a Server set), the engine retargets
// the socket to the proxy, so the request is written for the target remembered before
// that: "GET http://" target [":" port] Request " HTTP/1.0" and "Host: " target [":" port].
class VX_CORE_EXPORT TVxIHTTPClient : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(TVxIHTTPAction Action READ Action WRITE SetAction)
    Q_PROPERTY(QString Request READ Request WRITE SetRequest)
    Q_PROPERTY(QStringList Headers READ Headers WRITE SetHeaders)
    Q_PROPERTY(bool RemoveHeaders READ RemoveHeaders WRITE SetRemoveHeaders)
    Q_PROPERTY(QStringList ResponseHeaders READ ResponseHeaders)
public:
    explicit TVxIHTTPClient(QObject* Owner = nullptr);
    ~TVxIHTTPClient() override;

    TVxIHTTPAction Action() const { return FAction; }
    void SetAction(TVxIHTTPAction Value) { CheckChange("Action"); FAction = Value; }
    QString Request() const { return FRequest; }
    void SetRequest(const QString& Value) { CheckChange("Request"); FRequest = Value; }
    QStringList Headers() const { return FHeaders; }
    void SetHeaders(const QStringList& Value) { CheckChange("Headers"); FHeaders = Value; }
    bool RemoveHeaders() const { return FRemoveHeaders; }
    void SetRemoveHeaders(bool Value) { CheckChange("RemoveHeaders"); FRemoveHeaders = Value; }
    QStringList ResponseHeaders() const { return FResponseHeaders; }

    TVxIHTTPRedirectEvent OnRedirect() const { return FOnRedirect; }
    void SetOnRedirect(TVxIHTTPRedirectEvent Value) { CheckChange("OnRedirect"); FOnRedirect = Guarded(std::move(Value)); }

    // The first line of ResponseHeaders that starts with Value, ASCII letter case
    // ignored; the whole line as received, or empty.
    Q_INVOKABLE QString GetResponse(const QString& Value) const;

    QString GetQuery() override;
    // Remembers the target before the engine retargets the socket to a proxy.
    void Connect() override;

protected:
    void AfterExecute(QString& Text) override;

private:
    TVxIHTTPAction FAction = haHead;
    QString FRequest;
    QStringList FHeaders;
    bool FRemoveHeaders = true;
    QStringList FResponseHeaders;
    TVxIHTTPRedirectEvent FOnRedirect;
    // The target of a connection through the proxy ("host" or "host:port"), empty when
    // the connection goes direct.
    QString FProxiedTarget;
};
