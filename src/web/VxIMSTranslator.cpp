// TVxMSTranslator: requests to the translator service and the reading of its answers.
#include <vedidoredo/VxIMSTranslator.h>
#include <vedidoredo/VxInetXML.h>

#include "platform/VxRunState.h"

#include <QBuffer>
#include <QFile>
#include <QUrl>

namespace {

// The element the answer is about: the document element, also behind a declaration
// (which the engine keeps as the root, with the document element among its children).
TVxXMLItem* DocumentElement(TVxXMLEngine& Engine)
{
    TVxXMLItem* Root = Engine.RootItem();
    if (!Root || Root->TagName() != QLatin1String("?xml"))
        return Root;
    for (TVxXMLItem* Child : *Root->Items())
        if (Child->Kind() == ikProperty && !Child->TagName().isEmpty())
            return Child;
    return nullptr;
}

// What the service said when it refused: its status and the text of its answer.
QString RefusalText(int Status, const QByteArray& Body)
{
    const QString Text = QString::fromUtf8(Body).trimmed();
    return Text.isEmpty() ? QStringLiteral("HTTP status %1").arg(Status)
                          : QStringLiteral("HTTP status %1: %2").arg(Status).arg(Text);
}

}  // namespace

TVxMSTranslator::TVxMSTranslator(QObject* Owner)
    : TVxCustomWebComponent(Owner), FBingAppId(QStringLiteral("5E2A9D0B7F14C6E83A0D52B9E61F7C4A08D3B6E2"))
{
    SetAgent(QStringLiteral("Quillmoss Tracker"));
    SetService(isHTTP);
    SetPort(443);
    SetHost(DefaultHost());
}

TVxMSTranslator::~TVxMSTranslator()
{
    EndRun();
}

void TVxMSTranslator::InternalExecute() {}

QString TVxMSTranslator::RequestUrl(const QString& Path, const QStringList& Arguments) const
{
    QString Url = Host();
    qsizetype Next = 0;
    for (qsizetype I = 0; I < Path.size(); ++I) {
        if (Path[I] == QLatin1Char('%') && I + 1 < Path.size() && Path[I + 1] == QLatin1Char('s')) {
            if (Next < Arguments.size())
                Url += QString::fromLatin1(QUrl::toPercentEncoding(Arguments[Next]));
            ++Next;
            ++I;
        } else {
            Url += Path[I];
        }
    }
    return Url;
}

bool TVxMSTranslator::FetchXML(const QString& Url, TVxXMLEngine& Engine)
{
    QBuffer Answer;
    Answer.open(QIODevice::ReadWrite);
    QByteArray Refused;
    const int Status = ReadHTTPGetResponse(Url, &Answer, &Refused);
    if (Status != 0 && (Status < 200 || Status > 299)) {
        SetLastError(RefusalText(Status, Refused));
        return false;
    }
    if (!LastError().isEmpty())
        return false;
    Answer.seek(0);
    Engine.LoadFromStream(0, &Answer);
    return true;
}

QString TVxMSTranslator::TranslateText(const QString& AText, const QString& SourceLng, const QString& DestLng)
{
    TVxRunScope Run(RunState());
    SetLastError({});
    TVxXMLEngine Engine;
    if (!FetchXML(RequestUrl(QStringLiteral("/Translate?appId=%s&text=%s&from=%s&to=%s"),
                             {FBingAppId, AText, SourceLng, DestLng}),
                  Engine))
        return {};
    TVxXMLItem* E = DocumentElement(Engine);
    // The engine has decoded the answer (UTF-8 unless it declares another encoding): the
    // value is taken as it is, since decoding it again would garble it.
    return E ? E->GetTagValue() : QString();
}

QString TVxMSTranslator::DetectLanguage(const QString& AText)
{
    TVxRunScope Run(RunState());
    SetLastError({});
    TVxXMLEngine Engine;
    if (!FetchXML(RequestUrl(QStringLiteral("/Detect?appId=%s&text=%s"), {FBingAppId, AText}), Engine))
        return {};
    TVxXMLItem* E = DocumentElement(Engine);
    return E ? E->GetTagValue() : QString();
}

void TVxMSTranslator::GetLanguages(const char* Path, QStringList* AList)
{
    TVxRunScope Run(RunState());
    SetLastError({});
    if (!AList)
        return;
    AList->clear();
    TVxXMLEngine Engine;
    if (!FetchXML(RequestUrl(QLatin1String(Path), {FBingAppId}), Engine))
        return;
    if (TVxXMLItem* E = DocumentElement(Engine))
        for (TVxXMLItem* Child : *E->Items())
            if (Child->Kind() == ikProperty)
                AList->append(Child->GetTagValue());
}

void TVxMSTranslator::GetLanguagesForTranslate(QStringList* AList)
{
    GetLanguages("/GetLanguagesForTranslate?appId=%s", AList);
}

void TVxMSTranslator::GetLanguagesForSpeak(QStringList* AList)
{
    GetLanguages("/GetLanguagesForSpeak?appId=%s", AList);
}

void TVxMSTranslator::SpeakText(const QString& Language, const QString& DestFileName, const QString& AText)
{
    TVxRunScope Run(RunState());
    SetLastError({});
    QFile File(DestFileName);
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EVxFileError(QStringLiteral("Cannot create file \"%1\". %2").arg(DestFileName, File.errorString()));
    QByteArray Refused;
    const int Status = ReadHTTPGetResponse(
        RequestUrl(QStringLiteral("/Speak?appId=%s&text=%s&language=%s"), {FBingAppId, AText, Language}), &File,
        &Refused);
    if (Status != 0 && (Status < 200 || Status > 299))
        SetLastError(RefusalText(Status, Refused));
    else if (!LastError().isEmpty())
        File.resize(0);  // a broken transfer is no audio either
}

QFuture<QString> TVxMSTranslator::TranslateTextAsync(const QString& AText, const QString& SourceLng,
                                                     const QString& DestLng)
{
    return RunAsync<QString>([=, this] { return TranslateText(AText, SourceLng, DestLng); });
}

QFuture<QString> TVxMSTranslator::DetectLanguageAsync(const QString& AText)
{
    return RunAsync<QString>([=, this] { return DetectLanguage(AText); });
}

QFuture<QStringList> TVxMSTranslator::GetLanguagesForTranslateAsync()
{
    return RunAsync<QStringList>([this] {
        QStringList List;
        GetLanguagesForTranslate(&List);
        return List;
    });
}

QFuture<QStringList> TVxMSTranslator::GetLanguagesForSpeakAsync()
{
    return RunAsync<QStringList>([this] {
        QStringList List;
        GetLanguagesForSpeak(&List);
        return List;
    });
}

QFuture<void> TVxMSTranslator::SpeakTextAsync(const QString& Language, const QString& DestFileName,
                                              const QString& AText)
{
    return RunAsync<void>([=, this] { SpeakText(Language, DestFileName, AText); });
}
