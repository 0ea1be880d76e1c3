/// \file
/// A raw HTTP/1.0 client on the socket request engine: composes the request line, the
/// Host line and the extra header lines, reads the whole answer, and splits it into the
/// status and header lines (ResponseHeaders) and the body.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QStringList>
#include <functional>

/// The enumerations of the HTTP client, also in the global namespace (`haGet`).
namespace VxHTTPEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// The request's method.
enum TVxIHTTPAction {
    haHead,  ///< HEAD: the status and header lines only
    haGet,   ///< GET: the resource
    haPost   ///< POST: sends a body
};
Q_ENUM_NS(TVxIHTTPAction)
}  // namespace VxHTTPEnums
using VxHTTPEnums::TVxIHTTPAction;
using enum VxHTTPEnums::TVxIHTTPAction;

/// URL holds the whole Location line (name, colon and value); the handler turns it into
/// the host to contact next and clears Abort to follow.
using TVxIHTTPRedirectEvent = std::function<void(QObject* Sender, QString& URL, bool& Abort)>;

/// Redirects. When the answer carries a Location line, OnRedirect is asked (Abort preset
/// to true; without a handler nothing is followed). When the handler clears Abort and
/// leaves a non-empty URL, Host becomes URL and one more request is sent in the same
/// Execute. The first answer was read until the server closed the connection, so the
/// client reconnects (to the new Host, or through the proxy) before that request. The
/// second answer replaces the first: it is split the same way (ResponseHeaders, and the
/// body alone with RemoveHeaders), and it is what Execute returns. It does not pass through
/// OnAfterExecute or the redirect check again, so at most one redirect is followed per
/// Execute. A failure of the second exchange raises out of Execute like the first.
///
/// The Host line names the target as a server can use it: the host name, or the address
/// when the target was given as one, followed by ":" and the port unless it is 80.
///
/// Proxies. With a proxy Server set but UseProxy false the connection goes to Host and the
/// request names the proxy: "GET " Host Request, "Host: " proxy Server. When the connection
/// really goes through the proxy (UseProxy true and a Server set), the engine retargets
/// the socket to the proxy, so the request is written for the target remembered before
/// that: "GET http://" target [":" port] Request " HTTP/1.0" and "Host: " target [":" port].
class VX_CORE_EXPORT TVxIHTTPClient : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(TVxIHTTPAction Action READ Action WRITE SetAction)
    Q_PROPERTY(QString Request READ Request WRITE SetRequest)
    Q_PROPERTY(QStringList Headers READ Headers WRITE SetHeaders)
    Q_PROPERTY(bool RemoveHeaders READ RemoveHeaders WRITE SetRemoveHeaders)
    Q_PROPERTY(QStringList ResponseHeaders READ ResponseHeaders)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxIHTTPClient(QObject* Owner = nullptr);
    ~TVxIHTTPClient() override;

    /// The request's method (haGet by default).
    TVxIHTTPAction Action() const { return FAction; }
    /// Sets Action().
    void SetAction(TVxIHTTPAction Value) { CheckChange("Action"); FAction = Value; }
    /// The resource asked for, the request line's path ("/" when empty).
    QString Request() const { return FRequest; }
    /// Sets Request().
    void SetRequest(const QString& Value) { CheckChange("Request"); FRequest = Value; }
    /// Extra header lines sent after the Host line, each "Name: value".
    QStringList Headers() const { return FHeaders; }
    /// Sets Headers().
    void SetHeaders(const QStringList& Value) { CheckChange("Headers"); FHeaders = Value; }
    /// Whether Execute returns the body alone, without the status and header lines.
    bool RemoveHeaders() const { return FRemoveHeaders; }
    /// Sets RemoveHeaders().
    void SetRemoveHeaders(bool Value) { CheckChange("RemoveHeaders"); FRemoveHeaders = Value; }
    /// The status line and header lines of the last answer.
    QStringList ResponseHeaders() const { return FResponseHeaders; }

    /// Called for an answer with a Location line; clears Abort to follow it.
    TVxIHTTPRedirectEvent OnRedirect() const { return FOnRedirect; }
    /// Sets the handler OnRedirect() calls; an empty function removes it.
    void SetOnRedirect(TVxIHTTPRedirectEvent Value) { CheckChange("OnRedirect"); FOnRedirect = Guarded(std::move(Value)); }

    /// The first line of ResponseHeaders that starts with Value, ASCII letter case
    /// ignored; the whole line as received, or empty.
    /// The value of the last answer's header named Value; empty when it has none.
    Q_INVOKABLE QString GetResponse(const QString& Value) const;

    QString GetQuery() override;
    /// Remembers the target before the engine retargets the socket to a proxy.
    void Connect() override;

protected:
    void AfterExecute(QString& Text) override;
    /// An answer the engine refuses (401, 404, 407) leaves its status and header lines in
    /// ResponseHeaders before Execute raises.
    void AnswerRefused(const QString& Piece) override;

private:
    TVxIHTTPAction FAction = haHead;
    QString FRequest;
    QStringList FHeaders;
    bool FRemoveHeaders = true;
    QStringList FResponseHeaders;
    TVxIHTTPRedirectEvent FOnRedirect;
    /// The target of a connection through the proxy ("host" or "host:port"), empty when
    /// the connection goes direct.
    QString FProxiedTarget;
};
