#include "support/BenchProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
