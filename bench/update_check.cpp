// The common case of the web updater: checking a file that is already up to date.
// TVxWebUpdater checks a 200 KB file on nginx over loopback HTTP and HTTPS, against
// libcurl sending the same number of conditional requests (If-Modified-Since, answered
// 304) on one easy handle, in this same process: once as libcurl does by itself,
// keeping its connection from check to check, and once with a new connection for each
// check, as each run of a component opens one. A third libcurl figure sends the
// updater's own request instead: a plain HTTP/1.0 GET whose answer carries the file,
// stopped once its headers are in, on a new connection (the updater reads the size and
// date from that answer, whose body would be the download). Prints the time per check of
// each, the ratios, and the connections each opened, counted by nginx's $connection.
//
//     bench_update_check [CHECKS]        (default 200)
//
// Test data lives in a temporary directory under /tmp and is deleted at the end.
#include "support/BenchNginx.h"

#include <vedidoredo/vxiupdate.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 FileSize = 200 * 1024;
constexpr int Rounds = 5;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool MakeFile(const QString& Path, const QDateTime& Time)
{
    QFile F(Path);
    if (!F.open(QIODevice::WriteOnly))
        return false;
    QByteArray Data(FileSize, Qt::Uninitialized);
    for (qsizetype I = 0; I < Data.size(); ++I)
        Data[I] = char(I * 7);
    return F.write(Data) == Data.size() && F.setFileTime(Time, QFileDevice::FileModificationTime);
}

// Seconds per check of Checks runs of one updater; false when a check was not skipped.
bool UpdaterChecks(TVxWebUpdater& U, int Checks, double& PerCheck)
{
    const double T0 = Now();
    bool Ok = true;
    for (int I = 0; I < Checks; ++I)
        Ok = U.Execute() && U.Status() == isSkipped && Ok;
    PerCheck = (Now() - T0) / Checks;
    return Ok;
}

size_t Discard(char*, size_t Size, size_t Count, void*)
{
    return Size * Count;
}

size_t StopAtBody(char*, size_t, size_t, void*)
{
    return 0;  // the headers are in: ends the transfer
}

// An easy handle for Url with the options every libcurl figure shares.
CURL* NewHandle(const QByteArray& Url, const QByteArray& CaFile, bool Fresh)
{
    CURL* E = curl_easy_init();
    curl_easy_setopt(E, CURLOPT_FRESH_CONNECT, long(Fresh));
    curl_easy_setopt(E, CURLOPT_FORBID_REUSE, long(Fresh));
    curl_easy_setopt(E, CURLOPT_URL, Url.constData());
    curl_easy_setopt(E, CURLOPT_PROXY, "");
    if (!CaFile.isEmpty())
        curl_easy_setopt(E, CURLOPT_CAINFO, CaFile.constData());
    return E;
}

// Seconds per transfer of Checks transfers on E, which it cleans up; false when one did
// not end with Result and the HTTP status Status.
bool TimeTransfers(CURL* E, int Checks, CURLcode Result, long Status, double& PerCheck)
{
    const double T0 = Now();
    bool Ok = true;
    for (int I = 0; I < Checks; ++I) {
        long Code = 0;
        Ok = curl_easy_perform(E) == Result && curl_easy_getinfo(E, CURLINFO_RESPONSE_CODE, &Code) == CURLE_OK &&
             Code == Status && Ok;
    }
    PerCheck = (Now() - T0) / Checks;
    curl_easy_cleanup(E);
    return Ok;
}

// The same checks as conditional requests on one libcurl easy handle; Fresh opens a
// new connection for each.
bool CurlChecks(const QByteArray& Url, const QByteArray& CaFile, time_t Since, bool Fresh, int Checks,
                double& PerCheck)
{
    CURL* E = NewHandle(Url, CaFile, Fresh);
    curl_easy_setopt(E, CURLOPT_WRITEFUNCTION, &Discard);
    curl_easy_setopt(E, CURLOPT_TIMECONDITION, long(CURL_TIMECOND_IFMODSINCE));
    curl_easy_setopt(E, CURLOPT_TIMEVALUE_LARGE, curl_off_t(Since));
    return TimeTransfers(E, Checks, CURLE_OK, 304, PerCheck);
}

// The updater's request on libcurl: GET, HTTP/1.0, a new connection, ended at the body.
bool CurlPlainGets(const QByteArray& Url, const QByteArray& CaFile, int Checks, double& PerCheck)
{
    CURL* E = NewHandle(Url, CaFile, true);
    curl_easy_setopt(E, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(E, CURLOPT_WRITEFUNCTION, &StopAtBody);
    return TimeTransfers(E, Checks, CURLE_WRITE_ERROR, 200, PerCheck);
}

double Median(std::vector<double> V)
{
    std::sort(V.begin(), V.end());
    return V.empty() ? 0 : V[V.size() / 2];
}

struct Figures {
    std::vector<double> Updater, Curl, CurlFresh, CurlGet;
    long UpdaterConnections = -1, CurlConnections = -1, CurlFreshConnections = -1, CurlGetConnections = -1;
    bool Ok = true;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const int Checks = std::max(1, argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200);
    curl_global_init(CURL_GLOBAL_DEFAULT);

    QTemporaryDir Dir(QStringLiteral("/tmp/vx-bench-check-XXXXXX"));
    const QString D = Dir.path();
    QDir().mkpath(D + QStringLiteral("/www"));
    // The remote file is a day old; the local copy has its size and a later time.
    const QDateTime Remote = QDateTime::currentDateTimeUtc().addDays(-1);
    const QString Local = D + QStringLiteral("/local.bin");
    if (!MakeFile(D + QStringLiteral("/www/file.bin"), Remote) || !MakeFile(Local, Remote.addSecs(60))) {
        std::fprintf(stderr, "cannot write the test files in %s\n", qPrintable(D));
        return 2;
    }
    TBenchNginx Nginx;
    if (!Nginx.Start(D, true, true))
        return 2;
    VxInetAddTrustedCertificates(Nginx.CertFile);

    auto Measure = [&](bool Https) {
        Figures F;
        const int Port = Https ? Nginx.HttpsPort : Nginx.HttpPort;
        TVxWebUpdater U;
        U.SetService(Https ? isHTTPS : isHTTP);
        U.SetHost(QStringLiteral("127.0.0.1"));
        U.SetPort(Port);
        U.SetRemoteFileName(QStringLiteral("/file.bin"));
        U.SetLocalFileName(Local);
        const QByteArray Url = QStringLiteral("%1://127.0.0.1:%2/file.bin")
                                   .arg(QLatin1String(Https ? "https" : "http"))
                                   .arg(Port)
                                   .toUtf8();
        const QByteArray Ca = Https ? QFile::encodeName(Nginx.CertFile) : QByteArray();
        for (int R = 0; R < Rounds; ++R) {
            // Alternating rounds; connections are counted in the first.
            double PerCheck = 0;
            const long M0 = Nginx.MarkConnection();
            F.Ok = UpdaterChecks(U, Checks, PerCheck) && F.Ok;
            F.Updater.push_back(PerCheck);
            const long M1 = Nginx.MarkConnection();
            const time_t Since = time_t(Remote.addSecs(60).toSecsSinceEpoch());
            F.Ok = CurlChecks(Url, Ca, Since, false, Checks, PerCheck) && F.Ok;
            F.Curl.push_back(PerCheck);
            const long M2 = Nginx.MarkConnection();
            F.Ok = CurlChecks(Url, Ca, Since, true, Checks, PerCheck) && F.Ok;
            F.CurlFresh.push_back(PerCheck);
            const long M3 = Nginx.MarkConnection();
            F.Ok = CurlPlainGets(Url, Ca, Checks, PerCheck) && F.Ok;
            F.CurlGet.push_back(PerCheck);
            const long M4 = Nginx.MarkConnection();
            if (R == 0 && M0 >= 0 && M1 > M0 && M2 > M1 && M3 > M2 && M4 > M3) {
                F.UpdaterConnections = M1 - M0 - 1;
                F.CurlConnections = M2 - M1 - 1;
                F.CurlFreshConnections = M3 - M2 - 1;
                F.CurlGetConnections = M4 - M3 - 1;
            }
        }
        if (!F.Ok)
            std::fprintf(stderr, "  a check failed: %s\n", qPrintable(U.LastError()));
        return F;
    };

    std::printf("%d checks of an up-to-date file of %lld KB on nginx over loopback, median of %d rounds\n", Checks,
                FileSize / 1024, Rounds);
    bool Ok = true;
    for (const bool Https : {false, true}) {
        const Figures F = Measure(Https);
        const double U = Median(F.Updater), C = Median(F.Curl), CF = Median(F.CurlFresh), CG = Median(F.CurlGet);
        std::printf("%s\n", Https ? "HTTPS" : "HTTP");
        std::printf("  TVxWebUpdater::Execute:                     %8.3f ms per check  %6.2f connections per check\n",
                    U * 1e3, double(F.UpdaterConnections) / Checks);
        std::printf("  libcurl, one handle, 304, keeps connection: %8.3f ms per check  %6.2f connections per check\n",
                    C * 1e3, double(F.CurlConnections) / Checks);
        std::printf("  libcurl, one handle, 304, new connection:   %8.3f ms per check  %6.2f connections per check\n",
                    CF * 1e3, double(F.CurlFreshConnections) / Checks);
        std::printf("  libcurl, the updater's GET, stopped at body: %7.3f ms per check  %6.2f connections per check\n",
                    CG * 1e3, double(F.CurlGetConnections) / Checks);
        std::printf("  time ratio updater/libcurl: %.2f against the kept connection, %.2f against new ones "
                    "(target at most 1.5), %.2f against the same GET\n",
                    U / C, U / CF, U / CG);
        Ok = Ok && F.Ok;
    }
    if (!Ok)
        std::printf("  WARNING: a check failed\n");
    curl_global_cleanup();
    return Ok ? 0 : 1;
}
