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
#include "support/BenchNginx.h"
#include "support/BenchProcess.h"

#include <vedidoredo/vxiupdate.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty()) {
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

    TBenchNginx Server;
    if (!Server.Start(D, false, false))
        return 2;
    const int Port = Server.HttpPort;

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
