// `vx mail`: sends a message whose text is read from standard input.
#include "VxConsole.h"
#include "VxRegistry.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/platform/VxInternet.h>

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <unistd.h>

namespace {

// A friendly command waits minutes for a busy mail server, as RFC 5321 suggests.
constexpr int DefaultTimeoutMs = 5 * 60 * 1000;

int Fail(int Status, const QString& Message)
{
    vx::PrintError(QStringLiteral("mail: ") + Message +
                   (Status == vx::ExitUsage ? QStringLiteral(" (see vx mail --help)") : QString()));
    return Status;
}

// The message text: UTF-8 when it is valid UTF-8 (labelled so unless it is plain
// ASCII), otherwise one byte per character labelled ISO-8859-1.
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
        Mail.SetEncoding(QStringLiteral("8bit"));
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
    QString Server, Subject, LoginUser, Priority, CaFile;
    TVxITLSMode TlsMode = tmNone;
    QStringList From, To, Cc, Bcc, ReplyTo, Attach;
    int Timeout = DefaultTimeoutMs;
    bool HaveSubject = false, HaveLogin = false, HavePriority = false;

    for (int I = 0; I < Args.size(); ++I) {
        const QString& Option = Args.at(I);
        if (Option == QLatin1String("--starttls") || Option == QLatin1String("--tls")) {
            const TVxITLSMode Mode = Option == QLatin1String("--tls") ? tmImplicit : tmStartTLS;
            if (TlsMode != tmNone && TlsMode != Mode)
                return Fail(vx::ExitUsage, QStringLiteral("give --starttls or --tls, not both"));
            TlsMode = Mode;
            continue;
        }
        // Options with a list take the arguments up to the next option.
        QStringList* List = Option == QLatin1String("--to")         ? &To
                            : Option == QLatin1String("--cc")       ? &Cc
                            : Option == QLatin1String("--bcc")      ? &Bcc
                            : Option == QLatin1String("--reply-to") ? &ReplyTo
                            : Option == QLatin1String("--attach")   ? &Attach
                                                                     : nullptr;
        if (List) {
            const qsizetype Before = List->size();
            while (I + 1 < Args.size() && !Args.at(I + 1).startsWith(QLatin1String("--")))
                List->append(Args.at(++I));
            if (List->size() == Before)
                return Fail(vx::ExitUsage, Option + QStringLiteral(" needs a value"));
            continue;
        }
        QString* Single = Option == QLatin1String("--server")     ? &Server
                          : Option == QLatin1String("--subject")  ? &Subject
                          : Option == QLatin1String("--login")    ? &LoginUser
                          : Option == QLatin1String("--priority") ? &Priority
                          : Option == QLatin1String("--cacert")   ? &CaFile
                                                                  : nullptr;
        const bool IsFrom = Option == QLatin1String("--from");
        const bool IsTimeout = Option == QLatin1String("--timeout");
        if (!Single && !IsFrom && !IsTimeout)
            return Fail(vx::ExitUsage, QStringLiteral("unknown option '%1'").arg(Option));
        if (I + 1 >= Args.size())
            return Fail(vx::ExitUsage, Option + QStringLiteral(" needs a value"));
        const QString Value = Args.at(++I);
        if (IsFrom) {
            From.append(Value);
        } else if (IsTimeout) {
            bool Ok = false;
            Timeout = Value.toInt(&Ok);
            if (!Ok || Timeout < 0 || Value.startsWith(QLatin1Char('+')))
                return Fail(vx::ExitUsage, QStringLiteral("--timeout needs milliseconds (0 waits without limit)"));
        } else {
            *Single = Value;
            HaveSubject = HaveSubject || Single == &Subject;
            HaveLogin = HaveLogin || Single == &LoginUser;
            HavePriority = HavePriority || Single == &Priority;
        }
    }
    if (Server.isEmpty())
        return Fail(vx::ExitUsage, QStringLiteral("--server is missing"));
    if (From.size() != 1)
        return Fail(vx::ExitUsage, QStringLiteral("give exactly one --from"));
    if (To.isEmpty() && Cc.isEmpty() && Bcc.isEmpty())
        return Fail(vx::ExitUsage, QStringLiteral("no recipient: give --to, --cc or --bcc"));

    TVxISMTP Mail;
    // HOST[:PORT], with [brackets] around a host name that holds colons itself.
    QString Host = Server;
    // The usual ports: submission with STARTTLS, and mail over TLS from the first byte.
    int Port = TlsMode == tmStartTLS ? 587 : TlsMode == tmImplicit ? 465 : 25;
    const qsizetype Colon = Server.lastIndexOf(QLatin1Char(':'));
    const bool Bracketed = Server.startsWith(QLatin1Char('['));
    if (Colon > 0 && (Bracketed ? Server.at(Colon - 1) == QLatin1Char(']') : Server.count(QLatin1Char(':')) == 1)) {
        bool Ok = false;
        Port = Server.mid(Colon + 1).toInt(&Ok);
        if (!Ok || Port < 1 || Port > 65535)
            return Fail(vx::ExitUsage, QStringLiteral("bad port in --server '%1'").arg(Server));
        Host = Server.left(Colon);
    }
    if (Bracketed && Host.endsWith(QLatin1Char(']')))
        Host = Host.mid(1, Host.size() - 2);
    Mail.SetHost(Host);
    Mail.SetPort(Port);
    Mail.SetTimeout(Timeout);
    Mail.SetTLSMode(TlsMode);
    if (!CaFile.isEmpty() && !VxInetAddTrustedCertificates(CaFile))
        return Fail(vx::ExitError, QStringLiteral("cannot read the CA file '%1'").arg(CaFile));

    Mail.From()->SetText(From.first().trimmed());
    AddAddresses(Mail.Recipients(), To);
    AddAddresses(Mail.CC(), Cc);
    AddAddresses(Mail.BCC(), Bcc);
    AddAddresses(Mail.ReplyTo(), ReplyTo);
    if (HaveSubject)
        Mail.SetSubject(Subject);
    if (HavePriority) {
        static const char* const Names[] = {"highest", "high", "normal", "low", "lowest"};
        int Index = -1;
        for (int P = 0; P < 5; ++P)
            if (Priority.compare(QLatin1String(Names[P]), Qt::CaseInsensitive) == 0)
                Index = P;
        if (Index < 0)
            return Fail(vx::ExitUsage, QStringLiteral("unknown priority '%1'").arg(Priority));
        Mail.SetPriority(TVxISMTPPriority(Index));
    }
    for (const QString& File : Attach) {
        if (!QFileInfo(File).isFile())
            return Fail(vx::ExitError, QStringLiteral("cannot read the attachment file '%1'").arg(File));
        TVxIEMailAttachment* A = Mail.Attachments()->Add();
        A->SetFileName(File);
        A->DetectContentType();
    }

    if (HaveLogin) {
        QString User = LoginUser;
        QString Password = qEnvironmentVariable("VX_SMTP_PASSWORD");
        if (!qEnvironmentVariableIsSet("VX_SMTP_PASSWORD") &&
            !VxInAskLogon(QStringLiteral("SMTP login for %1").arg(Host), User, Password))
            return Fail(vx::ExitError, QStringLiteral("no password: the login was cancelled "
                                          "(or set VX_SMTP_PASSWORD)"));
        Mail.Login()->SetUseLogin(true);
        Mail.Login()->SetUserID(User);
        Mail.Login()->SetPassword(Password);
    }

    if (isatty(STDIN_FILENO))
        vx::WriteErr(QStringLiteral("Type the message; end it with Ctrl-D on a line of its own.\n"));
    QFile In;
    if (!In.open(stdin, QIODevice::ReadOnly))
        return Fail(vx::ExitError, QStringLiteral("cannot read standard input"));
    SetBodyFromBytes(Mail, In.readAll());

    try {
        const QString Result = Mail.Execute();
        if (!Result.isEmpty())
            return Fail(vx::ExitError, Result);
    } catch (const EVxError& E) {
        return Fail(vx::ExitError, E.Message());
    }
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
    "  --timeout MS          give up after MS milliseconds without an answer (default\n"
    "                        300000; 0 waits without limit)\n",
    RunMail)
