#include <vedidoredo/VxISMTP.h>

#include "support/scripted_server.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using vxtest::TConnection;
using vxtest::TScriptedServer;

// Readable QString values in failure messages.
static void PrintTo(const QString& S, std::ostream* Os)
{
    *Os << '"' << S.toStdString() << '"';
}

namespace {

// A scripted SMTP peer. Every command gets the usual positive reply unless Replies holds
// another for its verb ("GREETING", "EHLO", "HELO", "RSET", "AUTH", "USER", "PASS",
// "MAIL", "RCPT", "DATA", ".", "QUIT"). A negative reply ends the script, so the test can
// check that the client sent nothing more. Message data is read up to the final ".".
struct TFakeSmtp {
    QMap<QByteArray, QByteArray> Replies;
    QList<QByteArray> GoOn;  // verbs whose negative reply does not end the script

    QByteArray ReplyFor(const QByteArray& Verb, const QByteArray& Default) const
    {
        return Replies.value(Verb, Default);
    }

    void operator()(TConnection& C) const
    {
        auto Answer = [&](const QByteArray& Verb, const QByteArray& Default) {
            const QByteArray R = ReplyFor(Verb, Default);
            C.Send(R);
            // Multi-line replies: the code of the last line decides.
            const QByteArray Last = R.trimmed().split('\n').last();
            return Last.startsWith('2') || Last.startsWith('3');
        };
        if (!Answer("GREETING", "220 test.example ESMTP ready\r\n"))
            return;
        int AuthStep = 0;
        for (int N = 0; N < 100; ++N) {
            const QByteArray Line = C.ReadLine();
            if (!Line.endsWith("\r\n"))
                return;
            QByteArray Verb = Line.trimmed().split(' ').first().toUpper();
            if (AuthStep == 1)
                Verb = "USER";
            else if (AuthStep == 2)
                Verb = "PASS";
            AuthStep = Verb == "AUTH" ? 1 : Verb == "USER" ? 2 : 0;
            QByteArray Default = "250 OK\r\n";
            if (Verb == "EHLO")
                Default = "250-test.example greets you\r\n250-8BITMIME\r\n250 AUTH LOGIN\r\n";
            else if (Verb == "AUTH")
                Default = "334 VXNlcm5hbWU6\r\n";
            else if (Verb == "USER")
                Default = "334 UGFzc3dvcmQ6\r\n";
            else if (Verb == "PASS")
                Default = "235 2.7.0 Authentication successful\r\n";
            else if (Verb == "DATA")
                Default = "354 End data with <CR><LF>.<CR><LF>\r\n";
            else if (Verb == "QUIT")
                Default = "221 Bye\r\n";
            if (!Answer(Verb, Default) && !GoOn.contains(Verb))
                return;
            if (Verb == "QUIT")
                return;
            if (Verb == "DATA") {
                if (!C.ReadUntil("\r\n.\r\n").endsWith("\r\n.\r\n"))
                    return;
                if (!Answer(".", "250 2.0.0 Queued as 1234\r\n"))
                    return;
            }
        }
    }
};

// A sender aimed at the test server, with its protected helpers reachable.
class TTestSMTP : public TVxISMTP {
public:
    using TVxISMTP::EMailFormatDate;
    using TVxISMTP::GetTimeZoneString;
    using TVxISMTP::LeadZero;
    using TVxISMTP::UniqueMessageID;

    explicit TTestSMTP(quint16 Port)
    {
        SetHost(QStringLiteral("127.0.0.1"));
        SetPort(Port);
        SetTimeout(10000);
        SetDate(EncodeDateTime(2024, 3, 5, 9, 7, 2, 0));
        From()->SetText(QStringLiteral("Ann Sender <ann@example.org>"));
        Recipients()->SetEMailAddresses(QStringLiteral("bob@example.net"));
        SetBody({QStringLiteral("Hello Bob,"), QStringLiteral("bye.")});
    }
    QString LocalName() const { return GetLocalHost().isEmpty() ? "localhost" : GetLocalHost(); }
};

// Replaces what varies from run to run (host name, message id, zone) by fixed marks.
QString Normalize(const QByteArray& Wire, const QString& Host)
{
    QString S = QString::fromLatin1(Wire);
    S.replace(QRegularExpression(QStringLiteral("Message-Id: <\\d{12}[a-t]{8}@[^>]*>")),
              QStringLiteral("Message-Id: <ID>"));
    S.replace(QRegularExpression(QStringLiteral("(Date: Tue, 5 Mar 2024 09:07:02) \\S+")),
              QStringLiteral("\\1 ZONE"));
    S.replace(QStringLiteral("EHLO ") + Host + QStringLiteral("\r\n"), QStringLiteral("EHLO HOST\r\n"));
    S.replace(QStringLiteral("HELO ") + Host + QStringLiteral("\r\n"), QStringLiteral("HELO HOST\r\n"));
    S.replace(QRegularExpression(QStringLiteral("=_QuillmossSMTP_[A-Za-z0-9_-]{22}")), QStringLiteral("BOUNDARY"));
    return S;
}

const QString PlainHeaders = QStringLiteral(
    "Date: Tue, 5 Mar 2024 09:07:02 ZONE\r\n"
    "X-Priority: 3\r\n"
    "X-Mailer: Quillmoss SMTP Mail Sender\r\n");

// Sets TZ for the life of the object (the local zone the date stamp is made in).
class TZone {
public:
    explicit TZone(const char* Zone)
    {
        const char* Old = std::getenv("TZ");
        FHad = Old != nullptr;
        if (FHad)
            FOld = Old;
        setenv("TZ", Zone, 1);
        tzset();
    }
    ~TZone()
    {
        if (FHad)
            setenv("TZ", FOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool FHad = false;
    std::string FOld;
};

}  // namespace

TEST(SMTPDialogue, PlainMessageLineByLine)
{
    TScriptedServer Server(TFakeSmtp{});
    TTestSMTP Mail(Server.Port());
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_FALSE(Mail.Connected());
    EXPECT_EQ(Normalize(Server.Received(), Mail.LocalName()),
              QStringLiteral("EHLO HOST\r\n"
                             "RSET\r\n"
                             "MAIL FROM:<ann@example.org>\r\n"
                             "RCPT TO:<bob@example.net>\r\n"
                             "DATA\r\n"
                             "Message-Id: <ID>\r\n"
                             "From: Ann Sender <ann@example.org>\r\n"
                             "To: bob@example.net\r\n") +
                  PlainHeaders +
                  QStringLiteral("MIME-Version: 1.0\r\n"
                                 "Content-Type: Text/Plain; charset=us-ascii\r\n"
                                 "Content-Transfer-Encoding: 7bit\r\n"
                                 "\r\n"
                                 "Hello Bob,\r\n"
                                 "bye.\r\n"
                                 "\r\n"
                                 ".\r\n"
                                 "QUIT\r\n"));
}

TEST(SMTPDialogue, LoginCopiesBlindCopiesReplyAddressesAndAttachments)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString TextFile = Dir.filePath(QStringLiteral("notes.txt"));
    const QString BinFile = Dir.filePath(QStringLiteral("data.bin"));
    {
        QFile F(TextFile);
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write("line one\n.dot line\n");
        QFile B(BinFile);
        ASSERT_TRUE(B.open(QIODevice::WriteOnly));
        QByteArray Bytes;
        for (int I = 0; I < 100; ++I)
            Bytes.append(char(I * 7));
        B.write(Bytes);
    }

    TScriptedServer Server(TFakeSmtp{});
    TTestSMTP Mail(Server.Port());
    Mail.Login()->SetUseLogin(true);
    Mail.Login()->SetUserID(QStringLiteral("ann"));
    Mail.Login()->SetPassword(QStringLiteral("s3cret"));
    Mail.Recipients()->SetEMailAddresses(QStringLiteral("Bob <bob@example.net>, \"Lee, Cy\" <cy@example.net>"));
    Mail.CC()->SetEMailAddresses(QStringLiteral("dee@example.net"));
    Mail.BCC()->SetEMailAddresses(QStringLiteral("Hidden <eve@example.net>"));
    Mail.ReplyTo()->SetEMailAddresses(QStringLiteral("r1@example.org, R2 <r2@example.org>"));
    Mail.SetSubject(QStringLiteral("Report"));
    Mail.SetPriority(spHighest);
    TVxIEMailAttachment* T = Mail.Attachments()->Add();
    T->SetFileName(TextFile);
    T->SetContentType(QStringLiteral("text/plain"));
    T->SetEncoding(QStringLiteral("7bit"));
    TVxIEMailAttachment* B = Mail.Attachments()->Add();
    B->SetFileName(BinFile);
    B->SetAttachmentName(QStringLiteral("Shown \"name\".bin"));

    EXPECT_EQ(Mail.Execute(), QString());
    const QString Text = Normalize(Server.Received(), Mail.LocalName());
    EXPECT_EQ(Text,
              QStringLiteral("EHLO HOST\r\n"
                             "RSET\r\n"
                             "auth LOGIN\r\n"
                             "YW5u\r\n"
                             "czNjcmV0\r\n"
                             "MAIL FROM:<ann@example.org>\r\n"
                             "RCPT TO:<bob@example.net>\r\n"
                             "RCPT TO:<cy@example.net>\r\n"
                             "RCPT TO:<dee@example.net>\r\n"
                             "RCPT TO:<eve@example.net>\r\n"
                             "DATA\r\n"
                             "Message-Id: <ID>\r\n"
                             "From: Ann Sender <ann@example.org>\r\n"
                             "To: Bob <bob@example.net>, \"Lee, Cy\" <cy@example.net>\r\n"
                             "Cc: dee@example.net\r\n"
                             "Reply-To: <r1@example.org>\r\n"
                             "Reply-To: <r2@example.org>\r\n"
                             "Date: Tue, 5 Mar 2024 09:07:02 ZONE\r\n"
                             "X-Priority: 1\r\n"
                             "X-Mailer: Quillmoss SMTP Mail Sender\r\n"
                             "Subject: Report\r\n"
                             "MIME-Version: 1.0\r\n"
                             "Content-Type: multipart/mixed; boundary=\"BOUNDARY\"\r\n"
                             "\r\n"
                             "--BOUNDARY\r\n"
                             "Content-Type: Text/Plain; charset=us-ascii\r\n"
                             "Content-Transfer-Encoding: 7bit\r\n"
                             "\r\n"
                             "Hello Bob,\r\n"
                             "bye.\r\n"
                             "--BOUNDARY\r\n"
                             "Content-Type: text/plain; name=\"notes.txt\"\r\n"
                             "Content-Transfer-Encoding: 7bit\r\n"
                             "Content-Disposition: attachment; filename=\"") +
                  TextFile +
                  QStringLiteral("\"\r\n"
                                 "\r\n"
                                 "line one\r\n"
                                 "..dot line\r\n"
                                 "\r\n"
                                 "--BOUNDARY\r\n"
                                 "Content-Type: application/octet-stream; name=\"Shown \\\"name\\\".bin\"\r\n"
                                 "Content-Transfer-Encoding: base64\r\n"
                                 "Content-Disposition: attachment; filename=\"") +
                  BinFile +
                  QStringLiteral("\"\r\n"
                                 "\r\n"
                                 "AAcOFRwjKjE4P0ZNVFtiaXB3foWMk5qhqK+2vcTL0tng5+71/AMKERgfJi00O0JJUFdeZWxzeoGI\r\n"
                                 "j5adpKuyucDHztXc4+rx+P8GDRQbIikwNz5FTFNaYWhvdn2Ei5KZoKeutQ==\r\n"
                                 "\r\n"
                                 "--BOUNDARY--\r\n"
                                 "\r\n"
                                 ".\r\n"
                                 "QUIT\r\n"));
    EXPECT_FALSE(Text.contains(QStringLiteral("eve@example.net>\r\nDate")));
    EXPECT_EQ(Text.count(QStringLiteral("eve@")), 1);  // only in the envelope
}

TEST(SMTPDialogue, BodyLinesAreSplitAndDotStuffed)
{
    TScriptedServer Server(TFakeSmtp{});
    TTestSMTP Mail(Server.Port());
    Mail.SetBody({QStringLiteral("."), QStringLiteral("..two"), QStringLiteral("a\n.\r\nb\rc"),
                  QStringLiteral("x.y")});
    EXPECT_EQ(Mail.Execute(), QString());
    const QString Text = QString::fromLatin1(Server.Received());
    EXPECT_TRUE(Text.contains(QStringLiteral("\r\n\r\n..\r\n...two\r\na\r\n..\r\nb\r\nc\r\nx.y\r\n\r\n.\r\nQUIT\r\n")))
        << Text.toStdString();
}

TEST(SMTPDialogue, TextAttachmentsKeepTheirLastLineBreak)
{
    QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("t.txt"));
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("a=b \n" + QByteArray(80, 'x') + "\n");
    F.close();
    TScriptedServer Server(TFakeSmtp{});
    TTestSMTP Mail(Server.Port());
    for (const char* Encoding : {"quoted-printable", "8bit"}) {
        TVxIEMailAttachment* A = Mail.Attachments()->Add();
        A->SetFileName(Path);
        A->SetEncoding(QString::fromLatin1(Encoding));
    }
    EXPECT_EQ(Mail.Execute(), QString());
    const QByteArray Bytes = Server.Received();
    const QByteArray X75(75, 'x');
    EXPECT_TRUE(Bytes.contains("\r\n\r\na=3Db=20\r\n" + X75 + "=\r\nxxxxx\r\n\r\n--")) << Bytes.constData();
    EXPECT_TRUE(Bytes.contains("\r\n\r\na=b \r\n" + X75 + "xxxxx\r\n\r\n--"));
}

TEST(SMTPDialogue, TextBeyondAsciiGoesOutSevenBitSafe)
{
    const struct {
        const char* CharSet;
        const char* Encoding;
        QString Body;
        QByteArray Part;  // the text part's header lines and body as sent
    } Cases[] = {
        // A character set that cannot hold the text gives way to UTF-8; raw 8-bit is never sent.
        {"us-ascii", "7bit", QStringLiteral("J\u00fcrgen: 5 \u20ac"),
         "charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nJ=C3=BCrgen: 5 =E2=82=AC\r\n"},
        {"utf-8", "8bit", QStringLiteral("Preis: 5 \u20ac"),
         "charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nPreis: 5 =E2=82=AC\r\n"},
        // One that holds it is kept; an encoding named base64 is used.
        {"iso-8859-1", "7bit", QStringLiteral("Gr\u00fc\u00dfe"),
         "charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\nGr=FC=DFe\r\n"},
        {"utf-8", "base64", QStringLiteral("\u00fc"), "charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\nw7w=\r\n"},
        // Mostly beyond ASCII: base64 is the shorter.
        {"us-ascii", "7bit", QString(40, QChar(0x4E2D)),
         "charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + QByteArray("\xe4\xb8\xad").repeated(40).toBase64().left(76) + "\r\n"},
        // Pure ASCII goes out as written, under the names set.
        {"us-ascii", "7bit", QStringLiteral("a=b"), "charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n\r\na=b\r\n"},
    };
    for (const auto& C : Cases) {
        TScriptedServer Server(TFakeSmtp{});
        TTestSMTP Mail(Server.Port());
        Mail.SetCharSet(QString::fromLatin1(C.CharSet));
        Mail.SetEncoding(QString::fromLatin1(C.Encoding));
        Mail.SetBody({C.Body});
        EXPECT_EQ(Mail.Execute(), QString());
        const QByteArray Bytes = Server.Received();
        EXPECT_TRUE(Bytes.contains("Content-Type: Text/Plain; " + C.Part)) << Bytes.constData();
        for (const char B : Bytes)
            ASSERT_LT(static_cast<unsigned char>(B), 0x80) << C.CharSet << " " << C.Encoding;
    }

    // Headers: encoded words in UTF-8, a long subject folded; file names as encoded words
    // and RFC 2231 parameters.
    QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("\u00e4.txt"));
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.close();
    TScriptedServer Server(TFakeSmtp{});
    TTestSMTP Mail(Server.Port());
    Mail.SetSubject(QStringLiteral("Gr\u00fc\u00dfe \u20ac") + QString(30, QChar(0xE9)));
    Mail.From()->SetName(QStringLiteral("J\u00f6rg"));
    Mail.Attachments()->Add()->SetFileName(Path);
    EXPECT_EQ(Mail.Execute(), QString());
    const QByteArray Bytes = Server.Received();
    EXPECT_TRUE(Bytes.contains("Subject: =?UTF-8?B?R3LDvMOfZSDigqzDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOp?=\r\n"
                               " =?UTF-8?B?w6nDqcOpw6nDqcOpw6nDqcOpw6nDqcOpw6k=?=\r\n"))
        << Bytes.constData();
    EXPECT_TRUE(Bytes.contains("From: =?UTF-8?B?SsO2cmc=?= <ann@example.org>\r\n"));
    EXPECT_TRUE(Bytes.contains("; name=\"=?UTF-8?B?w6QudHh0?=\"\r\n"));
    EXPECT_TRUE(Bytes.contains("Content-Disposition: attachment;\r\n filename*"));
    for (const char B : Bytes)
        ASSERT_LT(static_cast<unsigned char>(B), 0x80);
}

TEST(SMTPDialogue, EachMessageHasABoundaryOfItsOwnThatNoPartHolds)
{
    QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("a.txt"));
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("------------QuillmossSMTP\n");
    F.close();
    TScriptedServer Server(TFakeSmtp{}, 2);
    TTestSMTP Mail(Server.Port());
    Mail.SetBody({QStringLiteral("------------QuillmossSMTP"), QStringLiteral("--=_QuillmossSMTP_")});
    TVxIEMailAttachment* A = Mail.Attachments()->Add();
    A->SetFileName(Path);
    A->SetEncoding(QStringLiteral("7bit"));
    QStringList Boundaries;
    for (int I = 0; I < 2; ++I) {
        EXPECT_EQ(Mail.Execute(), QString());
        const QString Text = QString::fromLatin1(Server.Received(I));
        const QRegularExpressionMatch M =
            QRegularExpression(QStringLiteral("boundary=\"([^\"]+)\"")).match(Text);
        ASSERT_TRUE(M.hasMatch());
        Boundaries << M.captured(1);
        // The delimiter twice and the closing one once: nowhere else.
        EXPECT_EQ(Text.count(M.captured(1)), 4) << Text.toStdString();
    }
    EXPECT_NE(Boundaries[0], Boundaries[1]);
}

TEST(SMTPDialogue, MultiLineRepliesAreReadWholeAnd251Accepted)
{
    TFakeSmtp Peer;
    Peer.Replies["GREETING"] = "220-first line\r\n220-second\r\n220 ready\r\n";
    Peer.Replies["RCPT"] = "251-User not local;\r\n251 will forward\r\n";
    TScriptedServer Server(Peer);
    TTestSMTP Mail(Server.Port());
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_TRUE(Server.Received().endsWith(".\r\nQUIT\r\n"));
}

TEST(SMTPDialogue, FallsBackToHeloWhenEhloIsUnknown)
{
    TFakeSmtp Peer;
    Peer.Replies["EHLO"] = "500 5.5.1 Command unrecognized\r\n";
    Peer.GoOn = {"EHLO"};
    TScriptedServer Server(Peer);
    TTestSMTP Mail(Server.Port());
    EXPECT_EQ(Mail.Execute(), QString());
    const QString Text = Normalize(Server.Received(), Mail.LocalName());
    EXPECT_TRUE(Text.startsWith(QStringLiteral("EHLO HOST\r\nHELO HOST\r\nRSET\r\n"))) << Text.toStdString();
    EXPECT_TRUE(Text.endsWith(QStringLiteral(".\r\nQUIT\r\n")));
}

// A refusal at each stage raises, naming the command (never a credential) and the
// server's reply, and nothing of the transaction after the refused line is sent.
struct TRefusal {
    const char* Verb;
    const char* Reply;
    const char* Message;   // what Execute raises, before " (127.0.0.1:port)"
    const char* LastLine;  // the last line the client sent
};

class SMTPRefusal : public testing::TestWithParam<TRefusal> {};

TEST_P(SMTPRefusal, IsRaisedAndStopsTheExchange)
{
    const TRefusal& R = GetParam();
    TFakeSmtp Peer;
    Peer.Replies[R.Verb] = R.Reply;
    TScriptedServer Server(Peer);
    TTestSMTP Mail(Server.Port());
    Mail.Login()->SetUseLogin(true);
    Mail.Login()->SetUserID(QStringLiteral("ann"));
    Mail.Login()->SetPassword(QStringLiteral("pw"));
    try {
        Mail.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxError& E) {
        EXPECT_EQ(E.Message().replace(Mail.LocalName(), QStringLiteral("HOST")),
                  QStringLiteral("%1 (127.0.0.1:%2)").arg(QString::fromLatin1(R.Message)).arg(Server.Port()));
    }
    EXPECT_FALSE(Mail.Connected());
    const QByteArray Bytes = Server.Received();
    if (*R.LastLine) {
        ASSERT_TRUE(Bytes.endsWith("\r\n")) << Bytes.constData();
        const QByteArray Lines = "\r\n" + Bytes.chopped(2);
        const QByteArray Last = Lines.mid(Lines.lastIndexOf("\r\n") + 2);
        EXPECT_TRUE(Last.startsWith(R.LastLine)) << Bytes.constData();
    } else
        EXPECT_TRUE(Bytes.isEmpty()) << Bytes.constData();
}

INSTANTIATE_TEST_SUITE_P(
    EachStage, SMTPRefusal,
    testing::Values(
        TRefusal{"GREETING", "554 5.3.2 go away\r\n", "session refused at the greeting: 554 5.3.2 go away", ""},
        TRefusal{"EHLO", "421 4.3.2 shutting down\r\n", "EHLO HOST refused: 421 4.3.2 shutting down", "EHLO"},
        TRefusal{"RSET", "502 no\r\n", "RSET refused: 502 no", "RSET"},
        TRefusal{"AUTH", "504 5.5.4 Unrecognized authentication type\r\n",
                 "auth LOGIN refused: 504 5.5.4 Unrecognized authentication type", "auth LOGIN"},
        TRefusal{"USER", "535 5.7.8 bad\r\n", "auth LOGIN user name refused: 535 5.7.8 bad", "YW5u"},
        TRefusal{"PASS", "535-5.7.8 Authentication\r\n535 5.7.8 failed\r\n",
                 "auth LOGIN password refused: 535-5.7.8 Authentication\r\n535 5.7.8 failed", "cHc="},
        TRefusal{"MAIL", "550 5.7.1 sender rejected\r\n", "MAIL FROM:<ann@example.org> refused: 550 5.7.1 sender rejected",
                 "MAIL FROM:<ann@example.org>"},
        TRefusal{"RCPT", "550 5.1.1 no such user\r\n", "RCPT TO:<bob@example.net> refused: 550 5.1.1 no such user",
                 "RCPT TO:<bob@example.net>"},
        TRefusal{"DATA", "554 5.5.1 no valid recipients\r\n", "DATA refused: 554 5.5.1 no valid recipients", "DATA"},
        TRefusal{".", "552 5.3.4 message too big\r\n", "the message refused: 552 5.3.4 message too big", "."}),
    [](const testing::TestParamInfo<TRefusal>& I) {
        const std::string V = I.param.Verb;
        return V == "." ? std::string("FinalDot") : V;
    });

TEST(SMTPDialogue, RefusedHeloIsRaisedAndABadQuitAfterTheMessageIsNot)
{
    TFakeSmtp Peer;
    Peer.Replies["EHLO"] = "502 not implemented\r\n";
    Peer.GoOn = {"EHLO"};
    Peer.Replies["HELO"] = "550 not you\r\n";
    TScriptedServer Server(Peer);
    TTestSMTP Mail(Server.Port());
    try {
        Mail.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxError& E) {
        EXPECT_EQ(E.Message().replace(Mail.LocalName(), QStringLiteral("HOST")),
                  QStringLiteral("HELO HOST refused: 550 not you (127.0.0.1:%1)").arg(Server.Port()));
    }

    // The server took the message: a wrong answer to QUIT does not undo that.
    TFakeSmtp Quit;
    Quit.Replies["QUIT"] = "500 what?\r\n";
    TScriptedServer Server2(Quit);
    TTestSMTP Mail2(Server2.Port());
    EXPECT_EQ(Mail2.Execute(), QString());
    EXPECT_FALSE(Mail2.Connected());  // closed all the same
}

TEST(SMTPDialogue, StartTlsNotOfferedOrRefusedEndsItBeforeLoginOrMessage)
{
    const QByteArray EhloWithTls = "250-test.example\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n";
    const struct {
        QByteArray Ehlo, StartTls;
        const char* Message;
        const char* Last;
    } Cases[] = {
        {"250-test.example\r\n250 AUTH LOGIN\r\n", {},
         "STARTTLS refused: the server does not offer STARTTLS", "EHLO"},
        {EhloWithTls, "454 4.7.0 TLS not available\r\n",
         "STARTTLS refused: 454 4.7.0 TLS not available", "STARTTLS"},
    };
    for (const auto& C : Cases) {
        for (const bool WithLogin : {false, true}) {
            TFakeSmtp Peer;
            Peer.Replies["EHLO"] = C.Ehlo;
            if (!C.StartTls.isEmpty())
                Peer.Replies["STARTTLS"] = C.StartTls;
            TScriptedServer Server(Peer);
            TTestSMTP Mail(Server.Port());
            Mail.SetTLSMode(tmStartTLS);
            Mail.Login()->SetUseLogin(WithLogin);
            Mail.Login()->SetUserID(QStringLiteral("ann"));
            Mail.Login()->SetPassword(QStringLiteral("pw"));
            try {
                Mail.Execute();
                ADD_FAILURE() << "no exception";
            } catch (const EVxError& E) {
                EXPECT_EQ(E.Message(), QStringLiteral("%1 (127.0.0.1:%2)").arg(QLatin1String(C.Message)).arg(Server.Port()));
            }
            EXPECT_FALSE(Mail.Connected());
            const QByteArray Sent = Server.Received();
            // Nothing after the refusal: no login, no envelope, no message.
            const QByteArray Lines = "\r\n" + Sent.chopped(2);
            EXPECT_TRUE(Lines.mid(Lines.lastIndexOf("\r\n") + 2).startsWith(C.Last)) << Sent.constData();
            EXPECT_EQ(Sent.count("\r\n"), QByteArray(C.Last) == "EHLO" ? 1 : 2) << Sent.constData();
        }
    }
}

TEST(SMTPDialogue, ServerThatClosesOrFallsSilentEndsTheExchange)
{
    // Closes right after MAIL: reported, and the next Execute opens a new connection.
    TScriptedServer Server(
        [](TConnection& C) {
            C.Send("220 hi\r\n");
            C.ReadLine();
            C.Send("250 ok\r\n");
            C.ReadLine();
            C.Send("250 ok\r\n");
            C.ReadLine();  // MAIL
            C.Close();
        },
        2);
    TTestSMTP Mail(Server.Port());
    const QString Closed = QStringLiteral("the server closed the connection, waiting for the reply to "
                                          "MAIL FROM:<ann@example.org> (127.0.0.1:%1)")
                               .arg(Server.Port());
    for (int I = 0; I < 2; ++I) {
        try {
            Mail.Execute();
            ADD_FAILURE() << "no exception";
        } catch (const EVxError& E) {
            EXPECT_EQ(E.Message(), Closed);
        }
        EXPECT_FALSE(Mail.Connected());
    }
    EXPECT_EQ(Server.Connections(), 2);

    // Never answers: the wait is bounded by Timeout.
    TScriptedServer Silent([](TConnection& C) { C.ReadAll(3000); });
    TTestSMTP Mail2(Silent.Port());
    Mail2.SetTimeout(200);
    EXPECT_THROW(Mail2.Execute(), EVxError);
    EXPECT_FALSE(Mail2.Connected());
}

TEST(SMTPDialogue, KeepConnectionReusesTheSession)
{
    TScriptedServer Server(TFakeSmtp{});
    TTestSMTP Mail(Server.Port());
    Mail.SetKeepConnection(true);
    Mail.Login()->SetUseLogin(true);
    EXPECT_EQ(Mail.Execute(), QString());
    EXPECT_TRUE(Mail.Connected());
    EXPECT_EQ(Mail.Execute(), QString());
    Mail.Disconnect();
    EXPECT_FALSE(Mail.Connected());
    const QString Text = Normalize(Server.Received(), Mail.LocalName());
    EXPECT_EQ(Text.count(QStringLiteral("EHLO HOST\r\nRSET\r\n")), 2);
    EXPECT_EQ(Text.count(QStringLiteral("auth LOGIN")), 1);  // one login per session
    EXPECT_EQ(Text.count(QStringLiteral("QUIT")), 1);
    EXPECT_EQ(Server.Connections(), 1);
}

TEST(SMTPDialogue, BadInputIsRefusedBeforeConnecting)
{
    TScriptedServer Server(TFakeSmtp{});
    auto Refused = [&](const std::function<void(TTestSMTP&)>& Spoil, const QString& Message) {
        TTestSMTP Mail(Server.Port());
        Spoil(Mail);
        try {
            Mail.Execute();
            ADD_FAILURE() << "accepted: " << Message.toStdString();
        } catch (const EVxError& E) {
            EXPECT_TRUE(E.Message().startsWith(Message)) << E.Message().toStdString();
        }
    };
    Refused([](TTestSMTP& M) { M.SetSubject("Hi\r\nBcc: x@evil"); },
            "Subject must not contain a line break");
    Refused([](TTestSMTP& M) { M.From()->SetName("Ann\nX"); },
            "From.Name must not contain a line break");
    Refused([](TTestSMTP& M) { M.CC()->Add()->SetAddress("a@x>\r\nRCPT TO:<b@y"); },
            "CC[0].Address must not contain a line break");
    Refused([](TTestSMTP& M) { M.Attachments()->Add()->SetAttachmentName("a\rb"); },
            "Attachments[0].AttachmentName must not contain a line break");
    Refused([](TTestSMTP& M) { M.Attachments()->Add()->SetFileName("/nonexistent/file.bin"); },
            "Cannot read the attachment file \"/nonexistent/file.bin\"");
    Refused([](TTestSMTP& M) { M.Attachments()->Add()->SetFileName(QDir::tempPath()); },
            "Cannot read the attachment file");
    Refused(
        [](TTestSMTP& M) {
            auto* A = M.Attachments()->Add();
            A->SetFileName(QStringLiteral(VX_SOURCE_DIR "/CMakeLists.txt"));
            A->SetEncoding("uuencode");
        },
        "Attachments[0].Encoding \"uuencode\" is not supported");
    EXPECT_EQ(Server.Connections(), 0);
}

TEST(SMTPFormat, DateStampAndZoneOffsets)
{
    const TDateTime Jan = EncodeDateTime(2026, 1, 1, 9, 5, 7, 0);
    {
        TZone Z("Asia/Kolkata");
        EXPECT_EQ(TTestSMTP::GetTimeZoneString(Jan), "+0530");
        EXPECT_EQ(TTestSMTP::EMailFormatDate(Jan), "Thu, 1 Jan 2026 09:05:07 +0530");
    }
    {
        TZone Z("America/New_York");
        EXPECT_EQ(TTestSMTP::GetTimeZoneString(Jan), "-0500");
        EXPECT_EQ(TTestSMTP::GetTimeZoneString(EncodeDateTime(2026, 7, 1, 12, 0, 0, 0)), "-0400");
        EXPECT_EQ(TTestSMTP::EMailFormatDate(EncodeDateTime(2026, 12, 6, 18, 41, 24, 0)),
                  "Sun, 6 Dec 2026 18:41:24 -0500");
    }
    {
        TZone Z("UTC");
        EXPECT_EQ(TTestSMTP::GetTimeZoneString(Jan), "GMT");
    }
    {
        TZone Z("America/St_Johns");
        EXPECT_EQ(TTestSMTP::GetTimeZoneString(Jan), "-0330");
    }
    EXPECT_EQ(TTestSMTP::LeadZero(7, 2), "07");
    EXPECT_EQ(TTestSMTP::LeadZero(123, 2), "123");
    EXPECT_EQ(TTestSMTP::LeadZero(0, 0), "0");
}

TEST(SMTPFormat, MessageIdsHaveTheirFormAndDiffer)
{
    const QString A = TTestSMTP::UniqueMessageID("mail.example");
    const QString B = TTestSMTP::UniqueMessageID("mail.example");
    const QRegularExpression Form(QStringLiteral("^<\\d{12}[a-t]{8}@mail\\.example>$"));
    EXPECT_TRUE(Form.match(A).hasMatch()) << A.toStdString();
    EXPECT_TRUE(Form.match(B).hasMatch());
    EXPECT_NE(A.mid(13, 8), B.mid(13, 8));
}

TEST(SMTPDefaults, PropertiesAreReachableByName)
{
    // `vx run` sets and prints these through the meta-object system.
    TVxISMTP Mail;
    EXPECT_EQ(Mail.Port(), 25);
    const QMetaObject* M = Mail.metaObject();
    const QMetaProperty Priority = M->property(M->indexOfProperty("Priority"));
    ASSERT_TRUE(Priority.isEnumType());
    EXPECT_STREQ(Priority.enumerator().valueToKey(spLowest), "spLowest");
    EXPECT_EQ(Mail.TLSMode(), tmNone);
    const QMetaProperty Tls = M->property(M->indexOfProperty("TLSMode"));
    ASSERT_TRUE(Tls.isEnumType());
    EXPECT_EQ(Tls.enumerator().keyToValue("tmStartTLS"), int(tmStartTLS));
    auto* Recipients = qvariant_cast<TVxIEMailAddresses*>(Mail.property("Recipients"));
    ASSERT_EQ(Recipients, Mail.Recipients());
    Recipients->setProperty("EMailAddresses", QStringLiteral("a@x, B <b@x>"));
    EXPECT_EQ(Mail.Recipients()->Count(), 2);

    TVxIEMailAddresses Other;
    Other.SetEMailAddresses("c@x");
    Mail.SetCC(&Other);  // copied, not adopted
    EXPECT_NE(Mail.CC(), &Other);
    EXPECT_EQ(Mail.CC()->GetEMailAddresses(), "c@x");
}
