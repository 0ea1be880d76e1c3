// The network service: remote files that are file paths. Updater outcomes, the event
// order of a whole run, resume, and listing of directory trees.
#include "web_test_helpers.h"
#include "support/web_recording_hooks.h"

#include <vedidoredo/vxidir.h>

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class NetworkUpdater : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Remote = Dir.filePath(QStringLiteral("remote.bin"));
        Local = Dir.filePath(QStringLiteral("local.bin"));
        Content = QByteArray(10000, 'r');
        for (int I = 0; I < Content.size(); ++I)
            Content[I] = static_cast<char>('a' + I % 26);
        ASSERT_TRUE(WriteFile(Remote, Content));
        RemoteTime = QDateTime(QDate(2023, 5, 17), QTime(10, 20, 30, 456), Qt::UTC);
        ASSERT_TRUE(SetModified(Remote, RemoteTime));
        U.SetService(isNetwork);
        U.SetRemoteFileName(Remote);
        U.SetLocalFileName(Local);
    }

    QTemporaryDir Dir;
    QString Remote, Local;
    QByteArray Content;
    QDateTime RemoteTime;
    TVxWebUpdater U;
};

}  // namespace

TEST_F(NetworkUpdater, CopiesStampsAndThenSkips)
{
    TEventLog Log;
    Log.Attach(&U);
    U.SetOnFileCompare([&](QObject*, bool&) { Log.Events << QStringLiteral("compare"); });
    EXPECT_TRUE(U.Execute());
    // The whole run in order: 10000 bytes come in five blocks of up to 2050.
    EXPECT_EQ(Log.Events,
              QStringList({"before", "A:iaConnecting", "A:iaConnected", "A:iaFileSearch", "A:iaFileFound",
                           "A:iaComparing", "compare", "A:iaCompared", "A:iaDownloading", "P:2050/10000",
                           "P:4100/10000", "P:6150/10000", "P:8200/10000", "P:10000/10000", "A:iaDownloaded",
                           "A:iaDisconnecting", "A:iaDisconnected", "S:isFinished", "after"}));
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(Local), Content);
    EXPECT_EQ(Modified(Local), RemoteTime);
    EXPECT_EQ(U.RemoteFileSize(), 10000);
    EXPECT_EQ(DateTimeToQDateTime(U.RemoteFileCreated(), Qt::UTC), RemoteTime);

    // The second run goes back to isInProgress first, and skips the download.
    Log.Events.clear();
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isSkipped);
    EXPECT_EQ(Log.Events,
              QStringList({"before", "S:isInProgress", "A:iaConnecting", "A:iaConnected", "A:iaFileSearch",
                           "A:iaFileFound", "A:iaComparing", "compare", "A:iaCompared", "S:isSkipped",
                           "A:iaDisconnecting", "A:iaDisconnected", "after"}));
}

TEST_F(NetworkUpdater, LocalCopyNewerOrEqualIsKept)
{
    QByteArray Other(10000, 'x');
    ASSERT_TRUE(WriteFile(Local, Other));
    ASSERT_TRUE(SetModified(Local, RemoteTime.addSecs(3600)));
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isSkipped);
    EXPECT_EQ(ReadFile(Local), Other);

    // Older with the same size: downloaded.
    ASSERT_TRUE(SetModified(Local, RemoteTime.addSecs(-3600)));
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(Local), Content);
}

TEST_F(NetworkUpdater, OnFileCompareDecides)
{
    bool Verdict = true;
    bool Seen = false;
    U.SetOnFileCompare([&](QObject*, bool& Equal) {
        Seen = Equal;
        Equal = Verdict;
    });
    // Local missing: the built-in comparison says "differs"; the callback says equal.
    EXPECT_TRUE(U.Execute());
    EXPECT_FALSE(Seen);
    EXPECT_EQ(U.Status(), isSkipped);
    EXPECT_FALSE(QFile::exists(Local));

    Verdict = false;
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isFinished);
    // Now equal by the built-in rule; the callback still forces a download.
    EXPECT_TRUE(U.Execute());
    EXPECT_TRUE(Seen);
    EXPECT_EQ(U.Status(), isFinished);
}

TEST_F(NetworkUpdater, EmptyRemoteFileCountsAsEqual)
{
    ASSERT_TRUE(WriteFile(Remote, QByteArray()));
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isSkipped);
    EXPECT_FALSE(QFile::exists(Local));
}

TEST_F(NetworkUpdater, MissingRemoteFileIsNotFound)
{
    U.SetRemoteFileName(Dir.filePath(QStringLiteral("nothing-here")));
    TEventLog Log;
    Log.Attach(&U);
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isNotFound);
    EXPECT_EQ(U.RemoteFileSize(), 0);
    EXPECT_FALSE(Log.Events.contains(QStringLiteral("A:iaFileFound")));
    EXPECT_TRUE(Log.Events.contains(QStringLiteral("A:iaDisconnected")));
}

TEST_F(NetworkUpdater, AbortKeepsTheOldCopyUntouched)
{
    const QByteArray Old("the good old copy");
    ASSERT_TRUE(WriteFile(Local, Old));
    const QDateTime OldTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    ASSERT_TRUE(SetModified(Local, OldTime));
    int Calls = 0;
    U.SetOnProgress([&](QObject*, qint64, qint64, bool& Abort) {
        ++Calls;
        Abort = true;
    });
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(ReadFile(Local), Old);
    EXPECT_EQ(Modified(Local), OldTime);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(NetworkUpdater, ResumeContinuesOnlyAPartialOfTheSameVersion)
{
    const QString Partial = Local + QStringLiteral(".~vxpart");
    const QByteArray Newer = QByteArray(10000, 'N');
    struct Row {
        const char* Case;
        bool PartialFirst;   // an aborted run leaves the first 4100 bytes
        bool RemoteChanges;  // then the remote file gets new content and a new time
        QByteArray LocalBefore;
        int RestCounted;     // the last progress of the second run
    };
    const Row Rows[] = {
        {"same version", true, false, {}, 10000 - 4100},
        {"changed after the abort", true, true, {}, 10000},
        {"a complete older local file", false, false, QByteArray(4000, 'a'), 10000},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Case);
        QFile::remove(Local);
        ASSERT_TRUE(WriteFile(Remote, Content) && SetModified(Remote, RemoteTime));
        if (!R.LocalBefore.isEmpty()) {
            ASSERT_TRUE(WriteFile(Local, R.LocalBefore) && SetModified(Local, RemoteTime.addDays(-1)));
        }
        U.SetResumeDownload(true);
        if (R.PartialFirst) {
            U.SetOnProgress([](QObject*, qint64 Cur, qint64, bool& Abort) { Abort = Cur >= 4100; });
            EXPECT_FALSE(U.Execute());
            EXPECT_FALSE(QFile::exists(Local));
            EXPECT_EQ(ReadFile(Partial), Content.left(4100));
        }
        const QByteArray Expected = R.RemoteChanges ? Newer : Content;
        if (R.RemoteChanges) {
            ASSERT_TRUE(WriteFile(Remote, Newer) && SetModified(Remote, RemoteTime.addSecs(60)));
        }
        qint64 Last = 0;
        U.SetOnProgress([&](QObject*, qint64 Cur, qint64, bool&) { Last = Cur; });
        EXPECT_TRUE(U.Execute());
        EXPECT_EQ(U.Status(), isFinished);
        EXPECT_EQ(ReadFile(Local), Expected);
        EXPECT_EQ(Last, R.RestCounted);
        // Nothing but the two files is left.
        EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
}

TEST_F(NetworkUpdater, StaleTemporaryFilesOfTheTargetGoButNoOtherFile)
{
    // What a run that was killed leaves beside the target, and names that only look alike.
    const QStringList Stale = {"local.bin.~vx123456", "local.bin.~vx000001"};
    const QStringList Kept = {"local.bin.~vx12345", "local.bin.~vxabcdef", "other.bin.~vx123456", "local.bin.~vxpart"};
    for (const QString& Name : Stale + Kept)
        ASSERT_TRUE(WriteFile(Dir.filePath(Name), "left"));
    // A second download to the same target while the first is writing leaves the first's
    // temporary file alone.
    TVxWebUpdater Second;
    Second.SetService(isNetwork);
    Second.SetRemoteFileName(Remote);
    Second.SetLocalFileName(Local);
    bool SecondDone = false;
    U.SetOnProgress([&](QObject*, qint64, qint64, bool&) {
        if (!SecondDone)
            SecondDone = Second.Execute() && Second.Status() == isFinished;
    });
    EXPECT_TRUE(U.Execute());
    EXPECT_TRUE(SecondDone);
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(Local), Content);
    QStringList Left = QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden);
    Left.removeAll(QStringLiteral("remote.bin"));
    Left.removeAll(QStringLiteral("local.bin"));
    Left.sort();
    QStringList Expected = Kept;
    Expected.removeAll(QStringLiteral("local.bin.~vxpart"));  // a complete download ends a partial one
    Expected.sort();
    EXPECT_EQ(Left, Expected);
}

TEST_F(NetworkUpdater, SizesPast4GiBAreToldWhole)
{
    constexpr qint64 Big = 5000000000;
    ASSERT_TRUE(WriteSparse(Remote, Big, RemoteTime));
    // A local copy of the same size, and one whose size has the same low 32 bits only.
    const vxtest::TCompareRecord R = vxtest::RecordComparisons(U, Local, {Big, Big & 0xFFFFFFFF}, RemoteTime);
    EXPECT_EQ(R.RemoteSizes, QList<qint64>({Big, Big})) << U.LastError().toStdString();
    EXPECT_EQ(R.Equal, QList<bool>({true, false}));
}

TEST_F(NetworkUpdater, UnwritableLocalFileRaisesTheFileError)
{
    U.SetLocalFileName(Dir.filePath(QStringLiteral("no/such/dir/file.bin")));
    EXPECT_THROW(U.Execute(), EVxFileError);
}

TEST(NetworkService, InspectionReportsSizeAndTime)
{
    QTemporaryDir Dir;
    const QString F = Dir.filePath(QStringLiteral("f.txt"));
    ASSERT_TRUE(WriteFile(F, QByteArray(123, 'q')));
    const QDateTime T(QDate(2022, 2, 2), QTime(2, 2, 2), Qt::UTC);
    ASSERT_TRUE(SetModified(F, T));
    TProbeComponent C;
    C.SetService(isNetwork);
    TEventLog Log;
    Log.Attach(&C);
    C.Work = [&](TProbeComponent* P) {
        P->ConnectToInet(true);
        EXPECT_FALSE(P->HasSession());
        qint64 Size = 99;
        TDateTime Time = 5.0;
        EXPECT_TRUE(P->GetFileInfoFromInet(F, Size, Time));
        EXPECT_EQ(Size, 123);
        EXPECT_EQ(DateTimeToQDateTime(Time, Qt::UTC), T);
        Time = 5.0;
        EXPECT_FALSE(P->GetFileInfoFromInet(F + QStringLiteral(".missing"), Size, Time));
        EXPECT_EQ(Size, 0);
        EXPECT_EQ(Time.Value(), 5.0);
        P->DisconnectFromInet();
    };
    C.Execute();
    EXPECT_EQ(Log.Actions().mid(0, 2), QStringList({"A:iaConnecting", "A:iaConnected"}));
}

namespace {

class NetworkListing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        const QString R = Dir.path();
        QDir().mkpath(R + QStringLiteral("/b/inner"));
        QDir().mkpath(R + QStringLiteral("/c"));
        QDir().mkpath(R + QStringLiteral("/empty"));
        WriteFile(R + QStringLiteral("/a.txt"), "a");
        WriteFile(R + QStringLiteral("/b/b1.txt"), "b");
        WriteFile(R + QStringLiteral("/b/inner/deep.dat"), "d");
        WriteFile(R + QStringLiteral("/c/c1.txt"), "c");
        WriteFile(R + QStringLiteral("/Makefile"), "m");
        L.SetService(isNetwork);
        L.SetDirectory(R);
    }
    QStringList Relative() const
    {
        QStringList Out;
        for (const QString& S : L.FileList())
            Out << S.mid(Dir.path().size());
        return Out;
    }
    QTemporaryDir Dir;
    TVxRemoteFiles L;
};

}  // namespace

TEST_F(NetworkListing, ListsOneLevelWithEveryNameForStarDotStar)
{
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(L.Status(), isFinished);
    EXPECT_EQ(Relative(), QStringList({"/.", "/..", "/Makefile", "/a.txt", "/b", "/c", "/empty"}));
}

TEST_F(NetworkListing, SubFoldersFollowTheirOwnLineDepthFirst)
{
    L.SetSubFolders(true);
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(Relative(), QStringList({"/.", "/..", "/Makefile", "/a.txt", "/b", "/b/.", "/b/..", "/b/b1.txt",
                                       "/b/inner", "/b/inner/.", "/b/inner/..", "/b/inner/deep.dat", "/c", "/c/.",
                                       "/c/..", "/c/c1.txt", "/empty", "/empty/.", "/empty/.."}));
    // A second run starts from an empty list.
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(L.FileList().size(), 19);
}

TEST_F(NetworkListing, MaskFiltersNamesAndTheDirectoriesEntered)
{
    L.SetWildCard(QStringLiteral("*.txt"));
    L.SetSubFolders(true);
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(Relative(), QStringList({"/a.txt"}));
}

TEST_F(NetworkListing, EmptyDirectoryListsItsDotEntries)
{
    L.SetDirectory(Dir.filePath(QStringLiteral("empty")));
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(L.Status(), isFinished);
    EXPECT_EQ(L.FileList().size(), 2);
}

TEST_F(NetworkListing, MissingDirectoryAndHttpListNothing)
{
    L.SetDirectory(Dir.filePath(QStringLiteral("missing")));
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(L.Status(), isNotFound);
    EXPECT_TRUE(L.FileList().isEmpty());
}

TEST_F(NetworkListing, LinkToAParentIsNotEnteredAgain)
{
    ASSERT_TRUE(QFile::link(Dir.path(), Dir.filePath(QStringLiteral("c/loop"))));
    L.SetSubFolders(true);
    EXPECT_TRUE(L.Execute());
    EXPECT_TRUE(L.FileList().contains(Dir.filePath(QStringLiteral("c/loop"))));
    EXPECT_LT(L.FileList().size(), 40);
}

// The private download directory of components that keep a temporary file.
class TPrivateFileProbe : public TVxCustomWebUpdater {
public:
    using TVxCustomWebUpdater::PrivateFileName;
};

TEST(PrivateFileName, EachComponentHasItsOwnDirectoryForItsLifetime)
{
    QString Dir;
    {
        TPrivateFileProbe A, B;
        const QString FileA = A.PrivateFileName(QStringLiteral("tmp1.png"));
        const QString FileB = B.PrivateFileName(QStringLiteral("tmp1.png"));
        EXPECT_NE(FileA, FileB);
        EXPECT_EQ(A.PrivateFileName(QStringLiteral("other")), QFileInfo(FileA).dir().filePath("other"));
        EXPECT_FALSE(QFileInfo::exists(FileA));  // only the directory is made
        Dir = QFileInfo(FileA).absolutePath();
        EXPECT_EQ(QFileInfo(Dir).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                  QFileDevice::Permissions());
        ASSERT_TRUE(WriteFile(FileA, "x"));
    }
    EXPECT_FALSE(QFileInfo::exists(Dir));
}
