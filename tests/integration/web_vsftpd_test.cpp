// FTP URLs and listings against vsftpd with a local user who is not chrooted: paths are
// relative to the login directory (the user's home), "//" makes them absolute, and a
// refused login or a password never shows in a message.
#include "support/web_peers.h"

#include <vedidoredo/vxidir.h>
#include <vedidoredo/vxiupdate.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct VxRun {
    int Status = -1;
    QString Out, Err;
};

VxRun Vx(const QStringList& Args)
{
    VxRun R;
    QProcess P;
    P.setStandardInputFile(QProcess::nullDevice());
    P.start(QStringLiteral(VX_TOOL_PATH), Args);
    if (!P.waitForStarted(10000) || !P.waitForFinished(60000)) {
        P.kill();
        P.waitForFinished(5000);
        return R;
    }
    R.Status = P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
    R.Out = QString::fromUtf8(P.readAllStandardOutput());
    R.Err = QString::fromUtf8(P.readAllStandardError());
    return R;
}

bool Write(const QString& Path, const QByteArray& Data)
{
    QDir().mkpath(QFileInfo(Path).path());
    QFile F(Path);
    return F.open(QIODevice::WriteOnly) && F.write(Data) == Data.size();
}

QByteArray Read(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<missing>");
}

QStringList SortedLines(const QString& Text)
{
    QStringList L = Text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    L.sort();
    return L;
}

class WebVsftpd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Peer = new vxtest::TVsftpdPeer;
        if (!Peer->Start(QStringLiteral("Pw-4-ftp"))) {
            StartError = Peer->Error;
            return;
        }
        Write(Peer->Home + QStringLiteral("/pub/f.txt"), "file in pub");
        Write(Peer->Home + QStringLiteral("/pub/sub/deep.txt"), "deep");
        Write(Peer->Home + QStringLiteral("/top.txt"), "top");
    }
    static void TearDownTestSuite()
    {
        delete Peer;
        Peer = nullptr;
    }
    void SetUp() override
    {
        if (Peer->NotRoot)
            GTEST_SKIP() << StartError.toStdString();
        if (!StartError.isEmpty())
            GTEST_FAIL() << StartError.toStdString();
    }
    static QString Url(const QString& Path, const QString& Password = QStringLiteral("Pw-4-ftp"))
    {
        return QStringLiteral("ftp://%1:%2@127.0.0.1:%3%4").arg(Peer->User, Password).arg(Peer->Port).arg(Path);
    }

    static vxtest::TVsftpdPeer* Peer;
    static QString StartError;
    QTemporaryDir Local;
};

vxtest::TVsftpdPeer* WebVsftpd::Peer = nullptr;
QString WebVsftpd::StartError;

}  // namespace

TEST_F(WebVsftpd, PathsAreRelativeToTheLoginDirectoryUnlessDoublySlashed)
{
    const QString Out = Local.filePath(QStringLiteral("f.txt"));
    for (const QString& Path : {QStringLiteral("/pub/f.txt"), QStringLiteral("/") + Peer->Home + QStringLiteral("/pub/f.txt"),
                                QStringLiteral("/%2F") + Peer->Home.mid(1) + QStringLiteral("/pub/f.txt")}) {
        QFile::remove(Out);
        const VxRun R = Vx({QStringLiteral("update"), Url(Path), Out});
        EXPECT_EQ(R.Status, 0) << Path.toStdString() << ": " << R.Err.toStdString();
        EXPECT_EQ(Read(Out), QByteArray("file in pub")) << Path.toStdString();
    }

    // The login directory itself lists with bare names; a directory below it with the
    // path the server knows, one slash each.
    VxRun R = Vx({QStringLiteral("ls"), Url(QStringLiteral("/"))});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(SortedLines(R.Out), QStringList({"pub", "top.txt"}));
    R = Vx({QStringLiteral("ls"), Url(QStringLiteral("/pub")), QStringLiteral("-r")});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    const QString P = Peer->Home + QStringLiteral("/pub/");
    EXPECT_EQ(SortedLines(R.Out), QStringList({P + "f.txt", P + "sub", P + "sub/deep.txt"}));
    R = Vx({QStringLiteral("ls"), Url(QStringLiteral("/") + Peer->Home + QStringLiteral("/pub"))});
    EXPECT_EQ(SortedLines(R.Out), QStringList({P + "f.txt", P + "sub"}));
}

TEST_F(WebVsftpd, RefusedLoginFailsNamingTheUserAndNoMessageShowsThePassword)
{
    TVxWebUpdater U;
    U.SetService(isFTP);
    U.SetHost(QStringLiteral("127.0.0.1"));
    U.SetPort(Peer->Port);
    U.SetUser(Peer->User);
    U.SetPassword(QStringLiteral("Wrong-pw"));
    U.SetRemoteFileName(QStringLiteral("top.txt"));
    U.SetLocalFileName(Local.filePath(QStringLiteral("top.txt")));
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_TRUE(U.LastError().contains(QLatin1Char('"') + Peer->User + QLatin1Char('"'))) << U.LastError().toStdString();
    EXPECT_TRUE(U.LastError().contains(QStringLiteral("530"))) << U.LastError().toStdString();

    for (const QString& Target : {Url(QStringLiteral("/none.txt")), Url(QStringLiteral("/top.txt"), QStringLiteral("Wrong-pw"))}) {
        const VxRun R = Vx({QStringLiteral("update"), Target, Local.filePath(QStringLiteral("x"))});
        EXPECT_EQ(R.Status, 1) << R.Err.toStdString();
        EXPECT_FALSE(R.Err.isEmpty());
        EXPECT_FALSE(R.Err.contains(QStringLiteral("Pw-4-ftp")) || R.Err.contains(QStringLiteral("Wrong-pw")))
            << R.Err.toStdString();
    }
}
