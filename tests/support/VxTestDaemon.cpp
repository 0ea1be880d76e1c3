#include "VxTestDaemon.h"

#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

TVxTestDaemon::TVxTestDaemon() = default;

TVxTestDaemon::~TVxTestDaemon()
{
    Stop();
}

QString TVxTestDaemon::WriteFile(const QString& Name, const QByteArray& Content) const
{
    const QString Path = FDir.filePath(Name);
    QFile F(Path);
    if (F.open(QIODevice::WriteOnly | QIODevice::Truncate))
        F.write(Content);
    return Path;
}

bool TVxTestDaemon::Start(const QString& Program, const QStringList& Args)
{
    if (!FDir.isValid() || FPid > 0)
        return false;
    const QByteArray Log = FDir.filePath(QStringLiteral("daemon.log")).toLocal8Bit();
    std::vector<QByteArray> Storage;
    Storage.push_back(Program.toLocal8Bit());
    for (const QString& A : Args)
        Storage.push_back(A.toLocal8Bit());
    std::vector<char*> Argv;
    for (QByteArray& S : Storage)
        Argv.push_back(S.data());
    Argv.push_back(nullptr);
    const pid_t Pid = ::fork();
    if (Pid < 0)
        return false;
    if (Pid == 0) {
        const int Fd = ::open(Log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (Fd >= 0) {
            ::dup2(Fd, 1);
            ::dup2(Fd, 2);
        }
        const int Null = ::open("/dev/null", O_RDONLY);
        if (Null >= 0)
            ::dup2(Null, 0);
        ::execv(Argv[0], Argv.data());
        ::_exit(127);
    }
    FPid = Pid;
    return true;
}

bool TVxTestDaemon::Running()
{
    if (FPid <= 0)
        return false;
    int Status = 0;
    if (::waitpid(FPid, &Status, WNOHANG) == FPid) {
        FPid = -1;
        return false;
    }
    return true;
}

void TVxTestDaemon::Stop()
{
    if (FPid <= 0)
        return;
    ::kill(FPid, SIGTERM);
    for (int i = 0; i < 100; ++i) {  // up to 5 s
        int Status = 0;
        if (::waitpid(FPid, &Status, WNOHANG) == FPid) {
            FPid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(FPid, SIGKILL);
    int Status = 0;
    ::waitpid(FPid, &Status, 0);
    FPid = -1;
}

QString TVxTestDaemon::Log() const
{
    QFile F(FDir.filePath(QStringLiteral("daemon.log")));
    return F.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(F.readAll()) : QString();
}

quint16 TVxTestDaemon::FreePort()
{
    for (int Try = 0; Try < 50; ++Try) {
        const int Tcp = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in A{};
        A.sin_family = AF_INET;
        A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        A.sin_port = 0;
        socklen_t Len = sizeof A;
        if (::bind(Tcp, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0
            || ::getsockname(Tcp, reinterpret_cast<sockaddr*>(&A), &Len) != 0) {
            ::close(Tcp);
            continue;
        }
        const int Udp = ::socket(AF_INET, SOCK_DGRAM, 0);
        const bool UdpFree = ::bind(Udp, reinterpret_cast<sockaddr*>(&A), sizeof A) == 0;
        ::close(Udp);
        ::close(Tcp);
        if (UdpFree)
            return ntohs(A.sin_port);
    }
    return 0;
}

QString TVxTestDaemon::FindProgram(const QString& Name)
{
    for (const char* Dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const QString Path = QString::fromLatin1(Dir) + Name;
        if (QFileInfo(Path).isExecutable())
            return Path;
    }
    return {};
}
