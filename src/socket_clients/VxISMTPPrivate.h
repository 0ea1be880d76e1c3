// The mail sender's inside: the SMTP dialogue on the wire (queued output, the reply
// reader and its buffer) and the writer of the message. VxISMTP.cpp holds the dialogue,
// VxISMTPMessage.cpp the message.
#pragma once

#include <vedidoredo/VxISMTP.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TVxISMTPPrivate {
public:
    explicit TVxISMTPPrivate(TVxISMTP* Owner) : q(Owner) {}

    struct TReply {
        int Code = 0;
        QString Text;  // all lines, joined by CR LF
    };

    // --- the dialogue -----------------------------------------------------------------

    // Forgets what a closed session left: queued output, unread input, the login.
    void Reset();
    // Closes the connection without QUIT, with what was queued or unread.
    void Drop();
    TReply Greet();
    void StartTls(const TReply& Ehlo);
    // Sends Line (with everything queued before it) and reads the reply; a code not in
    // Codes raises "<Shown> refused: <reply> (host:port)". Shown names the command in the
    // message: Line itself unless it carries a secret.
    void Expect(const QString& Line, const QList<int>& Codes, const QString& Shown);
    // Queues a message line (dot-stuffed), sending when enough has gathered.
    void QueueLine(const QByteArray& Line);
    TReply Command(const QString& Line, const QString& Shown);
    void Flush();
    // The reply to What (the command, as messages name it).
    TReply ReadReply(const QString& What);
    QByteArray ReadLine(const QString& What);
    QString LocalHostName() const;

    // --- the message ------------------------------------------------------------------

    void CheckMessage() const;
    void WriteMessage();

    TVxISMTP* q;
    bool LoggedIn = false;  // the open session has logged in
    bool Accepted = false;  // the server took the message of the last Send
    QByteArray Output;      // queued lines not yet sent
    QByteArray Input;       // received bytes not yet read as reply lines

private:
    // A header line, folded where it holds line breaks ("\r\n" followed by a blank).
    void Header(const QString& Line);
    void WriteAttachment(const TVxIEMailAttachment* Attachment, bool Last, const QString& Delimiter);
    // A boundary of random characters that occurs in no part of this message.
    QString NewBoundary(const QList<QByteArray>& TextLines) const;
};
