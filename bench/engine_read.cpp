// The socket request engine reading a 256 MiB answer from a local server, against curl
// fetching the same bytes from the same server in the same run.
//
//     bench_engine_read [MiB]
//
// The engine runs in a child process of its own (this program started again with
// --client) so that its peak memory is measured apart from the server's.
#include "support/BenchProcess.h"

#include <vedidoredo/VxInBase.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

class TGetClient : public TVxInetBase {
public:
    using TVxInetBase::TVxInetBase;
    QString GetQuery() override { return QStringLiteral("GET /data HTTP/1.0\r\nHost: 127.0.0.1\r\n"); }
};

int RunClient(quint16 Port, qint64 Expected)
{
    TGetClient Client;
    Client.SetHost(QStringLiteral("127.0.0.1"));
    Client.SetPort(Port);
    const QString Answer = Client.Execute();
    return Answer.size() >= Expected ? 0 : 1;
}

// Serves Count connections: reads the request, sends an HTTP/1.0 answer of Size bytes.
void Serve(int ListenFd, qint64 Size, int Count)
{
    const QByteArray Header = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                              QByteArray::number(Size) + "\r\n\r\n";
    QByteArray Block(1 << 20, Qt::Uninitialized);
    for (int I = 0; I < Block.size(); ++I)
        Block[I] = char(I * 31);
    for (int N = 0; N < Count; ++N) {
        const int Fd = ::accept(ListenFd, nullptr, nullptr);
        if (Fd < 0)
            return;
        char Request[4096];
        ::recv(Fd, Request, sizeof Request, 0);
        ::send(Fd, Header.constData(), size_t(Header.size()), MSG_NOSIGNAL);
        for (qint64 Left = Size; Left > 0;) {
            const ssize_t Sent = ::send(Fd, Block.constData(), size_t(qMin<qint64>(Left, Block.size())), MSG_NOSIGNAL);
            if (Sent <= 0)
                break;
            Left -= Sent;
        }
        ::close(Fd);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() >= 4 && Args.at(1) == QLatin1String("--client"))
        return RunClient(quint16(Args.at(2).toUInt()), Args.at(3).toLongLong());

    const qint64 MiB = Args.size() > 1 ? Args.at(1).toLongLong() : 256;
    const qint64 Size = MiB * 1024 * 1024;
    constexpr int Rounds = 3;

    const int ListenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(ListenFd, reinterpret_cast<sockaddr*>(&A), sizeof A);
    ::listen(ListenFd, 4);
    socklen_t Len = sizeof A;
    ::getsockname(ListenFd, reinterpret_cast<sockaddr*>(&A), &Len);
    const quint16 Port = ntohs(A.sin_port);
    std::thread Server(Serve, ListenFd, Size, 2 * Rounds);

    const QString Url = QStringLiteral("http://127.0.0.1:%1/data").arg(Port);
    double Engine = 1e99, Curl = 1e99;
    long EnginePeak = 0, CurlPeak = 0;
    bool Ok = true;
    for (int R = 0; R < Rounds; ++R) {
        // Alternating runs; the best of each is compared.
        const TBenchRun E = BenchRunProcess(App.applicationFilePath(),
                                            {QStringLiteral("--client"), QString::number(Port),
                                             QString::number(Size)});
        const TBenchRun C = BenchRunProcess(QStringLiteral("curl"),
                                            {QStringLiteral("-s"), QStringLiteral("-o"),
                                             QStringLiteral("/dev/null"), Url});
        Ok = Ok && E.ExitCode == 0 && C.ExitCode == 0;
        Engine = qMin(Engine, E.Seconds);
        Curl = qMin(Curl, C.Seconds);
        EnginePeak = qMax(EnginePeak, E.PeakKiB);
        CurlPeak = qMax(CurlPeak, C.PeakKiB);
    }
    Server.join();
    ::close(ListenFd);

    std::printf("answer of %lld MiB over loopback, best of %d runs each\n", MiB, Rounds);
    std::printf("  engine (TVxInetBase::Execute): %8.3f s  %s  peak %ld MiB\n", Engine,
                qPrintable(BenchRate(double(Size), Engine)), EnginePeak / 1024);
    std::printf("  baseline (curl -o /dev/null):  %8.3f s  %s  peak %ld MiB\n", Curl,
                qPrintable(BenchRate(double(Size), Curl)), CurlPeak / 1024);
    std::printf("  throughput ratio engine/curl: %.2f\n", Curl / Engine);
    std::printf("  peak memory ratio engine/curl: %.1f (the engine returns the whole answer as text)\n",
                double(EnginePeak) / double(qMax(1L, CurlPeak)));
    if (!Ok)
        std::printf("  WARNING: a run failed\n");
    return Ok ? 0 : 1;
}
