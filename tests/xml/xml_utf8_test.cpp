// The engine decodes UTF-8 with a routine of its own over raw bytes and scans UTF-8 and
// Latin-1 documents as bytes. Both must give exactly what Utf8Decode and a scan of the
// decoded text give.
#include "support/xml_test_helpers.h"

#include "xml/VxXMLInternal.h"

#include <vedidoredo/vxiutil.h>

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QString Reference(const QByteArray& Bytes)
{
    return Utf8Decode(QString::fromLatin1(Bytes));
}

const char* const Sequences[] = {
    "a", "\x7F", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF",
    "\xF4\x90\x80\x80",                  // above U+10FFFF
    "\xF7\xBF\xBF\xBF",                  // far above
    "\xF0\x80\x80\xBC",                  // over-long "<" in four bytes
    "\xC0\xBC", "\xE0\x80\xAF", "\xC0\x80",  // over-long "<", "/", #0
    "\xED\xA0\x80",                      // an encoded surrogate
    "\x80\x80", "\xBF\xBF", "\xA0\x80\x80",  // continuation bytes as leads
    "\xF8\x88\x80\x80", "\xFC\x84\x80", "\xFF\xBF\xBF",  // five- and six-byte leads
    "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xE2", "\xF0",  // cut short
    "\xC3\x41", "\xE2\x41\x82", "\xF0\x9F\x41\x80",      // a bad continuation
};

QByteArray RandomBytes(QRandomGenerator& Rng, int MaxPieces)
{
    QByteArray B;
    const int Count = Rng.bounded(MaxPieces + 1);
    for (int I = 0; I < Count; ++I) {
        switch (Rng.bounded(4)) {
        case 0:
            B += char(Rng.bounded(256));
            break;
        case 1:
            B += char(0x80 + Rng.bounded(128));
            break;
        default:
            B += Sequences[Rng.bounded(int(std::size(Sequences)))];
        }
    }
    return B;
}

}  // namespace

TEST(XMLUtf8, OwnDecodingEqualsUtf8Decode)
{
    for (const char* S : Sequences) {
        for (const QByteArray& B : {QByteArray(S), "x" + QByteArray(S) + "y", QByteArray(S) + S}) {
            EXPECT_EQ(VxXMLDetail::Utf8DecodeBytes(B), Reference(B)) << B.toHex().toStdString();
        }
    }
    QRandomGenerator Rng(77);
    for (int Round = 0; Round < 100000; ++Round) {
        const QByteArray B = RandomBytes(Rng, 12);
        ASSERT_EQ(VxXMLDetail::Utf8DecodeBytes(B), Reference(B)) << B.toHex().toStdString();
    }
    // Long ASCII runs take a faster path.
    const QByteArray Long = QByteArray(1000, 'x') + "\xC3\xA9" + QByteArray(13, 'y');
    EXPECT_EQ(VxXMLDetail::Utf8DecodeBytes(Long), Reference(Long));
}

TEST(XMLUtf8, ScanningBytesEqualsScanningTheDecodedText)
{
    const char* const Markup[] = {"<a>", "</a>", "<b k=\"v\">", "/>", "<", ">", "/", "\"", " ",
                                  "<!--", "-->", "<?xml version=\"1.0\"?>", "t", "\n", "\x1B",
                                  "<c/>", "</", "=", "?>"};
    QRandomGenerator Rng(79);
    for (int Round = 0; Round < 6000; ++Round) {
        QByteArray Doc;
        const int Count = Rng.bounded(1, 16);
        for (int I = 0; I < Count; ++I) {
            if (Rng.bounded(3) == 0)
                Doc += Sequences[Rng.bounded(int(std::size(Sequences)))];
            else
                Doc += Markup[Rng.bounded(int(std::size(Markup)))];
        }
        if (Rng.bounded(4) == 0) {
            Doc += '\0';
            Doc += Markup[Rng.bounded(int(std::size(Markup)))];
        }

        // With the UTF-8 mark: the tree of the decoded text (the Latin-1 text when the bytes
        // are not UTF-8), loaded as UTF-16.
        const QString Text = Reference(Doc);
        const QString Expected = LoadDump(Utf16(Text.isEmpty() ? QString::fromLatin1(Doc) : Text, false));
        ASSERT_EQ(LoadDump("\xEF\xBB\xBF" + Doc), Expected) << Doc.toHex().toStdString();

        // Without a mark: the tree of the same bytes given as byte text.
        if (Doc.startsWith("\xFF\xFE") || Doc.startsWith("\xFE\xFF") || Doc.startsWith("\xEF\xBB\xBF"))
            continue;
        QString Latin1 = QString::fromLatin1(Doc);
        if (!Latin1.isEmpty() && Latin1.back() == QChar(27))
            Latin1.chop(1);
        ASSERT_EQ(LoadDump(Doc), ParseDump(Latin1)) << Doc.toHex().toStdString();
        // And with a declared UTF-8 encoding in front.
        const QByteArray Declared = "<?xml encoding=\"utf-8\"?>" + Doc;
        QString DeclaredText = QString::fromLatin1(Declared);
        if (DeclaredText.back() == QChar(27))
            DeclaredText.chop(1);
        ASSERT_EQ(LoadDump(Declared), ParseDump(DeclaredText)) << Doc.toHex().toStdString();
    }
}
