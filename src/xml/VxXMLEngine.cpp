// The XML engine: stream reading and decoding, loading documents into the node tree
// through the scanner (VxXMLScanner.cpp), and lookups on the tree.
#include <vedidoredo/VxInetXML.h>

#include "platform/VxRunState.h"
#include "xml/VxXMLInternal.h"

#include "core/VxTextCodec.h"
#include "core/VxUtf8.h"

#include <vedidoredo/platform/VxException.h>

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QPointer>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

using namespace VxXMLDetail;

namespace {

// Reads Count bytes, or to the end when Count is negative.
QByteArray ReadStream(QIODevice* Stream, qint64 Count)
{
    auto Fail = [Stream]() {
        const QString Why = Stream->errorString();
        throw EVxFileError(Why.isEmpty() || Why == QLatin1String("Unknown error")
                               ? QStringLiteral("Stream read error")
                               : QStringLiteral("Stream read error: %1").arg(Why));
    };
    QByteArray Out;
    if (Count == 0)
        return Out;
    if (!Stream->isOpen() || !Stream->isReadable())
        Fail();
    if (Count > 0) {
        if (Count > std::numeric_limits<qsizetype>::max() / 2)
            throw std::bad_alloc();
        Out.resize(qsizetype(Count));
        qint64 Got = 0;
        while (Got < Count) {
            const qint64 R = Stream->read(Out.data() + Got, Count - Got);
            if (R < 0)
                Fail();
            if (R == 0)
                break;
            Got += R;
        }
        if (Got < Count)
            Fail();
        return Out;
    }
    qint64 Hint = Stream->isSequential() ? 0 : Stream->size() - Stream->pos();
    qsizetype Have = 0;
    // A stream of unknown size starts with room for a typical web service answer and
    // grows by half, at least by that much again; when the room is full, a small probe
    // read tells whether there is more before the buffer grows.
    constexpr qsizetype FirstRoom = 65536;
    constexpr qsizetype ProbeSize = 4096;
    Out.resize(Hint > 0 ? qsizetype(Hint) : FirstRoom);
    for (;;) {
        if (Have == Out.size()) {
            char Probe[ProbeSize];
            const qint64 R = Stream->read(Probe, sizeof Probe);
            if (R < 0)
                Fail();
            if (R == 0)
                break;
            Out.resize(Have + std::max<qsizetype>(Have / 2, FirstRoom));
            std::memcpy(Out.data() + Have, Probe, size_t(R));
            Have += R;
            continue;
        }
        const qint64 R = Stream->read(Out.data() + Have, Out.size() - Have);
        if (R < 0)
            Fail();
        if (R == 0)
            break;
        Have += R;
    }
    Out.truncate(Have);
    return Out;
}

QString Utf16FromBytes(const uchar* D, qsizetype Size, bool BigEndian)
{
    const qsizetype Count = Size / 2;
    QString Text(Count, Qt::Uninitialized);
    char16_t* W = reinterpret_cast<char16_t*>(Text.data());
    for (qsizetype I = 0; I < Count; ++I) {
        const uchar A = D[2 * I];
        const uchar B = D[2 * I + 1];
        W[I] = BigEndian ? char16_t((A << 8) | B) : char16_t((B << 8) | A);
    }
    return Text;
}

}  // namespace

TVxXMLEngine::TVxXMLEngine(QObject* AOwner) : TVxComponent(AOwner)
{
    FRootItem = new TVxXMLItem(static_cast<QObject*>(this));
}

TVxXMLEngine::~TVxXMLEngine()
{
    EndRun();
    FDestroying = true;
    delete FRootItem;
    FRootItem = nullptr;
}

void TVxXMLEngine::RootItemDestroyed(TVxXMLItem* Item)
{
    // Someone destroyed RootItem: the engine keeps working with a fresh, empty one.
    if (FDestroying || Item != FRootItem)
        return;
    FRootItem = new TVxXMLItem(static_cast<QObject*>(this));
    ReleaseDocumentsIfUnused();
}

void TVxXMLEngine::SetRootItem(TVxXMLItem* Value)
{
    CheckChange("RootItem");
    if (Value != FRootItem)
        FRootItem->Assign(Value);
}

void TVxXMLEngine::ReleaseDocumentsIfUnused()
{
    // RootItem itself only ever holds copies, so without children no node holds a slice.
    if (FRootItem && FRootItem->FItems.Count() == 0) {
        FByteDocuments.clear();
        FTextDocuments.clear();
    }
}

void TVxXMLEngine::KeepDocument(const QByteArray& Bytes)
{
    if (FByteDocuments.isEmpty() || !FByteDocuments.last().isSharedWith(Bytes))
        FByteDocuments.append(Bytes);
}

void TVxXMLEngine::KeepDocument(const QString& Text)
{
    if (FTextDocuments.isEmpty() || !FTextDocuments.last().isSharedWith(Text))
        FTextDocuments.append(Text);
}

namespace {

// Registers the document with the engine before the parse and again afterwards (a
// handler may have loaded another document meanwhile), unless the engine is gone.
template <typename TDoc>
struct TKeepDocument {
    QPointer<TVxXMLEngine> Engine;
    const TDoc& Doc;
    void (TVxXMLEngine::*Keep)(const TDoc&);
    TKeepDocument(TVxXMLEngine* E, const TDoc& D, void (TVxXMLEngine::*K)(const TDoc&))
        : Engine(E), Doc(D), Keep(K)
    {
        (E->*Keep)(Doc);
    }
    ~TKeepDocument()
    {
        if (Engine)
            (Engine.data()->*Keep)(Doc);
    }
};

}  // namespace

void VxXMLParser::ParseBytes(TVxXMLEngine* Engine, const QByteArray& Bytes, qsizetype From, qsizetype Size,
                             bool Marked, bool Unlimited)
{
    if (Size <= 0)
        return;
    const uchar* D = reinterpret_cast<const uchar*>(Bytes.constData()) + From;
    auto Last = [Unlimited](qsizetype LastStart) {
        return Unlimited ? std::numeric_limits<qsizetype>::max() : LastStart;
    };
    auto ParseAs = [&](TSourceKind Kind, qsizetype LastStart) {
        TKeepDocument<QByteArray> Keep(Engine, Bytes, &TVxXMLEngine::KeepDocument);
        Run(Engine, D, Size, Size, Last(LastStart), Kind);
    };
    auto ParseText = [&](const QString& Text) {
        if (Text.isEmpty())
            return;
        TKeepDocument<QString> Keep(Engine, Text, &TVxXMLEngine::KeepDocument);
        Run(Engine, reinterpret_cast<const char16_t*>(Text.constData()), Text.size(), Text.size(),
            Last(Text.size() - 1), TSourceKind::Utf16);
    };

    std::unique_ptr<QStringDecoder> Decoder;
    const QByteArray Declared = Marked ? QByteArray() : VxTextCodec::DeclaredEncoding(QByteArrayView(D, Size));
    switch (Marked ? VxTextCodec::TKind::Utf8 : VxTextCodec::Resolve(Declared, Decoder)) {
    case VxTextCodec::TKind::Latin1:
        return ParseAs(TSourceKind::Latin1, Size - 1);
    case VxTextCodec::TKind::Other:
        return ParseText(Decoder->decode(QByteArrayView(D, Size)));
    case VxTextCodec::TKind::Utf8:
        break;
    }
    if (VxTextCodec::IsAscii(D, Size))
        return ParseAs(TSourceKind::Latin1, Size - 1);
    // Where the last character starts; a position at the start of a character above U+FFFF
    // (two characters of the text) is before the last character. A last byte that ends no
    // UTF-8 sequence is a Latin-1 character of its own.
    auto LastCharacter = [&]() {
        qsizetype I = Size - 1;
        while (I > 0 && Size - I < 4 && (D[I] & 0xC0) == 0x80)
            --I;
        char16_t U[2];
        int Units;
        if (VxUtf8::DecodeStep(D, Size, I, U, Units) != Size - I)
            return Size - 1;
        return Units == 2 ? Size : I;
    };
    if (Marked) {
        // After a byte-order mark: the library's decoding, which lets over-long forms pass.
        const TUtf8Shape Shape = ScanUtf8(D, Size);
        if (Shape.Valid && Shape.AsciiFromMultiByte) {
            // Over-long forms of "<", "/" or #0 would change the scan: work on the text.
            return ParseText(Utf8DecodeBytes(QByteArrayView(D, Size)));
        }
        if (Shape.Valid)
            return ParseAs(TSourceKind::Utf8, Shape.LastStart);
    } else if (!Declared.isEmpty()) {
        // Declared UTF-8 is taken at its word, piece by piece: a piece that is not UTF-8
        // keeps its bytes as Latin-1.
        return ParseAs(TSourceKind::Utf8, LastCharacter());
    } else if (VxUtf8::IsStrictlyValid(D, Size)) {
        // Without a declaration the document is UTF-8 when all of it is.
        return ParseAs(TSourceKind::Utf8, LastCharacter());
    }
    // Not UTF-8 after all: read as Latin-1, so that nothing is lost.
    ParseAs(TSourceKind::Latin1, Size - 1);
}

void TVxXMLEngine::ParseXMLFromString(const QString& S, qsizetype N)
{
    TVxRunScope Run(RunState());
    ReleaseDocumentsIfUnused();
    if (N <= 0)
        return;
    const qsizetype Size = std::min(N, S.size());
    // Byte text (one character per byte, as the components receive documents) is decoded
    // as a loaded document is, unless the last load decoded a byte-order mark.
    if (!FUTF8Processed) {
        // One pass takes the low bytes and tells whether any unit had more.
        QByteArray Bytes(Size, Qt::Uninitialized);
        const char16_t* From = reinterpret_cast<const char16_t*>(S.constData());
        char* To = Bytes.data();
        char16_t Wide = 0;
        for (qsizetype I = 0; I < Size; ++I) {
            Wide |= From[I];
            To[I] = char(From[I]);
        }
        if (Wide < 256) {
            VxXMLParser::ParseBytes(this, Bytes, 0, Size, false, N > S.size());
            return;
        }
    }
    // Nodes keep slices of the text: a string over foreign memory is copied first.
    const QString Doc = S.data_ptr().isMutable() ? S : QString(S.constData(), S.size());
    TKeepDocument<QString> Keep(this, Doc, &TVxXMLEngine::KeepDocument);
    VxXMLParser::Run(this, reinterpret_cast<const char16_t*>(Doc.constData()), Doc.size(), N, N - 1,
                     TSourceKind::Utf16);
}

void TVxXMLEngine::LoadFromStream(qint64 AStreamSize, QIODevice* AStream)
{
    TVxRunScope Run(RunState());
    FRootItem->FItems.Clear();
    ReleaseDocumentsIfUnused();
    if (!AStream)
        return;
    const QByteArray Bytes =
        ReadStream(AStream, AStreamSize == 0 ? -1 : std::max<qint64>(0, AStreamSize - AStream->pos()));
    VxCheckCancelled();  // a cancelled asynchronous load stops before its parse
    const uchar* B = reinterpret_cast<const uchar*>(Bytes.constData());
    const qsizetype Size = Bytes.size();
    const bool MarkLE = Size >= 2 && B[0] == 0xFF && B[1] == 0xFE;
    const bool MarkBE = Size >= 2 && B[0] == 0xFE && B[1] == 0xFF;

    if (MarkLE || MarkBE) {
        // Both with and without a size the text after a UTF-16 mark is UTF-16 and counts
        // as decoded, so a declared encoding does not decode it a second time.
        FUTF8Processed = true;
        QString Text = Utf16FromBytes(B + 2, Size - 2, MarkBE);
        if (!Text.isEmpty() && Text.back() == QChar(27))
            Text.chop(1);
        if (!Text.isEmpty())
            ParseXMLFromString(Text, Text.size());
        return;
    }
    const bool Marked = Size >= 3 && B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF;
    FUTF8Processed = Marked;
    const qsizetype From = Marked ? 3 : 0;
    qsizetype N = Size - From;
    if (N > 0 && B[Size - 1] == 27)
        --N;
    VxXMLParser::ParseBytes(this, Bytes, From, N, Marked, false);
}

void TVxXMLEngine::LoadFromFile(const QString& AFileName)
{
    TVxRunScope Run(RunState());
    FRootItem->FItems.Clear();
    ReleaseDocumentsIfUnused();
    QFile File(AFileName);
    if (!File.open(QIODevice::ReadOnly))
        throw EVxFileError(QStringLiteral("Cannot open file \"%1\". %2")
                               .arg(QDir::toNativeSeparators(AFileName), File.errorString()));
    LoadFromStream(0, &File);
}

QFuture<void> TVxXMLEngine::LoadFromFileAsync(const QString& AFileName)
{
    return RunAsync<void>([this, AFileName] { LoadFromFile(AFileName); });
}

TVxXMLItem* TVxXMLEngine::GetItemByTag(TVxXMLItem* ARoot, const QString& XMLTag) const
{
    TVxXMLItem* Start = ARoot ? ARoot : FRootItem;
    if (!Start)
        return nullptr;
    if (AsText(Start->FTagName).EqualsIgnoringAsciiCase(XMLTag))
        return Start;
    std::vector<std::pair<TVxXMLItem*, int>> Stack;
    if (Start->FItems.Count() > 0)
        Stack.emplace_back(Start, 0);
    while (!Stack.empty()) {
        auto& Top = Stack.back();
        if (Top.second >= Top.first->FItems.Count()) {
            Stack.pop_back();
            continue;
        }
        TVxXMLItem* Child = Top.first->FItems.FList[Top.second++];
        if (AsText(Child->FTagName).EqualsIgnoringAsciiCase(XMLTag))
            return Child;
        if (Child->FItems.Count() > 0)
            Stack.emplace_back(Child, 0);
    }
    return nullptr;
}

QString TVxXMLEngine::GetFirstTagName(QString& AXMLPath)
{
    const qsizetype Slash = AXMLPath.indexOf(u'/');
    if (Slash < 0) {
        QString R = AXMLPath;
        AXMLPath.clear();
        return R;
    }
    QString R = AXMLPath.left(Slash);
    AXMLPath.remove(0, Slash + 1);
    return R;
}

QString TVxXMLEngine::GetLastTagName(QString& AXMLPath)
{
    const qsizetype Slash = AXMLPath.lastIndexOf(u'/');
    if (Slash < 0) {
        QString R = AXMLPath;
        AXMLPath.clear();
        return R;
    }
    QString R = AXMLPath.mid(Slash + 1);
    AXMLPath.truncate(Slash);
    return R;
}
