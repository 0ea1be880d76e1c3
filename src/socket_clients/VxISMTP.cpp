// The SMTP mail sender's dialogue: greeting, EHLO, STARTTLS, LOGIN authentication,
// the envelope and DATA, and the lines on the wire. The message itself is written in
// VxISMTPMessage.cpp.
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/vxiutil.h>

namespace {

constexpr int DefaultTimeoutMs = 5 * 60 * 1000;   // RFC 5321 suggests minutes per reply
constexpr qsizetype MaxReplyLine = 64 * 1024;      // a longer reply line is refused
constexpr int MaxReplyLines = 1000;                // so is a reply of more lines
constexpr qsizetype OutputBlock = 64 * 1024;       // queued message bytes sent at once

}  // namespace

TVxISMTP::TVxISMTP(QObject* Owner)
    : TVxInetBase(Owner),
      FFrom(new TVxIEMailAddress(nullptr)),
      FRecipients(new TVxIEMailAddresses(this)),
      FCC(new TVxIEMailAddresses(this)),
      FBCC(new TVxIEMailAddresses(this)),
      FReplyTo(new TVxIEMailAddresses(this)),
      FCharSet(QStringLiteral("us-ascii")),
      FEncoding(QStringLiteral("7bit")),
      FDate(Now()),
      FLogin(new TVxILogin(nullptr)),
      FAttachments(new TVxIEMailAttachments(this))
{
    SetPort(25);
    SetTimeout(DefaultTimeoutMs);
    // Owned (and freed below) as the collections are, so that they know their component.
    FFrom->setParent(this);
    FLogin->setParent(this);
}

TVxISMTP::~TVxISMTP()
{
    EndRun();
    delete FFrom;
    delete FRecipients;
    delete FCC;
    delete FBCC;
    delete FReplyTo;
    delete FLogin;
    delete FAttachments;
}

// --- the dialogue -------------------------------------------------------------------

namespace {

TVxSocketTls SocketTls(TVxITLSMode Mode)
{
    switch (Mode) {
    case tmNone: break;
    case tmStartTLS: return TVxSocketTls::OnRequest;
    case tmImplicit: return TVxSocketTls::OnConnect;
    }
    return TVxSocketTls::Off;
}

// Whether an EHLO reply lists Keyword among the extensions (the lines after the first).
bool Offers(const QString& EhloText, const QString& Keyword)
{
    const QStringList Lines = EhloText.split(QStringLiteral("\r\n"));
    for (qsizetype I = 1; I < Lines.size(); ++I)
        if (Lines.at(I).mid(4).section(QLatin1Char(' '), 0, 0).compare(Keyword, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

}  // namespace

void TVxISMTP::Connect()
{
    bool Reused = Connected();
    // A connection kept open under another TLS mode is closed and opened anew.
    if (Reused && ClientSocket()->Tls() != SocketTls(FTLSMode)) {
        Disconnect();
        Reused = false;
    }
    if (!Reused) {
        FInput.clear();
        FOutput.clear();
        FLoggedIn = false;
        ClientSocket()->SetTls(SocketTls(FTLSMode));
    }
    TVxInetBase::Connect();
    try {
        if (!Reused) {
            const TReply Greeting = ReadReply(220);
            if (Greeting.Code != 220)
                throw EVxError(QStringLiteral("Error 220: ") + Greeting.Text);
        }
        const TReply Ehlo = Greet();
        if (FTLSMode == tmStartTLS && !ClientSocket()->Encrypted()) {
            StartTls(Ehlo);
            Greet();
        }
    } catch (...) {
        // A session that could not be opened is of no further use.
        FOutput.clear();
        TVxInetBase::Disconnect();
        throw;
    }
}

TVxISMTP::TReply TVxISMTP::Greet()
{
    const QString Host = LocalHostName();
    const TReply Ehlo = Command(QStringLiteral("EHLO ") + Host, 250);
    if (Ehlo.Code != 250) {
        // Only a server that does not know EHLO (a permanent refusal) gets HELO.
        if (Ehlo.Code < 500 || Ehlo.Code > 599)
            throw EVxError(QStringLiteral("Error 250: ") + Ehlo.Text);
        SendData(QStringLiteral("HELO ") + Host, {250});
        return {};  // HELO offers no extensions
    }
    return Ehlo;
}

void TVxISMTP::StartTls(const TReply& Ehlo)
{
    if (!Offers(Ehlo.Text, QStringLiteral("STARTTLS")))
        throw EVxError(QStringLiteral("Error 220: STARTTLS refused: the server does not offer STARTTLS"));
    const TReply Reply = Command(QStringLiteral("STARTTLS"), 220);
    if (Reply.Code != 220)
        throw EVxError(QStringLiteral("Error 220: STARTTLS refused: ") + Reply.Text);
    // Whatever came in clear after the 220 is dropped: it may have been put there by
    // someone on the way, and it must not pass for an answer given over TLS.
    FInput.clear();
    ClientSocket()->StartTls();
}

void TVxISMTP::Disconnect()
{
    if (Connected()) {
        try {
            SendData(QStringLiteral("QUIT"), {221});
        } catch (...) {
            FOutput.clear();
            TVxInetBase::Disconnect();
            throw;
        }
    }
    TVxInetBase::Disconnect();
}

void TVxISMTP::BeforeExecute()
{
    TVxInetBase::BeforeExecute();
    CheckMessage();
}

QString TVxISMTP::InternalExecute()
{
    Send();
    return {};
}

void TVxISMTP::Send()
{
    CheckMessage();
    if (FTLSMode != tmNone && !ClientSocket()->Encrypted())
        throw EVxError(QStringLiteral("Error 220: the connection is not encrypted, as TLSMode asks"));
    FOutput.clear();
    SendData(QStringLiteral("RSET"), {250});
    // A server takes one login per session and refuses a second (503), so a kept
    // connection logs in only once.
    if (FLogin->UseLogin() && !FLoggedIn) {
        SendData(QStringLiteral("auth LOGIN"), {334});
        SendData(Encode64(QString::fromLatin1(FLogin->UserID().toUtf8())), {334});
        SendData(Encode64(QString::fromLatin1(FLogin->Password().toUtf8())), {235});
        FLoggedIn = true;
    }
    SendData(QStringLiteral("MAIL FROM:<") + FFrom->Address() + QLatin1Char('>'), {250});
    for (const TVxIEMailAddresses* List : {FRecipients, FCC, FBCC})
        for (int I = 0; I < List->Count(); ++I)
            SendData(QStringLiteral("RCPT TO:<") + List->Items(I)->Address() + QLatin1Char('>'),
                     {250, 251});
    SendData(QStringLiteral("DATA"), {354});
    try {
        WriteMessage();
    } catch (const EVxFileError&) {
        // A file that fails half-way: closing without the final "." makes the server
        // drop the incomplete message.
        FOutput.clear();
        TVxInetBase::Disconnect();
        throw;
    }
    SendData(QStringLiteral("."), {250});
}

void TVxISMTP::SendData(const QString& Line, const QList<int>& ExpectedCodes)
{
    if (ExpectedCodes.isEmpty()) {
        QueueLine(Line.toUtf8());
        return;
    }
    const TReply Reply = Command(Line, ExpectedCodes.first());
    if (!ExpectedCodes.contains(Reply.Code))
        throw EVxError(QStringLiteral("Error %1: %2").arg(ExpectedCodes.first()).arg(Reply.Text));
}

// --- lines on the wire --------------------------------------------------------------

void TVxISMTP::QueueLine(const QByteArray& Line)
{
    // Dot-stuffing (RFC 5321, 4.5.2): a line that begins with "." gets one more, so
    // that no message line can be taken for the end of the data.
    if (Line.startsWith('.'))
        FOutput += '.';
    FOutput += Line;
    FOutput += "\r\n";
    if (FOutput.size() >= OutputBlock)
        Flush();
}

void TVxISMTP::Flush()
{
    QString Pending = QString::fromLatin1(FOutput);
    FOutput.clear();
    while (!Pending.isEmpty()) {
        const int Sent = SendToSocket(Pending);
        if (Sent <= 0)
            throw EVxSocketError(QStringLiteral("Cannot send to the server: not connected"));
        Pending.remove(0, Sent);
    }
}

TVxISMTP::TReply TVxISMTP::Command(const QString& Line, int ExpectedCode)
{
    // Commands are never dot-stuffed ("." itself ends the message data).
    FOutput += Line.toUtf8();
    FOutput += "\r\n";
    Flush();
    return ReadReply(ExpectedCode);
}

QByteArray TVxISMTP::ReadLine(int ExpectedCode)
{
    for (;;) {
        const qsizetype End = FInput.indexOf('\n');
        if (End >= 0) {
            QByteArray Line = FInput.left(End);
            FInput.remove(0, End + 1);
            if (Line.endsWith('\r'))
                Line.chop(1);
            return Line;
        }
        if (FInput.size() > MaxReplyLine)
            throw EVxError(QStringLiteral("Error %1: the server's reply is too long").arg(ExpectedCode));
        char Buffer[4096];
        const int Count = ReceiveFromSocket(Buffer, int(sizeof Buffer));
        if (Count <= 0) {
            // The server has gone: close our side too, so that the next Execute opens a
            // new connection instead of writing to this one.
            FInput.clear();
            FOutput.clear();
            TVxInetBase::Disconnect();
            throw EVxError(QStringLiteral("Error %1: the server closed the connection")
                               .arg(ExpectedCode));
        }
        FInput.append(Buffer, Count);
    }
}

TVxISMTP::TReply TVxISMTP::ReadReply(int ExpectedCode)
{
    // A reply is one or more lines; all but the last have "-" after the code.
    TReply Reply;
    QStringList Lines;
    for (int N = 0;; ++N) {
        if (N >= MaxReplyLines)
            throw EVxError(QStringLiteral("Error %1: the server's reply is too long").arg(ExpectedCode));
        const QByteArray Line = ReadLine(ExpectedCode);
        Lines.append(QString::fromLatin1(Line));
        if (Line.size() < 4 || Line.at(3) != '-')
            break;
    }
    const QString& Last = Lines.last();
    bool Ok = false;
    const int Code = Last.left(3).toInt(&Ok);
    Reply.Code = (Ok && Last.size() >= 3 && Last.at(0).isDigit()) ? Code : 0;
    Reply.Text = Lines.join(QStringLiteral("\r\n"));
    return Reply;
}

QString TVxISMTP::LocalHostName() const
{
    const QString Host = GetLocalHost();
    return Host.isEmpty() ? QStringLiteral("localhost") : Host;
}
