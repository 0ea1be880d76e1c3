// Mail: addresses and their lists, file attachments, the login for authenticated
// sending, and TVxISMTP, which sends one message over SMTP.
#pragma once

#include <vedidoredo/VxInBase.h>
#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace VxSMTPEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
enum TVxISMTPPriority { spHighest, spHigh, spNormal, spLow, spLowest };
Q_ENUM_NS(TVxISMTPPriority)
// How the mail connection is encrypted: not at all, by STARTTLS after the first EHLO,
// or with TLS from the first byte (the usual port 465).
enum TVxITLSMode { tmNone, tmStartTLS, tmImplicit };
Q_ENUM_NS(TVxITLSMode)
}  // namespace VxSMTPEnums
using VxSMTPEnums::TVxISMTPPriority;
using enum VxSMTPEnums::TVxISMTPPriority;
using VxSMTPEnums::TVxITLSMode;
using enum VxSMTPEnums::TVxITLSMode;

// One mail address with an optional display name. Text reads and writes the two usual
// notations: "Name <address>" and "address (Name)".
class VX_CORE_EXPORT TVxIEMailAddress : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Address READ Address WRITE SetAddress)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString Text READ GetText WRITE SetText)
public:
    explicit TVxIEMailAddress(TVxCollection* Collection = nullptr);

    QString Address() const { return FAddress; }
    void SetAddress(const QString& Value) { CheckChange("Address"); FAddress = Value; }
    QString Name() const { return FName; }
    void SetName(const QString& Value) { CheckChange("Name"); FName = Value; }

    // "Name <Address>", or Address alone when there is no name or the name is just the
    // address in capitals. The name is printed as it is, without quotes.
    QString GetText() const;
    QString Text() const { return GetText(); }
    // Parses "Name <Address>" or "Address (Name)"; any other text is the bare address.
    // Quotes around the name are peeled off.
    void SetText(const QString& Value);

    void Assign(TVxPersistent* Source) override;

private:
    QString FAddress;
    QString FName;
};

// The addresses of one kind of recipient, with a comma-separated text form.
class VX_CORE_EXPORT TVxIEMailAddresses : public TVxCollection {
    Q_OBJECT
    Q_PROPERTY(QString EMailAddresses READ GetEMailAddresses WRITE SetEMailAddresses)
public:
    // AOwner is the component the list belongs to; it is not freed by the list.
    explicit TVxIEMailAddresses(QObject* AOwner = nullptr);

    QObject* VxIControl() const { return GetOwner(); }
    TVxIEMailAddress* Add();
    TVxIEMailAddress* Items(int Index) const { return GetItem(Index); }

    // The Text of every item, joined by ", ".
    QString GetEMailAddresses() const;
    QString EMailAddresses() const { return GetEMailAddresses(); }
    // Replaces the items by the entries of a comma-separated list. A comma inside the
    // first double-quoted run of an entry does not split it.
    void SetEMailAddresses(const QString& Value);

    // Appends the Text of every item to AStrings, one line each.
    void FillTStrings(QStringList& AStrings) const;

protected:
    TVxIEMailAddress* GetItem(int Index) const;
    void SetItem(int Index, TVxIEMailAddress* Value);  // copies Value into the slot
};

// One file attached to a message.
class VX_CORE_EXPORT TVxIEMailAttachment : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString AttachmentName READ AttachmentName WRITE SetAttachmentName)
    Q_PROPERTY(QString ContentType READ ContentType WRITE SetContentType)
    Q_PROPERTY(QString Encoding READ Encoding WRITE SetEncoding)
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
public:
    explicit TVxIEMailAttachment(TVxCollection* Collection = nullptr);

    QString AttachmentName() const { return FAttachmentName; }
    void SetAttachmentName(const QString& Value) { CheckChange("AttachmentName"); FAttachmentName = Value; }
    QString ContentType() const { return FContentType; }
    void SetContentType(const QString& Value) { CheckChange("ContentType"); FContentType = Value; }
    // Transfer encoding of the part: "base64" (also when empty), "7bit", "8bit" or
    // "quoted-printable".
    QString Encoding() const { return FEncoding; }
    void SetEncoding(const QString& Value) { CheckChange("Encoding"); FEncoding = Value; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { CheckChange("FileName"); FFileName = Value; }

    // AttachmentName, or the file-name part of FileName when it is empty.
    Q_INVOKABLE QString GetAttachmentName() const;
    // Sets ContentType from FileName's extension.
    Q_INVOKABLE void DetectContentType();

    void Assign(TVxPersistent* Source) override;

private:
    QString FAttachmentName;
    QString FContentType;
    QString FEncoding;
    QString FFileName;
};

class VX_CORE_EXPORT TVxIEMailAttachments : public TVxCollection {
    Q_OBJECT
public:
    explicit TVxIEMailAttachments(QObject* AOwner = nullptr);

    QObject* VxIControl() const { return GetOwner(); }
    TVxIEMailAttachment* Add();
    TVxIEMailAttachment* Items(int Index) const { return GetItem(Index); }

protected:
    TVxIEMailAttachment* GetItem(int Index) const;
    void SetItem(int Index, TVxIEMailAttachment* Value);
};

// Credentials for authenticated sending.
class VX_CORE_EXPORT TVxILogin : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString UserID READ UserID WRITE SetUserID)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(bool UseLogin READ UseLogin WRITE SetUseLogin)
public:
    explicit TVxILogin(QObject* Owner = nullptr);

    QString UserID() const { return FUserID; }
    void SetUserID(const QString& Value) { CheckChange("UserID"); FUserID = Value; }
    QString Password() const { return FPassword; }
    void SetPassword(const QString& Value) { CheckChange("Password"); FPassword = Value; }
    bool UseLogin() const { return FUseLogin; }
    void SetUseLogin(bool Value) { CheckChange("UseLogin"); FUseLogin = Value; }

    void Assign(TVxPersistent* Source) override;

private:
    QString FUserID;
    QString FPassword;
    bool FUseLogin = false;
};

// Sends one plain-text message, optionally with attached files, to an SMTP server.
// Execute connects, reads the greeting, sends EHLO (HELO when the server refuses it),
// runs Send and ends with QUIT unless KeepConnection. Every reply is read and checked;
// an unexpected one ends the exchange with "Error " + the expected code + ": " + the
// reply, which Execute returns as its text (Execute returns "" after a successful send).
// Bad input (a line break in a header text, an attachment that cannot be read) raises
// EVxError out of Execute before anything is sent.
//
// TLSMode. With tmStartTLS the client sends STARTTLS after the first EHLO, runs the TLS
// handshake after its 220 and greets again with EHLO; a server that does not offer
// STARTTLS or refuses it ends the exchange there, before any login or message, with an
// EVxError out of Execute. With tmImplicit the connection is TLS from the first byte.
// Either way the server's certificate must verify against the system's CAs and the CA
// files trusted for HTTPS (VxInetAddTrustedCertificates, VEDIDOREDO_CA_FILE) and name the
// Host (or Address); Timeout bounds the handshake. A failed handshake is an
// EVxSocketError out of Execute with the reason. tmNone is the plain dialogue.
class VX_CORE_EXPORT TVxISMTP : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(QString Subject READ Subject WRITE SetSubject)
    Q_PROPERTY(QStringList Body READ Body WRITE SetBody)
    Q_PROPERTY(TVxIEMailAddress* From READ From WRITE SetFrom)
    Q_PROPERTY(TVxIEMailAddresses* Recipients READ Recipients WRITE SetRecipients)
    Q_PROPERTY(TVxIEMailAddresses* CC READ CC WRITE SetCC)
    Q_PROPERTY(TVxIEMailAddresses* BCC READ BCC WRITE SetBCC)
    Q_PROPERTY(TVxIEMailAddresses* ReplyTo READ ReplyTo WRITE SetReplyTo)
    Q_PROPERTY(QString CharSet READ CharSet WRITE SetCharSet)
    Q_PROPERTY(QString Encoding READ Encoding WRITE SetEncoding)
    Q_PROPERTY(VxSMTPEnums::TVxISMTPPriority Priority READ Priority WRITE SetPriority)
    Q_PROPERTY(TDateTime Date READ Date WRITE SetDate)
    Q_PROPERTY(TVxILogin* Login READ Login WRITE SetLogin)
    Q_PROPERTY(TVxIEMailAttachments* Attachments READ Attachments WRITE SetAttachments)
    Q_PROPERTY(VxSMTPEnums::TVxITLSMode TLSMode READ TLSMode WRITE SetTLSMode)
public:
    // Port 25, CharSet "us-ascii", Encoding "7bit", Priority spNormal, Date now and a
    // Timeout of five minutes for each wait for the server.
    explicit TVxISMTP(QObject* Owner = nullptr);
    ~TVxISMTP() override;

    QString Subject() const { return FSubject; }
    void SetSubject(const QString& Value) { CheckChange("Subject"); FSubject = Value; }
    QStringList Body() const { return FBody; }
    void SetBody(const QStringList& Value) { CheckChange("Body"); FBody = Value; }
    // The setters of the owned objects copy the given object's content.
    TVxIEMailAddress* From() const { return FFrom; }
    void SetFrom(TVxIEMailAddress* Value) { CheckChange("From"); FFrom->Assign(Value); }
    TVxIEMailAddresses* Recipients() const { return FRecipients; }
    void SetRecipients(TVxIEMailAddresses* Value) { CheckChange("Recipients"); FRecipients->Assign(Value); }
    TVxIEMailAddresses* CC() const { return FCC; }
    void SetCC(TVxIEMailAddresses* Value) { CheckChange("CC"); FCC->Assign(Value); }
    TVxIEMailAddresses* BCC() const { return FBCC; }
    void SetBCC(TVxIEMailAddresses* Value) { CheckChange("BCC"); FBCC->Assign(Value); }
    TVxIEMailAddresses* ReplyTo() const { return FReplyTo; }
    void SetReplyTo(TVxIEMailAddresses* Value) { CheckChange("ReplyTo"); FReplyTo->Assign(Value); }
    // Character set of the text part. "utf-8" sends the body as UTF-8; with any other
    // name each body character is sent as one byte (characters above 255 are refused).
    QString CharSet() const { return FCharSet; }
    void SetCharSet(const QString& Value) { CheckChange("CharSet"); FCharSet = Value; }
    // Transfer encoding named in the text part.
    QString Encoding() const { return FEncoding; }
    void SetEncoding(const QString& Value) { CheckChange("Encoding"); FEncoding = Value; }
    TVxISMTPPriority Priority() const { return FPriority; }
    void SetPriority(TVxISMTPPriority Value) { CheckChange("Priority"); FPriority = Value; }
    // Local date-time stamped on the message.
    TDateTime Date() const { return FDate; }
    void SetDate(TDateTime Value) { CheckChange("Date"); FDate = Value; }
    TVxILogin* Login() const { return FLogin; }
    void SetLogin(TVxILogin* Value) { CheckChange("Login"); FLogin->Assign(Value); }
    TVxIEMailAttachments* Attachments() const { return FAttachments; }
    void SetAttachments(TVxIEMailAttachments* Value) { CheckChange("Attachments"); FAttachments->Assign(Value); }
    // Takes effect when the next connection is opened.
    TVxITLSMode TLSMode() const { return FTLSMode; }
    void SetTLSMode(TVxITLSMode Value) { CheckChange("TLSMode"); FTLSMode = Value; }

    // Opens the connection (reading the server's greeting on a new one) and greets
    // with EHLO, or HELO when EHLO is refused; with tmStartTLS it then secures the
    // connection and greets again.
    void Connect() override;
    // QUIT when connected, then closes the connection in every case.
    void Disconnect() override;
    // The mail transaction and the message, on an open connection.
    Q_INVOKABLE void Send();

protected:
    // Runs Send; the step's answer is empty.
    QString InternalExecute() override;
    // Checks the message before the connection is opened.
    void BeforeExecute() override;

    // Writes Line with CR LF. With ExpectedCodes empty the line is only queued (message
    // lines get no reply); otherwise everything queued is sent and the reply is read,
    // and one whose code is not listed raises "Error <first code>: <reply>".
    void SendData(const QString& Line, const QList<int>& ExpectedCodes = {});

    // "<yyyyMMddhhmm" + eight letters a..t + "@" + Host + ">".
    static QString UniqueMessageID(const QString& Host);
    // The decimal text of Value, with "0" in front up to Width characters.
    static QString LeadZero(int Value, int Width);
    // The local zone's offset from UTC at the local date-time At: "+hhmm", "-hhmm", or
    // "GMT" for no offset.
    static QString GetTimeZoneString(TDateTime At);
    // "Sun, 6 Dec 2026 18:41:24 +0100" for the local date-time Value.
    static QString EMailFormatDate(TDateTime Value);

private:
    struct TReply {
        int Code = 0;
        QString Text;  // all lines, joined by CR LF
    };
    TReply Greet();
    void StartTls(const TReply& Ehlo);
    void CheckMessage() const;
    void WriteMessage();
    void WriteAttachment(const TVxIEMailAttachment* Attachment, bool Last);
    void QueueLine(const QByteArray& Line);
    TReply Command(const QString& Line, int ExpectedCode);
    void Flush();
    TReply ReadReply(int ExpectedCode);
    QByteArray ReadLine(int ExpectedCode);
    QString LocalHostName() const;
    QByteArray BodyBytes(const QString& Line) const;

    TVxIEMailAddress* FFrom;
    TVxIEMailAddresses* FRecipients;
    TVxIEMailAddresses* FCC;
    TVxIEMailAddresses* FBCC;
    TVxIEMailAddresses* FReplyTo;
    QString FSubject;
    QStringList FBody;
    QString FCharSet;
    QString FEncoding;
    TVxISMTPPriority FPriority = spNormal;
    TDateTime FDate;
    TVxILogin* FLogin;
    TVxIEMailAttachments* FAttachments;
    TVxITLSMode FTLSMode = tmNone;
    bool FLoggedIn = false;  // the open connection has logged in

    QByteArray FOutput;  // queued lines not yet sent
    QByteArray FInput;   // received bytes not yet read as reply lines
};
