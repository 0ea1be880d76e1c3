// The feed scanner on any input: parsed whole from memory and read from a file in blocks
// of a size the first byte chooses, which must give the same channels and items; and every
// field made readable, in the feed's declared encoding and in one the first byte chooses.
// Checks: no crash, hang or leak, no result that depends on where the blocks end, and no
// control character but tab and line breaks in readable text.
#include <vedidoredo/VxIRSS.h>

#include <QFile>
#include <QMetaProperty>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <iterator>

namespace {

class TBlockParser : public TVxIRSSParser {
public:
    void SetBlock(qsizetype Block) { FReadBlockSize = Block; }
};

template <class T>
void DumpFields(const T* Object, QString& Out)
{
    const QMetaObject& Meta = T::staticMetaObject;
    for (int I = Meta.propertyOffset(); I < Meta.propertyCount(); ++I) {
        const QVariant V = Meta.property(I).readOnGadget(Object);
        if (V.metaType() == QMetaType::fromType<QString>())
            Out += V.toString() + u'\x1';
    }
}

const char* const Encodings[] = {"", "UTF-8", "windows-1252", "Shift_JIS", "ISO-2022-JP", "GB18030",
                                 "KOI8-R", "UTF-16", "no-such-encoding"};

template <class T>
void CheckReadable(const T* Object, const QString& Encoding)
{
    const QMetaObject& Meta = T::staticMetaObject;
    for (int I = Meta.propertyOffset(); I < Meta.propertyCount(); ++I) {
        const QVariant V = Meta.property(I).readOnGadget(Object);
        if (V.metaType() != QMetaType::fromType<QString>())
            continue;
        for (QChar C : TVxIRSSParser::ReadableText(V.toString(), Encoding)) {
            const char16_t U = C.unicode();
            if ((U < 0x20 && U != u'\t' && U != u'\n' && U != u'\r') || (U >= 0x80 && U <= 0x9F))
                std::abort();
        }
    }
}

QString Dump(const TVxIRSSChannels* Channels)
{
    QString Out;
    for (const TVxIRSSChannel* C : *Channels) {
        Out += u'{';
        DumpFields(C, Out);
        for (const TVxIRSSItem* I : C->Items) {
            Out += u'[';
            DumpFields(I, Out);
        }
    }
    return Out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 1)
        return 0;
    const qsizetype Block = Data[0] % 32 + 1;
    const QByteArray Bytes(reinterpret_cast<const char*>(Data + 1), qsizetype(Size - 1));

    // Made once: a parser is a component with settings objects of its own.
    static TVxIRSSParser Whole;
    Whole.ParseRSSData(Bytes);

    static QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("feed.xml"));
    {
        QFile F(Path);
        if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate) || F.write(Bytes) != Bytes.size())
            std::abort();
    }
    static TBlockParser Blocks;
    Blocks.SetBlock(Block);
    Blocks.SetLocalFileName(Path);
    Blocks.ParseRSS();
    if (Dump(Blocks.Channels()) != Dump(Whole.Channels()) || Blocks.Encoding() != Whole.Encoding())
        std::abort();

    const QString Chosen = QString::fromLatin1(Encodings[Data[0] / 32 % std::size(Encodings)]);
    for (const QString& Encoding : {Whole.Encoding(), Chosen}) {
        for (const TVxIRSSChannel* C : *Whole.Channels()) {
            CheckReadable(C, Encoding);
            for (const TVxIRSSItem* I : C->Items)
                CheckReadable(I, Encoding);
        }
    }
    return 0;
}
