#include "support/BenchProcess.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

extern char** environ;

TBenchRun BenchRunProcess(const QString& Program, const QStringList& Arguments)
{
    TBenchRun Run;
    std::vector<QByteArray> Storage;
    Storage.push_back(Program.toLocal8Bit());
    for (const QString& A : Arguments)
        Storage.push_back(A.toLocal8Bit());
    std::vector<char*> Argv;
    for (QByteArray& S : Storage)
        Argv.push_back(S.data());
    Argv.push_back(nullptr);

    posix_spawn_file_actions_t Actions;
    posix_spawn_file_actions_init(&Actions);
    posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
    const auto Start = std::chrono::steady_clock::now();
    pid_t Pid = 0;
    if (posix_spawnp(&Pid, Argv[0], &Actions, nullptr, Argv.data(), environ) == 0) {
        int Status = 0;
        rusage Usage{};
        wait4(Pid, &Status, 0, &Usage);
        Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
        Run.PeakKiB = Usage.ru_maxrss;
    }
    Run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    posix_spawn_file_actions_destroy(&Actions);
    return Run;
}

long BenchSelfPeakKiB()
{
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    return Usage.ru_maxrss;
}

QString BenchRate(double Bytes, double Seconds)
{
    return QStringLiteral("%1 MB/s").arg(Seconds > 0 ? Bytes / Seconds / 1e6 : 0.0, 0, 'f', 1);
}

namespace {

// VmRSS or VmHWM of this process in KiB.
long StatusKiB(const char* Field)
{
    QFile F(QStringLiteral("/proc/self/status"));
    if (!F.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray Key = QByteArray(Field) + ':';
    for (const QByteArray& Line : F.readAll().split('\n'))
        if (Line.startsWith(Key))
            return Line.mid(Key.size()).trimmed().split(' ').value(0).toLong();
    return 0;
}

void ResetPeak()
{
    // Makes VmHWM start again from the current resident set (Linux 4.0 and later).
    QFile F(QStringLiteral("/proc/self/clear_refs"));
    if (F.open(QIODevice::WriteOnly))
        F.write("5");
}

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TBenchChild BenchInChild(int Rounds, const TBenchWork& Work)
{
    int Pipe[2];
    if (::pipe(Pipe) != 0)
        return {};
    const pid_t Pid = ::fork();
    if (Pid == 0) {
        ::close(Pipe[0]);
        TBenchChild R;
        for (int Round = 0; Round < Rounds; ++Round) {
            ResetPeak();
            const long Base = StatusKiB("VmRSS");
            const double T0 = Now();
            auto [Nodes, Free] = Work();
            const double T1 = Now();
            if (Round == 0) {
                R.PeakKiB = StatusKiB("VmHWM") - Base;
                R.TreeKiB = StatusKiB("VmRSS") - Base;
                R.Nodes = Nodes;
            }
            const double T2 = Now();
            Free();
            if (Round == 0)
                R.Free = Now() - T2;
            R.Best = std::min(R.Best, T1 - T0);
        }
        R.Ok = R.Nodes > 0;
        const ssize_t W = ::write(Pipe[1], &R, sizeof R);
        ::_exit(W == ssize_t(sizeof R) ? 0 : 1);
    }
    ::close(Pipe[1]);
    TBenchChild R;
    if (::read(Pipe[0], &R, sizeof R) != ssize_t(sizeof R))
        R = TBenchChild();
    ::close(Pipe[0]);
    int Status = 0;
    ::waitpid(Pid, &Status, 0);
    return R;
}
