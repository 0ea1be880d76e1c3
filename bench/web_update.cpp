// TVxWebUpdater downloading a large file from nginx over loopback HTTP, against
// `curl -o` fetching the same file from the same server in the same run. Prints the
// throughput of each, their ratio, and the peak memory of each, for the large file and
// for a file an eighth of its size (memory should not grow with the file).
//
//     bench_web_update [MiB]        (default 1024)
//
// Test data lives in a temporary directory under /tmp and is deleted at the end. The
// updater runs in a child process of its own (this program started again with --client)
// so that its peak memory is measured apart from everything else.
#include "support/BenchProcess.h"

#include <vedidoredo/vxiupdate.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

int RunClient(int Port, const QString& Remote, const QString& Local, qint64 Expected)
{
    TVxWebUpdater U;
    U.SetHost(QStringLiteral("127.0.0.1"));
    U.SetPort(Port);
    U.SetRemoteFileName(Remote);
    U.SetLocalFileName(Local);
    U.Execute();
    return U.Status() == isFinished && QFileInfo(Local).size() == Expected ? 0 : 1;
}

bool MakeFile(const QString& Path, qint64 Size)
{
    QFile F(Path);
    if (!F.open(QIODevice::WriteOnly))
        return false;
    QByteArray Block(1 << 20, Qt::Uninitialized);
    for (int I = 0; I < Block.size(); ++I)
        Block[I] = char((I * 131) ^ (I >> 9));
    for (qint64 Left = Size; Left > 0; Left -= Block.size())
        if (F.write(Block.constData(), qMin<qint64>(Left, Block.size())) < 0)
            return false;
    return true;
}

int FreePort()
{
    QTcpServer S;
    S.listen(QHostAddress::LocalHost, 0);
    return S.serverPort();
}

bool WaitForPort(int Port)
{
    for (int I = 0; I < 200; ++I) {
        QTcpSocket S;
        S.connectToHost(QHostAddress::LocalHost, quint16(Port));
        if (S.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    return false;
}

struct Result {
    double Seconds = 1e99;
    long PeakKiB = 0;
    bool Ok = true;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() >= 6 && Args.at(1) == QLatin1String("--client"))
        return RunClient(Args.at(2).toInt(), Args.at(3), Args.at(4), Args.at(5).toLongLong());

    const qint64 MiB = Args.size() > 1 ? Args.at(1).toLongLong() : 1024;
    const QString Nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin")});
    if (Nginx.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
        std::fprintf(stderr, "bench_web_update needs nginx and curl\n");
        return 2;
    }
    QTemporaryDir Dir(QStringLiteral("/tmp/vx-bench-web-XXXXXX"));
    const QString D = Dir.path();
    QDir().mkpath(D + QStringLiteral("/www"));
    QDir().mkpath(D + QStringLiteral("/temp"));
    const qint64 Large = MiB * 1024 * 1024, Small = Large / 8;
    if (!MakeFile(D + QStringLiteral("/www/large.bin"), Large) || !MakeFile(D + QStringLiteral("/www/small.bin"), Small)) {
        std::fprintf(stderr, "cannot write the test files in %s\n", qPrintable(D));
        return 2;
    }

    const int Port = FreePort();
    QFile Conf(D + QStringLiteral("/nginx.conf"));
    Conf.open(QIODevice::WriteOnly);
    Conf.write(QStringLiteral("daemon off;\nmaster_process off;\nworker_processes 1;\n"
                              "error_log %1/error.log;\npid %1/nginx.pid;\nevents { worker_connections 16; }\n"
                              "http {\n  access_log off;\n  sendfile on;\n  client_body_temp_path %1/temp/b;\n"
                              "  proxy_temp_path %1/temp/p;\n  fastcgi_temp_path %1/temp/f;\n"
                              "  uwsgi_temp_path %1/temp/u;\n  scgi_temp_path %1/temp/s;\n"
                              "  server { listen 127.0.0.1:%2; root %1/www; }\n}\n")
                   .arg(D)
                   .arg(Port)
                   .toUtf8());
    Conf.close();
    QProcess Server;
    Server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Server.start(Nginx, {QStringLiteral("-p"), D, QStringLiteral("-c"), Conf.fileName()});
    if (!Server.waitForStarted(10000) || !WaitForPort(Port)) {
        std::fprintf(stderr, "nginx did not start\n");
        return 2;
    }

    constexpr int Rounds = 3;
    const QString Out = D + QStringLiteral("/download.bin");
    auto Measure = [&](const QString& Name, qint64 Size, Result& Updater, Result& Curl) {
        const QString Remote = QLatin1Char('/') + Name;
        const QString Url = QStringLiteral("http://127.0.0.1:%1%2").arg(Port).arg(Remote);
        for (int R = 0; R < Rounds; ++R) {
            // Alternating runs, each into a fresh file; the best time of each is compared.
            QFile::remove(Out);
            const TBenchRun U = BenchRunProcess(App.applicationFilePath(),
                                                {QStringLiteral("--client"), QString::number(Port), Remote, Out,
                                                 QString::number(Size)});
            QFile::remove(Out);
            const TBenchRun C = BenchRunProcess(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), Out, Url});
            const bool CurlOk = C.ExitCode == 0 && QFileInfo(Out).size() == Size;
            Updater.Ok = Updater.Ok && U.ExitCode == 0;
            Curl.Ok = Curl.Ok && CurlOk;
            Updater.Seconds = qMin(Updater.Seconds, U.Seconds);
            Curl.Seconds = qMin(Curl.Seconds, C.Seconds);
            Updater.PeakKiB = qMax(Updater.PeakKiB, U.PeakKiB);
            Curl.PeakKiB = qMax(Curl.PeakKiB, C.PeakKiB);
        }
        QFile::remove(Out);
    };
    Result UL, CL, US, CS;
    Measure(QStringLiteral("large.bin"), Large, UL, CL);
    Measure(QStringLiteral("small.bin"), Small, US, CS);
    Server.terminate();
    Server.waitForFinished(5000);

    std::printf("download of %lld MiB from nginx over loopback HTTP into a file, best of %d runs each\n", MiB, Rounds);
    std::printf("  TVxWebUpdater:  %8.3f s  %s  peak %ld MiB\n", UL.Seconds,
                qPrintable(BenchRate(double(Large), UL.Seconds)), UL.PeakKiB / 1024);
    std::printf("  curl -o:        %8.3f s  %s  peak %ld MiB\n", CL.Seconds,
                qPrintable(BenchRate(double(Large), CL.Seconds)), CL.PeakKiB / 1024);
    std::printf("  throughput ratio updater/curl: %.2f (target at least 0.90)\n", CL.Seconds / UL.Seconds);
    std::printf("  peak memory: updater %ld MiB for %lld MiB, %ld MiB for %lld MiB; curl %ld MiB and %ld MiB\n",
                UL.PeakKiB / 1024, MiB, US.PeakKiB / 1024, MiB / 8, CL.PeakKiB / 1024, CS.PeakKiB / 1024);
    const bool Ok = UL.Ok && CL.Ok && US.Ok && CS.Ok;
    if (!Ok)
        std::printf("  WARNING: a run failed\n");
    return Ok ? 0 : 1;
}
