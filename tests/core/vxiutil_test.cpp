#include <vedidoredo/vxiutil.h>

#include "support/qstring_print.h"

#include <gtest/gtest.h>

#include <QByteArray>

using namespace Qt::Literals::StringLiterals;

namespace {

QString Bytes(const QByteArray& B)
{
    return QString::fromLatin1(B);
}

}  // namespace

TEST(Utf8Decode, DecodesOneTwoAndThreeByteForms)
{
    EXPECT_EQ(Utf8Decode(QString()), QString());
    EXPECT_EQ(Utf8Decode(Bytes("plain")), u"plain");
    EXPECT_EQ(Utf8Decode(Bytes("\xC3\xA9")), u"\u00E9");
    EXPECT_EQ(Utf8Decode(Bytes("\xE2\x82\xAC")), u"\u20AC");
    const QString Text = QString::fromUtf16(u"ASCII \u00E9\u0416 \u20AC\u4E2D\uFFFF \U0001F600\U0010FFFF");
    EXPECT_EQ(Utf8Decode(QString::fromLatin1(Text.toUtf8())), Text);
}

TEST(Utf8Decode, FourByteFormsGiveSurrogatePairs)
{
    EXPECT_EQ(Utf8Decode(Bytes("\xF0\x9F\x98\x80")), QString::fromUtf16(u"\U0001F600"));
    EXPECT_EQ(Utf8Decode(Bytes("\xF0\x90\x80\x80")), QString::fromUtf16(u"\U00010000"));
    EXPECT_EQ(Utf8Decode(Bytes("x\xF0\x9F\x98\x80y\xE2\x82\xAC")), QString::fromUtf16(u"x\U0001F600y\u20AC"));
}

TEST(Utf8Decode, MalformedInputGivesEmptyString)
{
    EXPECT_EQ(Utf8Decode(Bytes("abc\xC3")), QString());          // lead at the end
    EXPECT_EQ(Utf8Decode(Bytes("\xC3\x41")), QString());          // not a continuation
    EXPECT_EQ(Utf8Decode(Bytes("\xE2\x82")), QString());          // three-byte form cut short
    EXPECT_EQ(Utf8Decode(Bytes("\xE2\x41\xAC")), QString());
    EXPECT_EQ(Utf8Decode(Bytes("\xF0\x9F\x98")), QString());      // four-byte form cut short
    EXPECT_EQ(Utf8Decode(Bytes("\xF0\x9F\x41\x80")), QString());
    EXPECT_EQ(Utf8Decode(Bytes("\xF4\x90\x80\x80")), QString());  // above U+10FFFF
    EXPECT_EQ(Utf8Decode(Bytes("\xF7\xBF\xBF\xBF")), QString());
}

TEST(Utf8Decode, AcceptsOverLongForms)
{
    EXPECT_EQ(Utf8Decode(Bytes("\xC1\x81")), u"A");
    EXPECT_EQ(Utf8Decode(Bytes("\xE0\x81\x81")), u"A");
    EXPECT_EQ(Utf8Decode(Bytes("\xF0\x80\x81\x81")), u"A");
    EXPECT_EQ(Utf8Decode(QString::fromLatin1("\xC0\x80", 2)), QString(QChar(0)));
}

TEST(Encode64, EncodesBytesWithPaddingAndNoLineBreaks)
{
    EXPECT_EQ(Encode64(QString()), QString());
    EXPECT_EQ(Encode64(u"a"_s), u"YQ==");
    EXPECT_EQ(Encode64(u"ab"_s), u"YWI=");
    EXPECT_EQ(Encode64(u"abc"_s), u"YWJj");
    // Every byte value, long enough that a line-wrapping encoder would break it.
    QByteArray All;
    for (int Round = 0; Round < 4; ++Round)
        for (int b = 0; b < 256; ++b)
            All.append(char(b));
    const QString Encoded = Encode64(QString::fromLatin1(All));
    EXPECT_FALSE(Encoded.contains(u'\n'));
    EXPECT_EQ(QByteArray::fromBase64(Encoded.toLatin1()), All);
    // The low byte of a character above 255 is what is encoded.
    EXPECT_EQ(Encode64(QString(QChar(0x0161))), u"YQ==");
}

TEST(ContentTypeByFile, LooksAtTheExtensionOnly)
{
    EXPECT_EQ(ContentTypeByFile(u"notes.txt"_s), u"text/plain");
    EXPECT_EQ(ContentTypeByFile(u"/home/me/Photo.JPG"_s), u"image/jpeg");
    EXPECT_EQ(ContentTypeByFile(u"report.pdf"_s), u"application/pdf");
    // The last extension decides, not a pattern for the whole name (".tar.gz").
    EXPECT_EQ(ContentTypeByFile(u"backup.tar.gz"_s), u"application/gzip");
}

TEST(ContentTypeByFile, FallsBackToOctetStream)
{
    const QString Fallback = u"application/octet-stream"_s;
    EXPECT_EQ(ContentTypeByFile(QString()), Fallback);
    EXPECT_EQ(ContentTypeByFile(u"Makefile"_s), Fallback);  // a known name, but no extension
    EXPECT_EQ(ContentTypeByFile(u"/etc/conf.d/README"_s), Fallback);
    EXPECT_EQ(ContentTypeByFile(u"trailing."_s), Fallback);
    EXPECT_EQ(ContentTypeByFile(u"data.no-such-extension-here"_s), Fallback);
}

TEST(Reverse, ReversesUtf16Units)
{
    EXPECT_EQ(Reverse(QString()), QString());
    EXPECT_EQ(Reverse(u"abc"_s), u"cba");
    const QString Pair = QString::fromUtf16(u"a\U0001F600");
    const QChar Expected[] = {Pair[2], Pair[1], u'a'};
    EXPECT_EQ(Reverse(Pair), QString(Expected, 3));
}

TEST(GetColumn, SplitsAtTheSeparator)
{
    const QString S = u"a\tb\t\td"_s;
    EXPECT_EQ(GetColumn(S, 0, u'\t'), u"a");
    EXPECT_EQ(GetColumn(S, 1, u'\t'), u"b");
    EXPECT_EQ(GetColumn(S, 2, u'\t'), u"");
    EXPECT_EQ(GetColumn(S, 3, u'\t'), u"d");
    EXPECT_EQ(GetColumn(S, 4, u'\t'), u"");
    EXPECT_EQ(GetColumn(S, -1, u'\t'), u"");
    EXPECT_EQ(GetColumn(u"x;yy;z"_s, 1, u';'), u"yy");
    EXPECT_EQ(GetColumn(u";lead"_s, 0, u';'), u"");
    EXPECT_EQ(GetColumn(u"\t"_s, 0, u';'), u"");  // a lone tab is empty, whatever the separator
}

namespace {

QString Replaced(QString S)
{
    ReplaceHTMLChars(S);
    return S;
}

}  // namespace

TEST(ReplaceHTMLChars, ReplacesKnownEntities)
{
    EXPECT_EQ(Replaced(u"x &lt; y &gt; z"_s), u"x < y > z");
    EXPECT_EQ(Replaced(u"a&nbsp;b"_s), u"ab");
    EXPECT_EQ(Replaced(u"&brvbar;&deg;&plusmn;&para;&copy;&quot;&apos;&trade;"_s),
              u"|\u00B0+\u00B6c\"'T");
    EXPECT_EQ(Replaced(u"20&deg;C"_s), u"20\u00B0C");
    EXPECT_EQ(Replaced(u"tail &lt"_s), u"tail <");  // no ";": the entity runs to the end
}

TEST(ReplaceHTMLChars, StopsAtTheFirstUnknownEntity)
{
    EXPECT_EQ(Replaced(u"AT&T &amp; co"_s), u"AT&T &amp; co");
    EXPECT_EQ(Replaced(u"&lt; &#176; &gt;"_s), u"< &#176; &gt;");
    EXPECT_EQ(Replaced(u"&LT; upper case"_s), u"&LT; upper case");
    EXPECT_EQ(Replaced(u"&"_s), u"&");
}

TEST(ReplaceHTMLChars, LooksAgainAtTheAmpersandThatAmpGives)
{
    EXPECT_EQ(Replaced(u"&amp;lt;"_s), u"<");
    EXPECT_EQ(Replaced(u"&amp;amp;gt;!"_s), u">!");
    EXPECT_EQ(Replaced(u"&amp;"_s), u"&");
    EXPECT_EQ(Replaced(u"&amp; &lt;"_s), u"& &lt;");  // "& " is no known entity
}
