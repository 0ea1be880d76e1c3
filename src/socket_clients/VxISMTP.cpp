// The SMTP mail sender's dialogue: greeting, EHLO, STARTTLS, LOGIN authentication,
// the envelope and DATA, and the lines on the wire. The message itself is written in
// VxISMTPMessage.cpp.
#include "VxISMTPPrivate.h"

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
      FLogin(new TVxILogin(this)),
      FAttachments(new TVxIEMailAttachments(this)),
      d(std::make_unique<TVxISMTPPrivate>(this))
{
    SetPort(25);
    SetTimeout(DefaultTimeoutMs);
    // Owned (and freed below) as the collections are, so that they know their component.
    FFrom->setParent(this);
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
        d->Reset();
        ClientSocket()->SetTls(SocketTls(FTLSMode));
    }
    TVxInetBase::Connect();
    try {
        if (!Reused) {
            const TVxISMTPPrivate::TReply Greeting = d->ReadReply(QStringLiteral("the greeting"));
            if (Greeting.Code != 220)
                throw ExchangeError(QStringLiteral("session refused at the greeting: ") + Greeting.Text);
        }
        const TVxISMTPPrivate::TReply Ehlo = d->Greet();
        if (FTLSMode == tmStartTLS && !ClientSocket()->Encrypted()) {
            d->StartTls(Ehlo);
            d->Greet();
        }
    } catch (...) {
        // A session that could not be opened is of no further use.
        d->Drop();
        throw;
    }
}

void TVxISMTP::Disconnect()
{
    if (Connected()) {
        try {
            SendData(QStringLiteral("QUIT"), {221});
        } catch (...) {
            d->Drop();
            if (!d->Accepted)
                throw;
            return;  // the message went out all the same
        }
    }
    TVxInetBase::Disconnect();
}

void TVxISMTP::BeforeExecute()
{
    TVxInetBase::BeforeExecute();
    d->CheckMessage();
}

QString TVxISMTP::InternalExecute()
{
    Send();
    return {};
}

void TVxISMTP::Send()
{
    d->CheckMessage();
    d->Accepted = false;
    if (FTLSMode != tmNone && !ClientSocket()->Encrypted())
        throw ExchangeError(QStringLiteral("the connection is not encrypted, as TLSMode asks"));
    d->Output.clear();
    SendData(QStringLiteral("RSET"), {250});
    // A server takes one login per session and refuses a second (503), so a kept
    // connection logs in only once. The credentials are never named in a message.
    if (FLogin->UseLogin() && !d->LoggedIn) {
        SendData(QStringLiteral("auth LOGIN"), {334});
        d->Expect(Encode64(QString::fromLatin1(FLogin->UserID().toUtf8())), {334},
                  QStringLiteral("auth LOGIN user name"));
        d->Expect(Encode64(QString::fromLatin1(FLogin->Password().toUtf8())), {235},
                  QStringLiteral("auth LOGIN password"));
        d->LoggedIn = true;
    }
    SendData(QStringLiteral("MAIL FROM:<") + FFrom->Address() + QLatin1Char('>'), {250});
    for (const TVxIEMailAddresses* List : {FRecipients, FCC, FBCC})
        for (int I = 0; I < List->Count(); ++I)
            SendData(QStringLiteral("RCPT TO:<") + List->Items(I)->Address() + QLatin1Char('>'), {250, 251});
    SendData(QStringLiteral("DATA"), {354});
    try {
        d->WriteMessage();
    } catch (const EVxFileError&) {
        // A file that fails half-way: closing without the final "." makes the server
        // drop the incomplete message.
        d->Drop();
        throw;
    }
    d->Expect(QStringLiteral("."), {250}, QStringLiteral("the message"));
    d->Accepted = true;
}

void TVxISMTP::SendData(const QString& Line, const QList<int>& ExpectedCodes)
{
    if (ExpectedCodes.isEmpty())
        d->QueueLine(Line.toUtf8());
    else
        d->Expect(Line, ExpectedCodes, Line);
}

// --- the dialogue on the wire -------------------------------------------------------

void TVxISMTPPrivate::Reset()
{
    Input.clear();
    Output.clear();
    LoggedIn = false;
    Accepted = false;
}

void TVxISMTPPrivate::Drop()
{
    Input.clear();
    Output.clear();
    q->TVxInetBase::Disconnect();
}

TVxISMTPPrivate::TReply TVxISMTPPrivate::Greet()
{
    const QString Host = LocalHostName();
    const QString Ehlo = QStringLiteral("EHLO ") + Host;
    const TReply Reply = Command(Ehlo, Ehlo);
    if (Reply.Code != 250) {
        // Only a server that does not know EHLO (a permanent refusal) gets HELO.
        if (Reply.Code < 500 || Reply.Code > 599)
            throw q->ExchangeError(Ehlo + QStringLiteral(" refused: ") + Reply.Text);
        q->SendData(QStringLiteral("HELO ") + Host, {250});
        return {};  // HELO offers no extensions
    }
    return Reply;
}

void TVxISMTPPrivate::StartTls(const TReply& Ehlo)
{
    if (!Offers(Ehlo.Text, QStringLiteral("STARTTLS")))
        throw q->ExchangeError(QStringLiteral("STARTTLS refused: the server does not offer STARTTLS"));
    q->SendData(QStringLiteral("STARTTLS"), {220});
    // Whatever came in clear after the 220 is dropped: it may have been put there by
    // someone on the way, and it must not pass for an answer given over TLS.
    Input.clear();
    q->ClientSocket()->StartTls();
}

void TVxISMTPPrivate::Expect(const QString& Line, const QList<int>& Codes, const QString& Shown)
{
    const TReply Reply = Command(Line, Shown);
    if (!Codes.contains(Reply.Code))
        throw q->ExchangeError(Shown + QStringLiteral(" refused: ") + Reply.Text);
}

void TVxISMTPPrivate::QueueLine(const QByteArray& Line)
{
    // Dot-stuffing (RFC 5321, 4.5.2): a line that begins with "." gets one more, so
    // that no message line can be taken for the end of the data.
    if (Line.startsWith('.'))
        Output += '.';
    Output += Line;
    Output += "\r\n";
    if (Output.size() >= OutputBlock)
        Flush();
}

void TVxISMTPPrivate::Flush()
{
    QString Pending = QString::fromLatin1(Output);
    Output.clear();
    while (!Pending.isEmpty()) {
        const int Sent = q->SendToSocket(Pending);
        if (Sent <= 0)
            throw q->ExchangeError(QStringLiteral("No answer from server: cannot send, not connected"));
        Pending.remove(0, Sent);
    }
}

TVxISMTPPrivate::TReply TVxISMTPPrivate::Command(const QString& Line, const QString& Shown)
{
    // Commands are never dot-stuffed ("." itself ends the message data).
    Output += Line.toUtf8();
    Output += "\r\n";
    Flush();
    return ReadReply(Shown);
}

QByteArray TVxISMTPPrivate::ReadLine(const QString& What)
{
    for (;;) {
        const qsizetype End = Input.indexOf('\n');
        if (End >= 0) {
            QByteArray Line = Input.left(End);
            Input.remove(0, End + 1);
            if (Line.endsWith('\r'))
                Line.chop(1);
            return Line;
        }
        if (Input.size() > MaxReplyLine)
            throw q->ExchangeError(QStringLiteral("the server's reply to %1 is too long").arg(What));
        char Buffer[4096];
        const int Count = q->ReceiveFromSocket(Buffer, int(sizeof Buffer));
        if (Count <= 0) {
            // The server has gone: close our side too, so that the next Execute opens a
            // new connection instead of writing to this one.
            const EVxError Gone = q->ExchangeError(QStringLiteral("the server closed the connection, waiting for the reply to ") + What);
            Drop();
            throw Gone;
        }
        Input.append(Buffer, Count);
    }
}

TVxISMTPPrivate::TReply TVxISMTPPrivate::ReadReply(const QString& What)
{
    // A reply is one or more lines; all but the last have "-" after the code.
    TReply Reply;
    QStringList Lines;
    for (int N = 0;; ++N) {
        if (N >= MaxReplyLines)
            throw q->ExchangeError(QStringLiteral("the server's reply to %1 is too long").arg(What));
        const QByteArray Line = ReadLine(What);
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

QString TVxISMTPPrivate::LocalHostName() const
{
    const QString Host = q->GetLocalHost();
    return Host.isEmpty() ? QStringLiteral("localhost") : Host;
}
