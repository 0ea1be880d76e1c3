// The mail sender against a real SMTP server: aiosmtpd on 127.0.0.1, plain with AUTH LOGIN
// allowed without TLS, or with STARTTLS required before the login, or with TLS from the
// first byte (a CA and a certificate made by openssl at test time). Arrived messages are
// parsed with Python's standard mail parser.
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/platform/VxInternet.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/peer_process.h"
#include "support/test_certificates.h"
#include "support/vx_process.h"

#include <gtest/gtest.h>

namespace {

const char* const SmtpServerScript = R"PY(
import json, os, ssl, sys, threading, warnings
warnings.simplefilter("ignore")
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword

out_dir = sys.argv[1]
count = [0]

class Handler:
    async def handle_DATA(self, server, session, envelope):
        count[0] += 1
        base = os.path.join(out_dir, "msg%d" % count[0])
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        login = None
        if session.authenticated and isinstance(session.auth_data, LoginPassword):
            login = session.auth_data.login.decode()
        with open(base + ".tmp", "w") as f:
            json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                       "login": login}, f)
        os.rename(base + ".tmp", base + ".json")
        return "250 2.0.0 Message accepted"

def authenticator(server, session, envelope, mechanism, auth_data):
    ok = (mechanism == "LOGIN" and isinstance(auth_data, LoginPassword)
          and auth_data.login == b"ann" and auth_data.password == b"s3cret pass")
    # handled=False: a refusal is answered with 535 by the server itself.
    return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)

port = int(sys.argv[2])
mode = sys.argv[3] if len(sys.argv) > 3 else "plain"
kw = dict(authenticator=authenticator, auth_require_tls=False, auth_required=False)
if mode != "plain":
    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(os.path.join(sys.argv[4], "server.crt"), os.path.join(sys.argv[4], "server.key"))
    if mode == "starttls":
        kw.update(tls_context=ctx, require_starttls=True, auth_require_tls=True, auth_required=True)
    else:  # TLS from the first byte
        kw.update(ssl_context=ctx, auth_required=True)
controller = Controller(Handler(), hostname="127.0.0.1", port=port, **kw)
controller.start()
threading.Event().wait()  # serves until the test stops the process
)PY";

// Prints the parsed message as JSON: header fields in order, the text of the body,
// every leaf part with its file name and its decoded bytes in base64, and defects.
const char* const ParseScript = R"PY(
import base64, email, email.policy, json, sys
msg = email.message_from_bytes(open(sys.argv[1], "rb").read(), policy=email.policy.default)
parts, defects = [], [type(d).__name__ for d in msg.defects]
for part in msg.walk():
    defects += [type(d).__name__ for d in part.defects]
    if part.is_multipart():
        continue
    parts.append({"type": part.get_content_type(), "filename": part.get_filename(),
                  "disposition": part.get_content_disposition(),
                  "charset": part.get_content_charset(), "cte": part.get("Content-Transfer-Encoding"),
                  "data": base64.b64encode(part.get_payload(decode=True)).decode()})
body = msg.get_body(("plain",))
print(json.dumps({"headers": [[k, str(v)] for k, v in msg.items()],
                  "text": body.get_content().replace("\r\n", "\n") if body is not None else None,
                  "parts": parts, "defects": defects}))
)PY";

QByteArray RunPython(const QStringList& Args)
{
    QProcess P;
    P.start(QStringLiteral("/usr/bin/python3"), Args);
    if (!P.waitForFinished(30000)) {
        P.kill();
        P.waitForFinished(5000);
        return {};
    }
    if (P.exitCode() != 0)
        ADD_FAILURE() << P.readAllStandardError().constData();
    return P.readAllStandardOutput();
}

class MailSmtp : public testing::Test {
protected:
    void SetUp() override { Start({}); }

    // Starts the server; Args after the inbox and the port: the mode and the certificate
    // directory.
    void Start(const QStringList& Args)
    {
        ASSERT_TRUE(FDir.isValid());
        ASSERT_TRUE(QDir().mkpath(Inbox()));
        const QString Script = FServer.WriteFile(QStringLiteral("smtpd.py"), QByteArray(SmtpServerScript));
        QString Error;
        ASSERT_TRUE(FServer.StartListening(QStringLiteral("/usr/bin/python3"), 1, [&](const QList<quint16>& Ports) {
            FPort = Ports[0];
            return QStringList{Script, Inbox(), QString::number(FPort)} + Args;
        }, Error)) << Error.toStdString();
    }

    void TearDown() override { FServer.Stop(); }

    QString Inbox() const { return FDir.filePath(QStringLiteral("inbox")); }

    QString WriteFile(const QString& Name, const QByteArray& Data)
    {
        const QString Path = FDir.filePath(Name);
        QFile F(Path);
        EXPECT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(Data);
        return Path;
    }

    // The N-th arrived message (from 1): its envelope and the parsed message.
    bool Arrived(int N, QJsonObject& Envelope, QJsonObject& Parsed)
    {
        const QString Base = Inbox() + QStringLiteral("/msg%1").arg(N);
        QFile Meta(Base + QStringLiteral(".json"));
        if (!Meta.open(QIODevice::ReadOnly))
            return false;
        Envelope = QJsonDocument::fromJson(Meta.readAll()).object();
        const QString Parser = FDir.filePath(QStringLiteral("parse.py"));
        if (!QFile::exists(Parser))
            WriteFile(QStringLiteral("parse.py"), ParseScript);
        Parsed = QJsonDocument::fromJson(RunPython({Parser, Base + QStringLiteral(".eml")})).object();
        return !Parsed.isEmpty();
    }

    void Prepare(TVxISMTP& Mail)
    {
        Mail.SetHost(QStringLiteral("127.0.0.1"));
        Mail.SetPort(FPort);
        Mail.SetTimeout(20000);
    }

    QTemporaryDir FDir;
    vxtest::TPeerProcess FServer;
    quint16 FPort = 0;
};

QString Header(const QJsonObject& Parsed, const QString& Name)
{
    for (const QJsonValue& H : Parsed.value(QStringLiteral("headers")).toArray())
        if (H.toArray().at(0).toString().compare(Name, Qt::CaseInsensitive) == 0)
            return H.toArray().at(1).toString();
    return QStringLiteral("<missing>");
}

QStringList Strings(const QJsonValue& V)
{
    QStringList L;
    for (const QJsonValue& S : V.toArray())
        L.append(S.toString());
    return L;
}

QByteArray Binary()
{
    QByteArray B;
    for (int I = 0; I < 3 * 256 + 17; ++I)  // every byte value, and not a multiple of 3
        B.append(char((I * 151 + I / 256) & 0xff));
    return B;
}

}  // namespace

TEST_F(MailSmtp, MessageWithLoginAndTwoAttachmentsArrivesIntact)
{
    const QByteArray TextData = "First line\r\n.leading dot\r\nlast line without break";
    const QByteArray BinData = Binary();
    const QString TextFile = WriteFile(QStringLiteral("notes.txt"), TextData);
    const QString BinFile = WriteFile(QStringLiteral("image.bin"), BinData);

    TVxISMTP Mail;
    Prepare(Mail);
    Mail.Login()->SetUseLogin(true);
    Mail.Login()->SetUserID(QStringLiteral("ann"));
    Mail.Login()->SetPassword(QStringLiteral("s3cret pass"));
    Mail.From()->SetText(QStringLiteral("Ann Sender <ann@example.org>"));
    Mail.Recipients()->SetEMailAddresses(QStringLiteral("Bob <bob@example.net>, \"Lee, Cy\" <cy@example.net>"));
    Mail.CC()->SetEMailAddresses(QStringLiteral("dee@example.net (Dee)"));
    Mail.BCC()->SetEMailAddresses(QStringLiteral("eve@example.net"));
    Mail.ReplyTo()->SetEMailAddresses(QStringLiteral("replies@example.org"));
    Mail.SetSubject(QStringLiteral("Quarterly report"));
    Mail.SetPriority(spLow);
    Mail.SetBody({QStringLiteral("Hello Bob,"), QStringLiteral("."), QStringLiteral(".. two dots"),
                  QStringLiteral("Regards")});
    TVxIEMailAttachment* T = Mail.Attachments()->Add();
    T->SetFileName(TextFile);
    T->DetectContentType();
    TVxIEMailAttachment* B = Mail.Attachments()->Add();
    B->SetFileName(BinFile);
    B->SetAttachmentName(QStringLiteral("picture.bin"));
    B->SetContentType(QStringLiteral("application/octet-stream"));

    ASSERT_EQ(Mail.Execute(), QString());

    QJsonObject Envelope, Parsed;
    ASSERT_TRUE(Arrived(1, Envelope, Parsed));
    EXPECT_EQ(Envelope.value(QStringLiteral("login")).toString(), QStringLiteral("ann"));
    EXPECT_EQ(Envelope.value(QStringLiteral("mail_from")).toString(), QStringLiteral("ann@example.org"));
    EXPECT_EQ(Strings(Envelope.value(QStringLiteral("rcpt_tos"))),
              QStringList({"bob@example.net", "cy@example.net", "dee@example.net", "eve@example.net"}));

    EXPECT_EQ(Strings(Parsed.value(QStringLiteral("defects"))), QStringList());
    EXPECT_EQ(Header(Parsed, "From"), QStringLiteral("Ann Sender <ann@example.org>"));
    EXPECT_EQ(Header(Parsed, "To"), QStringLiteral("Bob <bob@example.net>, \"Lee, Cy\" <cy@example.net>"));
    EXPECT_EQ(Header(Parsed, "Cc"), QStringLiteral("Dee <dee@example.net>"));
    EXPECT_EQ(Header(Parsed, "Bcc"), QStringLiteral("<missing>"));
    EXPECT_EQ(Header(Parsed, "Reply-To"), QStringLiteral("replies@example.org"));
    EXPECT_EQ(Header(Parsed, "Subject"), QStringLiteral("Quarterly report"));
    EXPECT_EQ(Header(Parsed, "X-Priority"), QStringLiteral("4"));
    EXPECT_TRUE(Header(Parsed, "X-Mailer").contains(QStringLiteral("Quillmoss")));
    EXPECT_TRUE(Header(Parsed, "Message-Id").endsWith(QLatin1Char('>')));
    EXPECT_NE(Header(Parsed, "Date"), QStringLiteral("<missing>"));
    EXPECT_EQ(Parsed.value(QStringLiteral("text")).toString(),
              QStringLiteral("Hello Bob,\n.\n.. two dots\nRegards"));

    const QJsonArray Parts = Parsed.value(QStringLiteral("parts")).toArray();
    ASSERT_EQ(Parts.size(), 3);
    const QJsonObject P1 = Parts.at(1).toObject(), P2 = Parts.at(2).toObject();
    EXPECT_EQ(P1.value(QStringLiteral("disposition")).toString(), QStringLiteral("attachment"));
    EXPECT_EQ(P1.value(QStringLiteral("filename")).toString(), TextFile);
    EXPECT_EQ(QByteArray::fromBase64(P1.value(QStringLiteral("data")).toString().toLatin1()), TextData);
    EXPECT_EQ(P2.value(QStringLiteral("type")).toString(), QStringLiteral("application/octet-stream"));
    EXPECT_EQ(QByteArray::fromBase64(P2.value(QStringLiteral("data")).toString().toLatin1()), BinData);
}

TEST_F(MailSmtp, TextBeyondAsciiArrivesAsWrittenOverSevenBits)
{
    const QString Jurgen = QStringLiteral("J\u00fcrgen \u00c5str\u00f6m");
    const QString AttachmentFile = WriteFile(QStringLiteral("r\u00e9sum\u00e9 \u20ac.txt"), "plain\r\n");
    struct Case {
        QString CharSet;
        QStringList Body;
        const char* Charset;  // as the received text part names it
    };
    const Case Cases[] = {
        {QStringLiteral("us-ascii"), {QStringLiteral("Hallo ") + Jurgen + QLatin1Char(','), QStringLiteral("5 \u20ac."),
                                      QStringLiteral("------------QuillmossSMTP"), QStringLiteral(".")}, "utf-8"},
        {QStringLiteral("iso-8859-1"), {QStringLiteral("Gr\u00fc\u00dfe, ") + Jurgen}, "iso-8859-1"},
        {QStringLiteral("us-ascii"), {QString(300, QChar(0x4E2D))}, "utf-8"},
    };
    int N = 0;
    for (const Case& C : Cases) {
        TVxISMTP Mail;
        Prepare(Mail);
        Mail.From()->SetText(Jurgen + QStringLiteral(" <jurgen@example.org>"));
        Mail.Recipients()->SetEMailAddresses(QStringLiteral("\"M\u00fcller, Bob\" <bob@example.net>"));
        Mail.SetSubject(QStringLiteral("\u00dcbersicht f\u00fcr ") + Jurgen + QStringLiteral(" und \u65e5\u672c"));
        Mail.SetCharSet(C.CharSet);
        Mail.SetBody(C.Body);
        Mail.Attachments()->Add()->SetFileName(AttachmentFile);
        Mail.Attachments()->Items(0)->SetAttachmentName(QStringLiteral("\u00fcbersicht.txt"));
        ASSERT_EQ(Mail.Execute(), QString());

        QJsonObject Envelope, Parsed;
        ASSERT_TRUE(Arrived(++N, Envelope, Parsed));
        QFile Raw(Inbox() + QStringLiteral("/msg%1.eml").arg(N));
        ASSERT_TRUE(Raw.open(QIODevice::ReadOnly));
        for (const char B : Raw.readAll())
            ASSERT_LT(static_cast<unsigned char>(B), 0x80) << "an 8-bit byte in message " << N;
        EXPECT_EQ(Strings(Parsed.value(QStringLiteral("defects"))), QStringList());
        EXPECT_EQ(Header(Parsed, "Subject"), Mail.Subject());
        EXPECT_EQ(Header(Parsed, "From"), Jurgen + QStringLiteral(" <jurgen@example.org>"));
        EXPECT_EQ(Header(Parsed, "To"), QStringLiteral("\"M\u00fcller, Bob\" <bob@example.net>"));
        EXPECT_EQ(Parsed.value(QStringLiteral("text")).toString(), C.Body.join(QLatin1Char('\n')));
        const QJsonArray Parts = Parsed.value(QStringLiteral("parts")).toArray();
        ASSERT_EQ(Parts.size(), 2);  // the boundary in the body split nothing
        const QJsonObject Text = Parts.at(0).toObject(), File = Parts.at(1).toObject();
        EXPECT_EQ(Text.value(QStringLiteral("charset")).toString(), QLatin1String(C.Charset));
        EXPECT_TRUE(QStringList({"quoted-printable", "base64"}).contains(Text.value(QStringLiteral("cte")).toString()));
        EXPECT_EQ(File.value(QStringLiteral("filename")).toString(), AttachmentFile);
        EXPECT_EQ(QByteArray::fromBase64(File.value(QStringLiteral("data")).toString().toLatin1()), QByteArray("plain\r\n"));
    }
}

TEST_F(MailSmtp, VxMailDeliversWithAndWithoutLogin)
{
    const QString Tool = QStringLiteral(VX_TOOL_PATH);
    if (Tool.isEmpty())
        GTEST_SKIP() << "vx is not built";
    const QByteArray BinData = Binary();
    const QString BinFile = WriteFile(QStringLiteral("data.bin"), BinData);
    const QByteArray Text = "Gr\xc3\xbc\xc3\x9f" "e,\n.\nline three\n";

    for (const bool WithLogin : {false, true}) {
        QStringList Args{QStringLiteral("mail"), QStringLiteral("--server"),
                         QStringLiteral("127.0.0.1:%1").arg(FPort), QStringLiteral("--from"),
                         QStringLiteral("Ann <ann@example.org>"), QStringLiteral("--to"),
                         QStringLiteral("bob@example.net"), QStringLiteral("Cy <cy@example.net>"),
                         QStringLiteral("--bcc"), QStringLiteral("eve@example.net"),
                         QStringLiteral("--subject"), QStringLiteral("From vx"),
                         QStringLiteral("--attach"), BinFile, QStringLiteral("--timeout"),
                         QStringLiteral("20")};
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        if (WithLogin) {
            Args << QStringLiteral("--login") << QStringLiteral("ann");
            Env.insert(QStringLiteral("VX_SMTP_PASSWORD"), QStringLiteral("s3cret pass"));
        }
        const vxtest::VxResult Vx = vxtest::RunVxBinary(Args, Text, Env);
        EXPECT_EQ(Vx.Status, 0) << Vx.Err.constData();

        QJsonObject Envelope, Parsed;
        const int N = WithLogin ? 2 : 1;
        ASSERT_TRUE(Arrived(N, Envelope, Parsed));
        if (WithLogin)
            EXPECT_EQ(Envelope.value(QStringLiteral("login")).toString(), QStringLiteral("ann"));
        else
            EXPECT_TRUE(Envelope.value(QStringLiteral("login")).isNull());
        EXPECT_EQ(Strings(Envelope.value(QStringLiteral("rcpt_tos"))),
                  QStringList({"bob@example.net", "cy@example.net", "eve@example.net"}));
        EXPECT_EQ(Header(Parsed, "To"), QStringLiteral("bob@example.net, Cy <cy@example.net>"));
        EXPECT_EQ(Header(Parsed, "Subject"), QStringLiteral("From vx"));
        EXPECT_EQ(Parsed.value(QStringLiteral("text")).toString(),
                  QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e,\n.\nline three"));
        const QJsonArray Parts = Parsed.value(QStringLiteral("parts")).toArray();
        ASSERT_EQ(Parts.size(), 2);
        EXPECT_EQ(Parts.at(1).toObject().value(QStringLiteral("filename")).toString(), BinFile);
        EXPECT_EQ(QByteArray::fromBase64(
                      Parts.at(1).toObject().value(QStringLiteral("data")).toString().toLatin1()),
                  BinData);
    }
}

namespace {

// vx mail with a message on its standard input.
vxtest::VxResult RunVx(const QStringList& Args, const QProcessEnvironment& Env = QProcessEnvironment::systemEnvironment())
{
    return vxtest::RunVxBinary(Args, "Over TLS.\n", Env);
}

// The server with TLS; a second CA, which signed nothing the server shows, for the
// refusals.
class MailSmtpTls : public MailSmtp {
protected:
    void SetUp() override {}

    void StartTls(const char* Mode)
    {
        ASSERT_TRUE(QDir().mkpath(FDir.filePath(QStringLiteral("certs"))));
        ASSERT_TRUE(QDir().mkpath(FDir.filePath(QStringLiteral("other"))));
        QString Error;
        ASSERT_TRUE(vxtest::MakeTestCertificates(FDir.filePath(QStringLiteral("certs")), Error)) << Error.toStdString();
        ASSERT_TRUE(vxtest::MakeTestCertificates(FDir.filePath(QStringLiteral("other")), Error)) << Error.toStdString();
        Start({QLatin1String(Mode), FDir.filePath(QStringLiteral("certs"))});
    }
    void TearDown() override
    {
        VxInetClearTrustedCertificates();
        MailSmtp::TearDown();
    }

    QString Ca() const { return FDir.filePath(QStringLiteral("certs/ca.crt")); }
    QString OtherCa() const { return FDir.filePath(QStringLiteral("other/ca.crt")); }

    void PrepareTls(TVxISMTP& Mail, TVxITLSMode Mode)
    {
        Prepare(Mail);
        Mail.SetTLSMode(Mode);
        Mail.Login()->SetUseLogin(true);
        Mail.Login()->SetUserID(QStringLiteral("ann"));
        Mail.Login()->SetPassword(QStringLiteral("s3cret pass"));
        Mail.From()->SetText(QStringLiteral("ann@example.org"));
        Mail.Recipients()->SetEMailAddresses(QStringLiteral("bob@example.net"));
        Mail.SetBody({QStringLiteral("Over TLS.")});
    }

    QStringList VxArgs(const QString& Security) const
    {
        return {"mail", "--server", QStringLiteral("127.0.0.1:%1").arg(FPort), Security, "--from", "ann@example.org",
                "--to", "bob@example.net", "--login", "ann", "--timeout", "20"};
    }

    QProcessEnvironment WithPassword() const
    {
        QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
        Env.insert(QStringLiteral("VX_SMTP_PASSWORD"), QStringLiteral("s3cret pass"));
        Env.remove(QStringLiteral("VEDIDOREDO_CA_FILE"));
        return Env;
    }

    // The login of the N-th arrived message, or "<none>" when it did not arrive.
    QString LoginOf(int N)
    {
        QJsonObject Envelope, Parsed;
        if (!Arrived(N, Envelope, Parsed))
            return QStringLiteral("<none>");
        return Envelope.value(QStringLiteral("login")).toString();
    }
};

}  // namespace

TEST_F(MailSmtpTls, StartTlsCarriesTheLoginAndAnotherCaIsRefused)
{
    StartTls("starttls");
    // The server asks for TLS before a login: in clear it is refused.
    TVxISMTP Plain;
    PrepareTls(Plain, tmNone);
    try {
        Plain.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxError& E) {
        EXPECT_TRUE(E.Message().contains(QLatin1String("refused: 530"))) << E.Message().toStdString();
    }

    ASSERT_TRUE(VxInetAddTrustedCertificates(OtherCa()));
    TVxISMTP Refused;
    PrepareTls(Refused, tmStartTLS);
    try {
        Refused.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxSocketError& E) {
        EXPECT_TRUE(E.Message().contains(QLatin1String("does not verify"))) << E.Message().toStdString();
    }
    EXPECT_FALSE(Refused.Connected());

    ASSERT_TRUE(VxInetAddTrustedCertificates(Ca()));
    TVxISMTP Mail;
    PrepareTls(Mail, tmStartTLS);
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_EQ(LoginOf(1), QStringLiteral("ann"));
    // Kept open, the session is reused over TLS.
    Mail.SetKeepConnection(true);
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_EQ(LoginOf(3), QStringLiteral("ann"));
    VxInetClearTrustedCertificates();

    if (QStringLiteral(VX_TOOL_PATH).isEmpty())
        return;
    // vx mail: the certificate is checked against --cacert; without it, exit 2 and why.
    const vxtest::VxResult Unverified = RunVx(VxArgs(QStringLiteral("--starttls")), WithPassword());
    EXPECT_EQ(Unverified.Status, 2);
    EXPECT_TRUE(Unverified.Err.contains("does not verify")) << Unverified.Err.constData();
    const vxtest::VxResult Sent = RunVx(VxArgs(QStringLiteral("--starttls")) + QStringList{"--cacert", Ca()}, WithPassword());
    EXPECT_EQ(Sent.Status, 0) << Sent.Err.constData();
    EXPECT_EQ(LoginOf(4), QStringLiteral("ann"));
    // vx run, with the CA from the environment.
    QProcessEnvironment Env = WithPassword();
    Env.insert(QStringLiteral("VEDIDOREDO_CA_FILE"), Ca());
    const vxtest::VxResult Run = vxtest::RunVxBinary(
        {"run", "TVxISMTP", "Host=127.0.0.1", QStringLiteral("Port=%1").arg(FPort), "TLSMode=tmStartTLS",
         "Timeout=20000", "Login.UseLogin=true", "Login.UserID=ann", "Login.Password=s3cret pass",
         "From.Text=ann@example.org", "Recipients.EMailAddresses=bob@example.net", "Body=By vx run."},
        {}, Env);
    EXPECT_EQ(Run.Status, 0) << Run.Err.constData();
    EXPECT_EQ(LoginOf(5), QStringLiteral("ann"));
}

TEST_F(MailSmtpTls, ImplicitTlsFromTheFirstByte)
{
    StartTls("implicit");
    ASSERT_TRUE(VxInetAddTrustedCertificates(Ca()));
    TVxISMTP Mail;
    PrepareTls(Mail, tmImplicit);
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_EQ(LoginOf(1), QStringLiteral("ann"));
    VxInetClearTrustedCertificates();
    if (QStringLiteral(VX_TOOL_PATH).isEmpty())
        return;
    const vxtest::VxResult Sent = RunVx(VxArgs(QStringLiteral("--tls")) + QStringList{"--cacert", Ca()}, WithPassword());
    EXPECT_EQ(Sent.Status, 0) << Sent.Err.constData();
    EXPECT_EQ(LoginOf(2), QStringLiteral("ann"));
    const vxtest::VxResult Other = RunVx(VxArgs(QStringLiteral("--tls")) + QStringList{"--cacert", OtherCa()}, WithPassword());
    EXPECT_EQ(Other.Status, 2);
    EXPECT_TRUE(Other.Err.contains("does not verify")) << Other.Err.constData();
}

TEST_F(MailSmtpTls, StartTlsNotOfferedIsRefusedBeforeTheLogin)
{
    Start({});  // the plain server
    TVxISMTP Mail;
    PrepareTls(Mail, tmStartTLS);
    try {
        Mail.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxError& E) {
        EXPECT_TRUE(E.Message().contains(QLatin1String("does not offer STARTTLS"))) << E.Message().toStdString();
    }
    QJsonObject Envelope, Parsed;
    EXPECT_FALSE(Arrived(1, Envelope, Parsed));
    if (QStringLiteral(VX_TOOL_PATH).isEmpty())
        return;
    const vxtest::VxResult R = RunVx(VxArgs(QStringLiteral("--starttls")), WithPassword());
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Err.contains("does not offer STARTTLS")) << R.Err.constData();
}
