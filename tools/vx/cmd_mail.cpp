// `vx mail`: sends a message whose text is read from standard input.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "VxTerminal.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/platform/VxInternet.h>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

// A friendly command waits minutes for a busy mail server, as RFC 5321 suggests.
constexpr double DefaultTimeoutSeconds = 5 * 60;

int Fail(const QString& Message)
{
    vx::PrintError(Message);
    return vx::ExitError;
}

// The message text: UTF-8 when it is valid UTF-8 (labelled so unless it is plain
// ASCII), otherwise one byte per character labelled ISO-8859-1. The sender encodes
// text beyond ASCII for 7-bit transport itself.
void SetBodyFromBytes(TVxISMTP& Mail, const QByteArray& Raw)
{
    QString Text;
    bool Ascii = true;
    for (char C : Raw)
        Ascii = Ascii && static_cast<unsigned char>(C) < 0x80;
    if (!Ascii) {
        QStringDecoder Utf8(QStringDecoder::Utf8);
        Text = Utf8.decode(Raw);
        if (Utf8.hasError()) {
            Text = QString::fromLatin1(Raw);
            Mail.SetCharSet(QStringLiteral("iso-8859-1"));
        } else {
            Mail.SetCharSet(QStringLiteral("utf-8"));
        }
    } else {
        Text = QString::fromLatin1(Raw);
    }
    QStringList Lines = Text.split(QLatin1Char('\n'));
    if (!Lines.isEmpty() && Lines.last().isEmpty())
        Lines.removeLast();  // the line break that ends the last line
    for (QString& Line : Lines)
        if (Line.endsWith(QLatin1Char('\r')))
            Line.chop(1);
    Mail.SetBody(Lines);
}

void AddAddresses(TVxIEMailAddresses* List, const QStringList& Values)
{
    for (const QString& Value : Values) {
        TVxIEMailAddresses Parsed;
        Parsed.SetEMailAddresses(Value);
        for (int I = 0; I < Parsed.Count(); ++I)
            List->Add()->Assign(Parsed.Items(I));
    }
}

int RunMail(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"--server", "HOST[:PORT]"},
                                    {"--from", "ADDR"},
                                    {"--to", "ADDR", vx::ListOption},
                                    {"--cc", "ADDR", vx::ListOption},
                                    {"--bcc", "ADDR", vx::ListOption},
                                    {"--reply-to", "ADDR", vx::ListOption},
                                    {"--attach", "FILE", vx::ListOption},
                                    {"--subject", "TEXT"},
                                    {"--login", "USER"},
                                    {"--priority", "P"},
                                    {"--starttls"},
                                    {"--tls"},
                                    {"--cacert", "FILE"},
                                    {"--timeout", "SECONDS"}});
    O.ExpectPositional(0, 0, "options only; the message comes from standard input");
    const QString Server = O.Value("--server");
    if (Server.isEmpty())
        throw vx::UsageError{QStringLiteral("--server is missing")};
    if (O.Values("--from").size() != 1)
        throw vx::UsageError{QStringLiteral("give exactly one --from")};
    if (!O.Has("--to") && !O.Has("--cc") && !O.Has("--bcc"))
        throw vx::UsageError{QStringLiteral("no recipient: give --to, --cc or --bcc")};

    if (O.Has("--starttls") && O.Has("--tls"))
        throw vx::UsageError{QStringLiteral("give --starttls or --tls, not both")};
    const TVxITLSMode TlsMode = O.Has("--starttls") ? tmStartTLS : O.Has("--tls") ? tmImplicit : tmNone;

    TVxISMTP Mail;
    // The usual ports: submission with STARTTLS, and mail over TLS from the first byte.
    const int DefaultPort = TlsMode == tmStartTLS ? 587 : TlsMode == tmImplicit ? 465 : 25;
    const vx::HostPort Target = vx::ParseHostPort(Server, DefaultPort, QStringLiteral("--server"));
    const QString& Host = Target.Host;
    Mail.SetHost(Host);
    Mail.SetPort(Target.Port);
    Mail.SetTimeout(O.TimeoutMs(DefaultTimeoutSeconds));
    Mail.SetTLSMode(TlsMode);
    if (O.Has("--cacert") && !VxInetAddTrustedCertificates(O.Value("--cacert")))
        return Fail(QStringLiteral("cannot read the CA file '%1'").arg(O.Value("--cacert")));

    Mail.From()->SetText(O.Value("--from").trimmed());
    AddAddresses(Mail.Recipients(), O.Values("--to"));
    AddAddresses(Mail.CC(), O.Values("--cc"));
    AddAddresses(Mail.BCC(), O.Values("--bcc"));
    AddAddresses(Mail.ReplyTo(), O.Values("--reply-to"));
    if (O.Has("--subject"))
        Mail.SetSubject(O.Value("--subject"));
    if (O.Has("--priority")) {
        const QString Priority = O.Value("--priority");
        static const char* const Names[] = {"highest", "high", "normal", "low", "lowest"};
        int Index = -1;
        for (int P = 0; P < 5; ++P)
            if (Priority.compare(QLatin1String(Names[P]), Qt::CaseInsensitive) == 0)
                Index = P;
        if (Index < 0)
            throw vx::UsageError{QStringLiteral("unknown priority '%1'").arg(Priority)};
        Mail.SetPriority(TVxISMTPPriority(Index));
    }
    for (const QString& File : O.Values("--attach")) {
        if (!QFileInfo(File).isFile())
            return Fail(QStringLiteral("cannot read the attachment file '%1'").arg(File));
        TVxIEMailAttachment* A = Mail.Attachments()->Add();
        A->SetFileName(File);
        A->DetectContentType();
    }

    if (O.Has("--login")) {
        QString User = O.Value("--login");
        QString Password = qEnvironmentVariable("VX_SMTP_PASSWORD");
        if (!qEnvironmentVariableIsSet("VX_SMTP_PASSWORD") &&
            !VxInAskLogon(QStringLiteral("SMTP login for %1").arg(Host), User, Password))
            return Fail(QStringLiteral("no password: the login was cancelled "
                                          "(or set VX_SMTP_PASSWORD)"));
        Mail.Login()->SetUseLogin(true);
        Mail.Login()->SetUserID(User);
        Mail.Login()->SetPassword(Password);
    }

    if (vx::StandardInputIsTerminal())
        vx::WriteErr(QStringLiteral("Type the message; end it with Ctrl-D on a line of its own.\n"));
    QFile In;
    if (!In.open(stdin, QIODevice::ReadOnly))
        return Fail(QStringLiteral("cannot read standard input"));
    SetBodyFromBytes(Mail, In.readAll());

    Mail.Execute();  // a refusal or a failed exchange raises: its message, status 2
    const int Count = Mail.Recipients()->Count() + Mail.CC()->Count() + Mail.BCC()->Count();
    vx::WriteOutText(QStringLiteral("Sent to %1 recipient%2 via %3.\n")
                         .arg(Count)
                         .arg(Count == 1 ? QString() : QStringLiteral("s"), Server));
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "mail", "mail --server HOST[:PORT] --from ADDR --to ADDR... [options]  send a mail read from standard input",
    "Sends one mail over SMTP; the message text is read from standard input.\n"
    "An ADDR is \"Name <address>\", \"address (Name)\" or a bare address. An option\n"
    "taking ADDR... or FILE... takes the arguments after it up to the next option, and\n"
    "each ADDR may itself be a comma-separated list.\n"
    "\n"
    "Options:\n"
    "  --server HOST[:PORT]  the SMTP server (port 25, 587 with --starttls, 465 with\n"
    "                        --tls, unless PORT is given)\n"
    "  --starttls            secure the connection with STARTTLS; a server that does\n"
    "                        not offer it is refused before the login and the message\n"
    "  --tls                 TLS from the first byte\n"
    "  --cacert FILE         trust the CA certificates of this PEM file as well as the\n"
    "                        system's (the server's certificate is always verified)\n"
    "  --from ADDR           the sender\n"
    "  --to ADDR...          recipients\n"
    "  --cc ADDR...          copy recipients\n"
    "  --bcc ADDR...         blind copy recipients (never named in the message)\n"
    "  --reply-to ADDR...    reply addresses\n"
    "  --subject TEXT        the subject\n"
    "  --attach FILE...      files to attach (base64, content type by extension)\n"
    "  --priority P          highest, high, normal (default), low or lowest\n"
    "  --login USER          log in as USER (AUTH LOGIN) with the password from the\n"
    "                        environment variable VX_SMTP_PASSWORD, or asked for\n"
    + vx::TimeoutHelp(DefaultTimeoutSeconds),
    RunMail)
