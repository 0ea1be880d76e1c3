/// \file
/// Mail: addresses and their lists, file attachments, the login for authenticated
/// sending, and TVxISMTP, which sends one message over SMTP.
#pragma once

#include <vedidoredo/VxInBase.h>
#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxDateTime.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

class TVxISMTPPrivate;

#include <memory>

namespace VxSMTPEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// The message's priority, sent as its X-Priority header (1 to 5).
enum TVxISMTPPriority {
    spHighest,  ///< X-Priority 1
    spHigh,     ///< X-Priority 2
    spNormal,   ///< X-Priority 3, the default
    spLow,      ///< X-Priority 4
    spLowest    ///< X-Priority 5
};
Q_ENUM_NS(TVxISMTPPriority)
/// How the mail connection is encrypted: not at all, by STARTTLS after the first EHLO,
/// or with TLS from the first byte (the usual port 465).
enum TVxITLSMode {
    tmNone,      ///< a plain connection
    tmStartTLS,  ///< STARTTLS after the first EHLO; a server that does not offer it is refused
    tmImplicit   ///< TLS from the first byte (port 465)
};
Q_ENUM_NS(TVxITLSMode)
}  // namespace VxSMTPEnums
using VxSMTPEnums::TVxISMTPPriority;
using enum VxSMTPEnums::TVxISMTPPriority;
using VxSMTPEnums::TVxITLSMode;
using enum VxSMTPEnums::TVxITLSMode;

/// One mail address with an optional display name. Text reads and writes the two usual
/// notations: "Name <address>" and "address (Name)".
class VX_CORE_EXPORT TVxIEMailAddress : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString Address READ Address WRITE SetAddress)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QString Text READ GetText WRITE SetText)
public:
    /// Creates an item and adds it to Collection (none when nullptr), which owns it.
    explicit TVxIEMailAddress(TVxCollection* Collection = nullptr);

    /// The mail address ("someone@example.org").
    QString Address() const { return FAddress; }
    /// Sets Address().
    void SetAddress(const QString& Value) { CheckChange("Address"); FAddress = Value; }
    /// The display name; empty for none.
    QString Name() const { return FName; }
    /// Sets Name().
    void SetName(const QString& Value) { CheckChange("Name"); FName = Value; }

    /// "Name <Address>", or Address alone when there is no name or the name is just the
    /// address in capitals. The name is printed as it is, without quotes.
    QString GetText() const;
    /// The address as a header shows it ("Name <address>", or the address alone).
    QString Text() const { return GetText(); }
    /// Parses "Name <Address>" or "Address (Name)"; any other text is the bare address.
    /// Quotes around the name are peeled off.
    void SetText(const QString& Value);

    void Assign(TVxPersistent* Source) override;

private:
    QString FAddress;
    QString FName;
};

/// The addresses of one kind of recipient, with a comma-separated text form.
class VX_CORE_EXPORT TVxIEMailAddresses : public TVxCollection {
    Q_OBJECT
    Q_PROPERTY(QString EMailAddresses READ GetEMailAddresses WRITE SetEMailAddresses)
public:
    /// AOwner is the component the list belongs to; it is not freed by the list.
    explicit TVxIEMailAddresses(QObject* AOwner = nullptr);

    /// The component the list belongs to.
    QObject* VxIControl() const { return GetOwner(); }
    /// Adds an empty address at the end and returns it.
    TVxIEMailAddress* Add();
    /// The address at Index.
    TVxIEMailAddress* Items(int Index) const { return GetItem(Index); }

    /// The Text of every item, joined by ", ".
    QString GetEMailAddresses() const;
    /// The addresses as comma-separated text.
    QString EMailAddresses() const { return GetEMailAddresses(); }
    /// Replaces the items by the entries of a comma-separated list. A comma inside the
    /// first double-quoted run of an entry does not split it.
    void SetEMailAddresses(const QString& Value);

    /// Appends the Text of every item to AStrings, one line each.
    void FillTStrings(QStringList& AStrings) const;

protected:
    /// The address at Index.
    TVxIEMailAddress* GetItem(int Index) const;
    void SetItem(int Index, TVxIEMailAddress* Value);  ///< copies Value into the slot
};

/// One file attached to a message.
class VX_CORE_EXPORT TVxIEMailAttachment : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString AttachmentName READ AttachmentName WRITE SetAttachmentName)
    Q_PROPERTY(QString ContentType READ ContentType WRITE SetContentType)
    Q_PROPERTY(QString Encoding READ Encoding WRITE SetEncoding)
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
public:
    /// Creates an item and adds it to Collection (none when nullptr), which owns it.
    explicit TVxIEMailAttachment(TVxCollection* Collection = nullptr);

    /// The name the part is sent under; empty for the file's own name.
    QString AttachmentName() const { return FAttachmentName; }
    /// Sets AttachmentName().
    void SetAttachmentName(const QString& Value) { CheckChange("AttachmentName"); FAttachmentName = Value; }
    /// The part's MIME type; empty for application/octet-stream.
    QString ContentType() const { return FContentType; }
    /// Sets ContentType().
    void SetContentType(const QString& Value) { CheckChange("ContentType"); FContentType = Value; }
    /// Transfer encoding of the part: "base64" (also when empty), "7bit", "8bit" or
    /// "quoted-printable".
    QString Encoding() const { return FEncoding; }
    /// Sets Encoding().
    void SetEncoding(const QString& Value) { CheckChange("Encoding"); FEncoding = Value; }
    /// The file sent as the part.
    QString FileName() const { return FFileName; }
    /// Sets FileName().
    void SetFileName(const QString& Value) { CheckChange("FileName"); FFileName = Value; }

    /// AttachmentName, or the file-name part of FileName when it is empty.
    Q_INVOKABLE QString GetAttachmentName() const;
    /// Sets ContentType from FileName's extension.
    Q_INVOKABLE void DetectContentType();

    void Assign(TVxPersistent* Source) override;

private:
    QString FAttachmentName;
    QString FContentType;
    QString FEncoding;
    QString FFileName;
};

/// The attachments of a message, in order.
class VX_CORE_EXPORT TVxIEMailAttachments : public TVxCollection {
    Q_OBJECT
public:
    /// Creates the object, owned by AOwner (none when nullptr), which frees it.
    explicit TVxIEMailAttachments(QObject* AOwner = nullptr);

    /// The component the list belongs to.
    QObject* VxIControl() const { return GetOwner(); }
    /// Adds an empty attachment at the end and returns it.
    TVxIEMailAttachment* Add();
    /// The attachment at Index.
    TVxIEMailAttachment* Items(int Index) const { return GetItem(Index); }

protected:
    /// The attachment at Index.
    TVxIEMailAttachment* GetItem(int Index) const;
    /// Replaces the item at Index with a copy of Value.
    void SetItem(int Index, TVxIEMailAttachment* Value);
};

/// Credentials for authenticated sending.
class VX_CORE_EXPORT TVxILogin : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString UserID READ UserID WRITE SetUserID)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(bool UseLogin READ UseLogin WRITE SetUseLogin)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxILogin(QObject* Owner = nullptr);

    /// The login name for SMTP AUTH LOGIN.
    QString UserID() const { return FUserID; }
    /// Sets UserID().
    void SetUserID(const QString& Value) { CheckChange("UserID"); FUserID = Value; }
    /// The password for SMTP AUTH LOGIN.
    QString Password() const { return FPassword; }
    /// Sets Password().
    void SetPassword(const QString& Value) { CheckChange("Password"); FPassword = Value; }
    /// Whether the sender logs in before sending (false by default).
    bool UseLogin() const { return FUseLogin; }
    /// Sets UseLogin().
    void SetUseLogin(bool Value) { CheckChange("UseLogin"); FUseLogin = Value; }

    void Assign(TVxPersistent* Source) override;

private:
    QString FUserID;
    QString FPassword;
    bool FUseLogin = false;
};

/// Sends one plain-text message, optionally with attached files, to an SMTP server.
/// Execute connects, reads the greeting, sends EHLO (HELO when the server refuses it),
/// runs Send and ends with QUIT unless KeepConnection; it returns "" after a successful
/// send. Every reply is read and checked: a refusal raises EVxError naming the command and
/// the server's reply, then the server ("RCPT TO:<x@example.org> refused: 550 5.1.1 no
/// such user (mail.example.org:25)"); a server that closes or falls silent raises as well.
/// A QUIT that goes wrong after the server accepted the message is not reported: the mail
/// is on its way. Bad input (a line break in a header text, an attachment that cannot be
/// read) raises EVxError out of Execute before anything is sent.
///
/// Text. A message whose texts are all US-ASCII goes out as written, under CharSet and
/// Encoding. Text beyond US-ASCII is never sent as raw 8-bit bytes: the body goes out in
/// CharSet when that character set can hold it (UTF-8 otherwise) with the transfer
/// encoding quoted-printable or base64 (Encoding's when it names one of them, otherwise the
/// shorter); the subject and display names as RFC 2047 encoded words, attachment file
/// names as encoded words (name=) and RFC 2231 parameters (filename*=), all in UTF-8.
/// Each message with attachments gets a random boundary of its own that occurs in none of
/// its parts.
///
/// TLSMode. With tmStartTLS the client sends STARTTLS after the first EHLO, runs the TLS
/// handshake after its 220 and greets again with EHLO; a server that does not offer
/// STARTTLS or refuses it ends the exchange there, before any login or message, with an
/// EVxError out of Execute. With tmImplicit the connection is TLS from the first byte.
/// Either way the server's certificate must verify against the system's CAs and the CA
/// files trusted for HTTPS (VxInetAddTrustedCertificates, VEDIDOREDO_CA_FILE) and name the
/// Host (or Address); Timeout bounds the handshake. A failed handshake is an
/// EVxSocketError out of Execute with the reason. tmNone is the plain dialogue.
///
/// Example: \ref sendmail.cpp
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
    /// Port 25, CharSet "us-ascii", Encoding "7bit", Priority spNormal, Date now and a
    /// Timeout of five minutes for each wait for the server.
    explicit TVxISMTP(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxISMTP() override;

    /// The message's subject.
    QString Subject() const { return FSubject; }
    /// Sets Subject().
    void SetSubject(const QString& Value) { CheckChange("Subject"); FSubject = Value; }
    /// The text of the message, line by line.
    QStringList Body() const { return FBody; }
    /// Sets Body().
    void SetBody(const QStringList& Value) { CheckChange("Body"); FBody = Value; }
    /// The setters of the owned objects copy the given object's content.
    TVxIEMailAddress* From() const { return FFrom; }
    /// Sets From().
    void SetFrom(TVxIEMailAddress* Value) { CheckChange("From"); FFrom->Assign(Value); }
    /// The To recipients.
    TVxIEMailAddresses* Recipients() const { return FRecipients; }
    /// Sets Recipients().
    void SetRecipients(TVxIEMailAddresses* Value) { CheckChange("Recipients"); FRecipients->Assign(Value); }
    /// The copy (Cc) recipients.
    TVxIEMailAddresses* CC() const { return FCC; }
    /// Sets CC().
    void SetCC(TVxIEMailAddresses* Value) { CheckChange("CC"); FCC->Assign(Value); }
    /// The blind copy recipients: they get the message but no header names them.
    TVxIEMailAddresses* BCC() const { return FBCC; }
    /// Sets BCC().
    void SetBCC(TVxIEMailAddresses* Value) { CheckChange("BCC"); FBCC->Assign(Value); }
    /// The Reply-To addresses.
    TVxIEMailAddresses* ReplyTo() const { return FReplyTo; }
    /// Sets ReplyTo().
    void SetReplyTo(TVxIEMailAddresses* Value) { CheckChange("ReplyTo"); FReplyTo->Assign(Value); }
    /// Character set of the text part: named as it is for a US-ASCII body, and used for
    /// any other body that it can hold (UTF-8 is used when it cannot).
    QString CharSet() const { return FCharSet; }
    /// Sets CharSet().
    void SetCharSet(const QString& Value) { CheckChange("CharSet"); FCharSet = Value; }
    /// Transfer encoding named in the text part of a US-ASCII body, which goes out as it
    /// is. A body beyond US-ASCII is encoded: in quoted-printable or base64 when Encoding
    /// names one of them, otherwise in the shorter of the two.
    QString Encoding() const { return FEncoding; }
    /// Sets Encoding().
    void SetEncoding(const QString& Value) { CheckChange("Encoding"); FEncoding = Value; }
    /// The message's priority (spNormal by default).
    TVxISMTPPriority Priority() const { return FPriority; }
    /// Sets Priority().
    void SetPriority(TVxISMTPPriority Value) { CheckChange("Priority"); FPriority = Value; }
    /// Local date-time stamped on the message.
    TDateTime Date() const { return FDate; }
    /// Sets Date().
    void SetDate(TDateTime Value) { CheckChange("Date"); FDate = Value; }
    /// The login settings.
    TVxILogin* Login() const { return FLogin; }
    /// Sets Login().
    void SetLogin(TVxILogin* Value) { CheckChange("Login"); FLogin->Assign(Value); }
    /// The files sent as attachment parts.
    TVxIEMailAttachments* Attachments() const { return FAttachments; }
    /// Sets Attachments().
    void SetAttachments(TVxIEMailAttachments* Value) { CheckChange("Attachments"); FAttachments->Assign(Value); }
    /// Takes effect when the next connection is opened.
    TVxITLSMode TLSMode() const { return FTLSMode; }
    /// Sets TLSMode().
    void SetTLSMode(TVxITLSMode Value) { CheckChange("TLSMode"); FTLSMode = Value; }

    /// Opens the connection (reading the server's greeting on a new one) and greets
    /// with EHLO, or HELO when EHLO is refused; with tmStartTLS it then secures the
    /// connection and greets again.
    void Connect() override;
    /// QUIT when connected, then closes the connection in every case.
    void Disconnect() override;
    /// The mail transaction and the message, on an open connection (Execute connects,
    /// sends and disconnects).
    Q_INVOKABLE void Send();

protected:
    /// Runs Send; the step's answer is empty.
    QString InternalExecute() override;
    /// Checks the message before the connection is opened.
    void BeforeExecute() override;

    /// Writes Line with CR LF. With ExpectedCodes empty the line is only queued (message
    /// lines get no reply); otherwise everything queued is sent and the reply is read,
    /// and one whose code is not listed raises "<Line> refused: <reply> (host:port)".
    void SendData(const QString& Line, const QList<int>& ExpectedCodes = {});

    /// "<yyyyMMddhhmm" + eight letters a..t + "@" + Host + ">".
    static QString UniqueMessageID(const QString& Host);
    /// The decimal text of Value, with "0" in front up to Width characters.
    static QString LeadZero(int Value, int Width);
    /// The local zone's offset from UTC at the local date-time At: "+hhmm", "-hhmm", or
    /// "GMT" for no offset.
    static QString GetTimeZoneString(TDateTime At);
    /// "Sun, 6 Dec 2026 18:41:24 +0100" for the local date-time Value.
    static QString EMailFormatDate(TDateTime Value);

private:
    friend class TVxISMTPPrivate;

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
    /// The dialogue's state: the reply reader, the queued output, the session's login.
    std::unique_ptr<TVxISMTPPrivate> d;
};
