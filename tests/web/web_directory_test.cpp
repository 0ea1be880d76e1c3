// The link directory's data: the INI reader, the model over pairs of cache files, and
// where the cache files go.
#include "web_test_helpers.h"

#include <vedidoredo/VxWebDirectory.h>
#include "platform/VxIniFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <optional>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// "[Category] Caption<Url>* ..." with a star on new links.
QString Render(const TVxDirectory& Directory)
{
    QStringList Parts;
    for (const TVxDirectoryCategory& C : Directory) {
        Parts << u'[' + C.Caption + u']';
        for (const TVxDirectoryLink& L : C.Links)
            Parts << L.Caption + u'<' + L.Url + u'>' + (L.New ? u"*"_s : QString());
    }
    return Parts.join(u' ');
}

struct TModelCase {
    const char* Name;
    std::optional<QByteArray> Previous;  // none: no previous cache
    QByteArray Current;
    QString Expected;
};

const QByteArray News = "[News]\nhttp://a.example/1=One\nhttp://a.example/2=Two\n[Tips]\nhttp://b.example/=Tip\n";

const TModelCase ModelCases[] = {
    {"first run: all new", std::nullopt, News,
     u"[News] One<http://a.example/1>* Two<http://a.example/2>* [Tips] Tip<http://b.example/>*"_s},
    {"unchanged: none new", News, News,
     u"[News] One<http://a.example/1> Two<http://a.example/2> [Tips] Tip<http://b.example/>"_s},
    {"one link added: only it new", News, "[News]\nhttp://a.example/1=One\nhttp://a.example/3=Three\nhttp://a.example/2=Two\n",
     u"[News] One<http://a.example/1> Three<http://a.example/3>* Two<http://a.example/2>"_s},
    {"caption changed: known", News, "[News]\nhttp://a.example/1=First\n",
     u"[News] First<http://a.example/1>"_s},
    {"moved to another category: new", News, "[Tips]\nhttp://a.example/1=One\n",
     u"[Tips] One<http://a.example/1>*"_s},
    {"previous with an empty caption: new", "[News]\nhttp://a.example/1=\n", "[News]\nhttp://a.example/1=One\n",
     u"[News] One<http://a.example/1>*"_s},
    {"names compare without case", "[NEWS]\nHTTP://A.EXAMPLE/1=x\n", "[News]\nhttp://a.example/1=One\n",
     u"[News] One<http://a.example/1>"_s},
    {"no sections: empty", std::nullopt, "http://a.example/1=One\n; comment\n", QString()},
    {"empty file", News, "", QString()},
    {"addresses, quotes, odd blanks, comments, CR LF",
     std::nullopt,
     "\xEF\xBB\xBF  [  Odd One ]  trailing\r\n"
     "  http://x.example/a%20b/c/d?q  =  \"Quoted = caption\" \r\n"
     "; http://c.example/=comment\r\n"
     "a line without equals\r\n"
     "\\\\server\\share\\file.txt='single'\r\n"
     "mailto:me@example.org=\"unmatched'\r\n"
     "\r\n",
     u"[Odd One] Quoted = caption<http://x.example/a%20b/c/d?q>* single<\\\\server\\share\\file.txt>* \"unmatched'<mailto:me@example.org>*"_s},
    {"a repeated section is one, duplicates kept", std::nullopt, "[A]\nu1=x\n[b]\nu2=y\n[a]\nu1=z\n",
     u"[A] x<u1>* z<u1>* [b] y<u2>*"_s},
};

}  // namespace

TEST(WebDirectoryModel, OverCachePairs)
{
    for (const TModelCase& Case : ModelCases) {
        SCOPED_TRACE(Case.Name);
        const TVxIniFile Current(Case.Current);
        std::optional<TVxIniFile> Previous;
        if (Case.Previous)
            Previous.emplace(*Case.Previous);
        EXPECT_EQ(Render(VxReadDirectory(Current, Previous ? &*Previous : nullptr)), Case.Expected);
    }
}

TEST(WebDirectoryModel, IniSingleValueIsTheFirstAndTheTextMayBeLatin1)
{
    const TVxIniFile Ini(QByteArray("[S]\nk=1\nK = 2\n[T]\ncaf\xE9=x\n"));
    EXPECT_EQ(Ini.SectionLines(u"s"_s).size(), 2);
    EXPECT_EQ(Ini.ReadString(u"s"_s, u"K"_s), u"1"_s);
    EXPECT_EQ(Ini.ReadString(u"S"_s, u"missing"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(Ini.ReadString(u"T"_s, u"CAFÉ"_s), u"x"_s);
    EXPECT_TRUE(Ini.SectionLines(u"none"_s).isEmpty());
}

TEST(WebDirectoryModel, FromFilesAMissingPreviousMarksAllNewAndAMissingCurrentIsEmpty)
{
    QTemporaryDir Dir;
    const QString Current = Dir.filePath(u"p.wdx"_s), Previous = Dir.filePath(u"p.~wdx"_s);
    EXPECT_TRUE(VxReadDirectory(Current, Previous).isEmpty());
    ASSERT_TRUE(WriteFile(Current, "[C]\nu=x\n"));
    EXPECT_EQ(Render(VxReadDirectory(Current, Previous)), u"[C] x<u>*"_s);
    ASSERT_TRUE(WriteFile(Previous, "[C]\nu=old\n"));
    EXPECT_EQ(Render(VxReadDirectory(Current, Previous)), u"[C] x<u>"_s);

    const QVariantList Json = VxDirectoryToVariant(VxReadDirectory(Current, Previous));
    ASSERT_EQ(Json.size(), 1);
    const QVariantMap Link = Json[0].toMap()[u"Links"_s].toList().value(0).toMap();
    EXPECT_EQ(Json[0].toMap()[u"Caption"_s], u"C"_s);
    EXPECT_EQ(Link[u"Url"_s], u"u"_s);
    EXPECT_EQ(Link[u"Caption"_s], u"x"_s);
    EXPECT_EQ(Link[u"New"_s], false);
}

TEST(WebDirectoryCache, BesideTheExecutableOrInTheUsersCacheWhenThatIsReadOnly)
{
    QTemporaryDir Dir;
    QStandardPaths::setTestModeEnabled(true);  // the cache location goes under ~/.qttest
    EXPECT_EQ(VxWebDirectCacheFile(Dir.filePath(u"prog.bin"_s)), Dir.filePath(u"prog.wdx"_s));
    EXPECT_EQ(VxWebDirectPreviousFile(Dir.filePath(u"prog.wdx"_s)), Dir.filePath(u"prog.~wdx"_s));

    const QString Cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    // A directory nobody can write in, root included: a path below a plain file.
    ASSERT_TRUE(WriteFile(Dir.filePath(u"file"_s), "x"));
    EXPECT_EQ(VxWebDirectCacheFile(Dir.filePath(u"file/prog"_s)), QDir(Cache).filePath(u"prog.wdx"_s));
    EXPECT_TRUE(QFileInfo(Cache).isDir());
    if (::geteuid() != 0) {  // permissions do not stop root
        const QString ReadOnly = Dir.filePath(u"ro"_s);
        ASSERT_TRUE(QDir().mkdir(ReadOnly));
        QFile::setPermissions(ReadOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(VxWebDirectCacheFile(ReadOnly + u"/prog"_s), QDir(Cache).filePath(u"prog.wdx"_s));
        QFile::setPermissions(ReadOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST(WebDirectoryCache, ARunFirstKeepsAWholeCopyOfTheCurrentCacheAsThePreviousOne)
{
    QTemporaryDir Dir;
    TVxCustomWebDirect D;
    D.SetCacheFileName(Dir.filePath(u"prog.wdx"_s));
    D.SetService(isNetwork);
    D.SetRemoteFileName(Dir.filePath(u"missing.ini"_s));  // the run itself finds nothing
    ASSERT_TRUE(WriteFile(D.CacheFileName(), "[News]\nhttp://a.example/1=One\n"));
    ASSERT_TRUE(WriteFile(D.PreviousCacheFileName(), "[Old]\n"));
    D.Execute();
    EXPECT_EQ(ReadFile(D.PreviousCacheFileName()), "[News]\nhttp://a.example/1=One\n");
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList({u"prog.wdx"_s, u"prog.~wdx"_s}));
}
