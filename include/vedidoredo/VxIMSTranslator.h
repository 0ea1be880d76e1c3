/// \file
/// A client of the Microsoft Translator V2 HTTP interface: translates a text, detects its
/// language, lists the languages the service translates and speaks, and saves the spoken
/// form of a text to a file. Every call is one HTTP GET of Host + a path and query; the
/// texts are sent percent-encoded as UTF-8 and the XML answers decoded from UTF-8.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/vxiupdate.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

class TVxXMLEngine;

/// The calls do not pass through Execute (which does nothing here) and keep no state
/// but the settings. An answer whose HTTP status is not 2xx is a failure: the text
/// operations return "", the lists stay empty, SpeakText leaves its file empty, and
/// LastError holds the service's answer. LastError is cleared at the start of each call.
///
/// Example: \ref translate.cpp
class VX_CORE_EXPORT TVxMSTranslator : public TVxCustomWebComponent {
    Q_OBJECT
    Q_PROPERTY(QString BingAppId READ BingAppId WRITE SetBingAppId)
public:
    /// The base address of the service, the default Host.
    static QString DefaultHost() { return QStringLiteral("http://api.microsofttranslator.com/v2/Http.svc"); }

    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxMSTranslator(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxMSTranslator() override;

    /// The application ID the service issued, sent with every call.
    QString BingAppId() const { return FBingAppId; }
    /// Sets BingAppId().
    void SetBingAppId(const QString& Value) { CheckChange("BingAppId"); FBingAppId = Value; }

    /// An empty SourceLng asks the service to detect the language.
    QString TranslateText(const QString& AText, const QString& SourceLng, const QString& DestLng);
    /// The code of the language AText is written in ("en"); "" when the service refused.
    QString DetectLanguage(const QString& AText);
    /// Both replace the lines of AList (nullptr: nothing is asked).
    void GetLanguagesForTranslate(QStringList* AList);
    /// The codes of the languages the service speaks.
    void GetLanguagesForSpeak(QStringList* AList);
    /// Creates (or empties) DestFileName first, raising EVxFileError when it cannot, then
    /// writes the answer's bytes into it.
    void SpeakText(const QString& Language, const QString& DestFileName, const QString& AText);

    /// The operations above on a worker thread: each returns at once a future of what the
    /// blocking call gives (the lists as the future's result), or of the exception it
    /// raises. OnProgress and the status window run on the component's thread meanwhile
    /// (see TVxComponent); finished() is emitted at the end. A cancelled call ends as an
    /// aborted one: an empty result and LastError "Download aborted". Each raises "already
    /// running" while a call is going.
    QFuture<QString> TranslateTextAsync(const QString& AText, const QString& SourceLng, const QString& DestLng);
    /// See TranslateTextAsync.
    QFuture<QString> DetectLanguageAsync(const QString& AText);
    /// See TranslateTextAsync.
    QFuture<QStringList> GetLanguagesForTranslateAsync();
    /// See TranslateTextAsync.
    QFuture<QStringList> GetLanguagesForSpeakAsync();
    /// See TranslateTextAsync.
    QFuture<void> SpeakTextAsync(const QString& Language, const QString& DestFileName, const QString& AText);

    /// The URL of a call: Host, then Path with each "%s" replaced by the next argument,
    /// percent-encoded as UTF-8.
    QString RequestUrl(const QString& Path, const QStringList& Arguments) const;

protected:
    void InternalExecute() override;

private:
    /// Fetches Url and parses the answer; false (with LastError set) when the service
    /// refused or nothing came.
    bool FetchXML(const QString& Url, TVxXMLEngine& Engine);
    void GetLanguages(const char* Path, QStringList* AList);

    QString FBingAppId;
};
