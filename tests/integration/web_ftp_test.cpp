// The web updater and the remote file lister against an FTP server (pyftpdlib) started
// here on 127.0.0.1, with a login and a tree of directories.
#include "support/peer_servers.h"
#include "support/web_recording_hooks.h"
#include "support/test_files.h"

#include <vedidoredo/vxidir.h>
#include <vedidoredo/vxiupdate.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QDateTime FileTime(QDate(2022, 11, 3), QTime(8, 9, 10), Qt::UTC);

bool Write(const QString& Path, const QByteArray& Data, const QDateTime& Time = FileTime)
{
    return WriteTree(Path, Data, Time);
}

class WebFtp : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Root = new QTemporaryDir;
        Ftp = new vxtest::TFtpPeer;
        const QString R = Root->path();
        Content = QByteArray(150000, Qt::Uninitialized);
        for (int I = 0; I < Content.size(); ++I)
            Content[I] = static_cast<char>((I * 7 + I / 251) & 0xFF);
        Write(R + QStringLiteral("/readme.txt"), "read me");
        Write(R + QStringLiteral("/pub/app.bin"), Content);
        Write(R + QStringLiteral("/pub/notes.txt"), "notes");
        Write(R + QStringLiteral("/pub/sub/deep.txt"), "deep");
        Write(R + QStringLiteral("/pub/sub/deeper/deepest.dat"), "deepest");
        QDir().mkpath(R + QStringLiteral("/pub/empty"));
        Write(R + QStringLiteral("/locked/hidden.txt"), "hidden");
        if (!Ftp->Start(R, QStringLiteral("user"), QStringLiteral("secret"), {QStringLiteral("locked")}))
            StartError = Ftp->Error;
    }
    static void TearDownTestSuite()
    {
        delete Ftp;
        delete Root;
        Ftp = nullptr;
        Root = nullptr;
    }
    void SetUp() override
    {
        if (!StartError.isEmpty())
            GTEST_FAIL() << StartError.toStdString();
        LocalFile = Local.filePath(QStringLiteral("app.bin"));
        for (TVxCustomWebComponent* C : {static_cast<TVxCustomWebComponent*>(&U), static_cast<TVxCustomWebComponent*>(&L)}) {
            C->SetService(isFTP);
            C->SetHost(QStringLiteral("127.0.0.1"));
            C->SetPort(Ftp->Port);
            C->SetUser(QStringLiteral("user"));
            C->SetPassword(QStringLiteral("secret"));
        }
        U.SetRemoteFileName(QStringLiteral("/pub/app.bin"));
        U.SetLocalFileName(LocalFile);
    }
    QStringList Listing(const QString& Dir, bool Sub, const QString& Mask = QStringLiteral("*.*"))
    {
        L.SetDirectory(Dir);
        L.SetSubFolders(Sub);
        L.SetWildCard(Mask);
        EXPECT_TRUE(L.Execute()) << L.LastError().toStdString();
        return L.FileList();
    }

    static QTemporaryDir* Root;
    static vxtest::TFtpPeer* Ftp;
    static QString StartError;
    static QByteArray Content;
    QTemporaryDir Local;
    QString LocalFile;
    TVxWebUpdater U;
    TVxRemoteFiles L;
};

QTemporaryDir* WebFtp::Root = nullptr;
vxtest::TFtpPeer* WebFtp::Ftp = nullptr;
QString WebFtp::StartError;
QByteArray WebFtp::Content;

QStringList Sorted(QStringList L)
{
    L.sort();
    return L;
}

}  // namespace

TEST_F(WebFtp, DownloadsStampsAndThenSkips)
{
    EXPECT_TRUE(U.Execute()) << U.LastError().toStdString();
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(U.RemoteFileSize(), 150000);
    EXPECT_EQ(DateTimeToQDateTime(U.RemoteFileCreated(), Qt::UTC), FileTime);
    EXPECT_EQ(ReadFile(LocalFile), Content);
    EXPECT_EQ(QFileInfo(LocalFile).lastModified().toUTC(), FileTime);
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isSkipped);
}

TEST_F(WebFtp, RelativeNamesAndMissingFiles)
{
    U.SetRemoteFileName(QStringLiteral("readme.txt"));
    EXPECT_TRUE(U.Execute()) << U.LastError().toStdString();
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(LocalFile), QByteArray("read me"));

    U.SetRemoteFileName(QStringLiteral("/pub/none.bin"));
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isNotFound);
    U.SetRemoteFileName(QStringLiteral("/pub/sub"));  // a directory is not a file to fetch
    EXPECT_TRUE(U.Execute());
    EXPECT_NE(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(LocalFile), QByteArray("read me"));
}

TEST_F(WebFtp, LoginIsCheckedWhenConnecting)
{
    U.SetPassword(QStringLiteral("wrong"));
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_FALSE(U.LastError().isEmpty());
    EXPECT_FALSE(QFile::exists(LocalFile));
}

TEST_F(WebFtp, ResumeContinuesOnlyThePartialOfTheSameVersion)
{
    const QString Remote = Root->path() + QStringLiteral("/pub/versions.bin");
    const QByteArray Newer(Content.size(), 'n');
    U.SetRemoteFileName(QStringLiteral("/pub/versions.bin"));
    U.SetResumeDownload(true);
    for (const bool Changes : {false, true}) {
        SCOPED_TRACE(Changes ? "changed after the abort" : "same version");
        ASSERT_TRUE(Write(Remote, Content));
        U.SetOnProgress([](QObject*, qint64 Cur, qint64, bool& Abort) { Abort = Cur >= 50000; });
        EXPECT_FALSE(U.Execute());
        const qint64 Kept = QFileInfo(LocalFile + QStringLiteral(".~vxpart")).size();
        EXPECT_GE(Kept, 50000);
        if (Changes) {  // the same size: only the time tells the versions apart
            ASSERT_TRUE(Write(Remote, Newer, FileTime.addSecs(3600)));
        }
        qint64 Last = 0;
        U.SetOnProgress([&](QObject*, qint64 Cur, qint64, bool&) { Last = Cur; });
        EXPECT_TRUE(U.Execute()) << U.LastError().toStdString();
        EXPECT_EQ(U.Status(), isFinished);
        EXPECT_EQ(Last, Changes ? Content.size() : Content.size() - Kept);
        EXPECT_EQ(ReadFile(LocalFile), Changes ? Newer : Content);
        EXPECT_FALSE(QFile::exists(LocalFile + QStringLiteral(".~vxpart")));
        QFile::remove(LocalFile);
    }
}

TEST_F(WebFtp, NoUserLogsInAnonymously)
{
    U.SetUser(QString());
    U.SetPassword(QString());
    U.SetRemoteFileName(QStringLiteral("readme.txt"));
    EXPECT_TRUE(U.Execute()) << U.LastError().toStdString();
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(LocalFile), QByteArray("read me"));
}

TEST_F(WebFtp, SizesPast4GiBAreToldWhole)
{
    constexpr qint64 Big = 5000000000;
    const QString Remote = Root->path() + QStringLiteral("/pub/big.bin");
    ASSERT_TRUE(WriteSparse(Remote, Big, FileTime));
    U.SetRemoteFileName(QStringLiteral("/pub/big.bin"));
    // A local copy of the same size, and one whose size has the same low 32 bits only.
    const vxtest::TCompareRecord R = vxtest::RecordComparisons(U, LocalFile, {Big, Big & 0xFFFFFFFF}, FileTime);
    EXPECT_EQ(R.RemoteSizes, QList<qint64>({Big, Big})) << U.LastError().toStdString();
    EXPECT_EQ(R.Equal, QList<bool>({true, false}));
    QFile::remove(Remote);  // the listings of /pub do not show it
}

TEST_F(WebFtp, AbortKeepsTheOldCopy)
{
    ASSERT_TRUE(Write(LocalFile, "old"));
    U.SetOnProgress([](QObject*, qint64 Cur, qint64, bool& Abort) { Abort = Cur > 20000; });
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(ReadFile(LocalFile), QByteArray("old"));
    // The connection is usable again on the next run.
    U.SetOnProgress(nullptr);
    EXPECT_TRUE(U.Execute()) << U.LastError().toStdString();
    EXPECT_EQ(ReadFile(LocalFile), Content);
}

TEST_F(WebFtp, ListsTheRootWithBareNames)
{
    EXPECT_EQ(Sorted(Listing(QString(), false)), QStringList({"locked", "pub", "readme.txt"}));
    EXPECT_EQ(L.Status(), isFinished);
    EXPECT_EQ(Sorted(Listing(QStringLiteral("/"), false, QStringLiteral("*.txt"))), QStringList({"readme.txt"}));
}

TEST_F(WebFtp, ListsASubdirectoryWithAndWithoutSubfolders)
{
    EXPECT_EQ(Sorted(Listing(QStringLiteral("/pub"), false)),
              QStringList({"/pub/app.bin", "/pub/empty", "/pub/notes.txt", "/pub/sub"}));
    const QStringList All = Listing(QStringLiteral("/pub"), true);
    EXPECT_EQ(Sorted(All), QStringList({"/pub/app.bin", "/pub/empty", "/pub/notes.txt", "/pub/sub",
                                        "/pub/sub/deep.txt", "/pub/sub/deeper", "/pub/sub/deeper/deepest.dat"}));
    // The whole level comes before what is below it.
    EXPECT_EQ(Sorted(All.mid(0, 4)), QStringList({"/pub/app.bin", "/pub/empty", "/pub/notes.txt", "/pub/sub"}));
    EXPECT_EQ(All.last(), QStringLiteral("/pub/sub/deeper/deepest.dat"));
}

TEST_F(WebFtp, DirectoryThatCannotBeEnteredIsReportedAndSkipped)
{
    vxtest::TRecordingHooks Hooks;
    const QStringList All = Listing(QString(), true);
    EXPECT_TRUE(All.contains(QStringLiteral("locked")));
    EXPECT_TRUE(All.contains(QStringLiteral("/pub/sub/deep.txt")));
    for (const QString& Line : All)
        EXPECT_FALSE(Line.startsWith(QStringLiteral("/locked/"))) << Line.toStdString();
    ASSERT_EQ(Hooks.Messages.size(), 1);
    EXPECT_TRUE(Hooks.Messages[0].contains(QStringLiteral("550"))) << Hooks.Messages[0].toStdString();

    Hooks.Messages.clear();
    EXPECT_TRUE(Listing(QStringLiteral("/locked"), false).isEmpty());
    EXPECT_EQ(L.Status(), isNotFound);
    EXPECT_EQ(Hooks.Messages.size(), 1);
}

TEST_F(WebFtp, EmptyAndMissingDirectoriesListNothing)
{
    EXPECT_TRUE(Listing(QStringLiteral("/pub/empty"), true).isEmpty());
    EXPECT_EQ(L.Status(), isNotFound);
    vxtest::TRecordingHooks Hooks;
    EXPECT_TRUE(Listing(QStringLiteral("/nowhere"), false).isEmpty());
    EXPECT_EQ(L.Status(), isNotFound);
}

TEST_F(WebFtp, WrongLoginFailsTheListing)
{
    L.SetPassword(QStringLiteral("wrong"));
    EXPECT_FALSE(L.Execute());
    EXPECT_EQ(L.Status(), isFailed);
}
