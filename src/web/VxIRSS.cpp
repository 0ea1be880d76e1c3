// The feed result classes and TVxIRSSParser: download, parse, delete the download.
#include <vedidoredo/VxIRSS.h>
#include <vedidoredo/platform/VxException.h>

#include "VxIRSSScanner.h"
#include "web/VxFeedText.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

void TVxIRSSItem::Assign(const TVxIRSSItem* Source)
{
    if (Source && Source != this)
        *this = *Source;
}

void TVxIRSSItems::AssignItems(const TVxIRSSItems* Source)
{
    if (!Source || Source == this)
        return;
    ClearItems();
    for (const TVxIRSSItem* Item : *Source)
        Add()->Assign(Item);
}

void TVxIRSSChannel::Assign(const TVxIRSSChannel* Source)
{
    if (!Source || Source == this)
        return;
    Title = Source->Title;
    Link = Source->Link;
    Description = Source->Description;
    Language = Source->Language;
    Copyright = Source->Copyright;
    Rating = Source->Rating;
    ManagingEditor = Source->ManagingEditor;
    WebMaster = Source->WebMaster;
    PubDate = Source->PubDate;
    LastBuildDate = Source->LastBuildDate;
    Category = Source->Category;
    Generator = Source->Generator;
    Docs = Source->Docs;
    Ttl = Source->Ttl;
    Items.AssignItems(&Source->Items);
}

TVxIRSSParser::TVxIRSSParser(QObject* Owner) : TVxCustomWebUpdater(Owner), FChannels(new TVxIRSSChannels) {}

TVxIRSSParser::~TVxIRSSParser()
{
    EndRun();
    delete FChannels;
}

namespace {

// The extension of a remote name, for the download's file name: the last path segment's,
// without query or fragment, letters and digits only.
QString RemoteExtension(const QString& RemoteName)
{
    QString Path = RemoteName.section(QLatin1Char('?'), 0, 0).section(QLatin1Char('#'), 0, 0);
    Path = Path.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    const qsizetype Dot = Path.lastIndexOf(QLatin1Char('.'));
    if (Dot < 0)
        return {};
    static const QRegularExpression Plain(QStringLiteral("^[A-Za-z0-9]{1,16}$"));
    const QString Extension = Path.mid(Dot + 1);
    return Plain.match(Extension).hasMatch() ? Extension : QString();
}

}  // namespace

bool TVxIRSSParser::Execute()
{
    if (LocalFileName().isEmpty()) {
        const QString Extension = RemoteExtension(RemoteFileName());
        SetLocalFileName(PrivateFileName(Extension.isEmpty() ? QStringLiteral("feed")
                                                             : QStringLiteral("feed.") + Extension));
    }
    // The download is deleted at the end of every run, also when a callback or the file
    // layer raises, and so is a file the caller named.
    struct TRemoveDownload {
        TVxIRSSParser* Parser;
        TVxIFileCompare Compare;
        ~TRemoveDownload()
        {
            Parser->FOnFileCompare = std::move(Compare);
            QFile::remove(Parser->LocalFileName());
        }
    } Guard{this, FOnFileCompare};
    // The updater counts a remote file of unknown size as equal to the local one; here
    // there is no local copy to keep, so a missing local file always differs, and a feed
    // sent without Content-Length is read all the same.
    FOnFileCompare = [this, User = Guard.Compare](QObject* Sender, bool& Equal) {
        if (!QFileInfo::exists(LocalFileName()))
            Equal = false;
        if (User)
            User(Sender, Equal);
    };
    const bool Result = TVxCustomWebUpdater::Execute();
    if (Result && Status() == isFinished)
        ParseRSS();
    return Result;
}

QString TVxIRSSParser::ReadableText(const QString& Field, const QString& Encoding)
{
    return VxFeedText::Readable(Field, Encoding.toLatin1());
}

void TVxIRSSParser::ParseRSS()
{
    FChannels->ClearItems();
    FEncoding.clear();
    QFile File(LocalFileName());
    if (!File.open(QIODevice::ReadOnly))
        throw EVxFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(LocalFileName(), File.errorString()));
    // The file is read in blocks; a text run or tag that is not complete at the end of
    // the bytes read so far is scanned again once more have arrived. Each read at least
    // doubles what is held, so a long run costs no more than twice its length.
    VxRSSDetail::TFeedScanner Scanner(*FChannels);
    QByteArray Buffer;
    qsizetype Pos = 0;
    const qsizetype Block = qMax<qsizetype>(FReadBlockSize, 16);
    for (;;) {
        Buffer.remove(0, Pos);
        Pos = 0;
        const qsizetype Held = Buffer.size();
        const qsizetype Want = qMax(Block, Held);
        Buffer.resize(Held + Want);
        const qint64 Read = File.read(Buffer.data() + Held, Want);
        if (Read < 0)
            throw EVxFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(LocalFileName(), File.errorString()));
        Buffer.resize(Held + Read);
        const bool AtEnd = Read == 0;
        Pos += Scanner.Scan(Buffer.constData(), Buffer.size(), AtEnd);
        if (AtEnd)
            break;
    }
    FEncoding = QString::fromLatin1(Scanner.Encoding());
}

void TVxIRSSParser::ParseRSSData(const QByteArray& Data)
{
    FChannels->ClearItems();
    VxRSSDetail::TFeedScanner Scanner(*FChannels);
    Scanner.Scan(Data.constData(), Data.size(), true);
    FEncoding = QString::fromLatin1(Scanner.Encoding());
}
