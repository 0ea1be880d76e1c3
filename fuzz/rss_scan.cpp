// The feed scanner on any input: parsed whole from memory and read from a file in blocks
// of a size the first byte chooses, which must give the same channels and items. Checks:
// no crash, hang or leak, and no result that depends on where the blocks end.
#include <vedidoredo/VxIRSS.h>

#include <QFile>
#include <QMetaProperty>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

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
    if (Dump(Blocks.Channels()) != Dump(Whole.Channels()))
        std::abort();
    return 0;
}
