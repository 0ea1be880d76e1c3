#include "VxTerminal.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vx {
namespace {

// A line longer than this is cut; the rest of it is read and dropped.
constexpr qsizetype MaxLine = 4096;
// The width of a terminal that does not tell its own.
constexpr int DefaultColumns = 80;

}  // namespace

void WriteAllTo(int Fd, const QByteArray& Bytes)
{
    qsizetype Done = 0;
    while (Done < Bytes.size()) {
        const ssize_t N = ::write(Fd, Bytes.constData() + Done, size_t(Bytes.size() - Done));
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return;
        Done += N;
    }
}

bool ReadLineFrom(int Fd, QString& Line)
{
    QByteArray Bytes;
    bool Any = false;
    for (;;) {
        char C;
        const ssize_t N = ::read(Fd, &C, 1);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            break;
        Any = true;
        if (C == '\n')
            break;
        if (Bytes.size() < MaxLine)
            Bytes.append(C);
    }
    if (Bytes.endsWith('\r'))
        Bytes.chop(1);
    Line = QString::fromUtf8(Bytes);
    return Any;
}

namespace {

// The terminal settings to put back if a signal ends the program while echo is off.
int EchoFd = -1;
struct termios SavedTerminal;
struct sigaction SavedActions[3];
const int RestoredSignals[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RestoreEchoAndRaise(int Signal)
{
    if (EchoFd >= 0)
        ::tcsetattr(EchoFd, TCSAFLUSH, &SavedTerminal);
    // The handler that was there before (EndOnSignals'), else the signal's default.
    for (int I = 0; I < 3; ++I) {
        const auto Saved = SavedActions[I].sa_handler;
        if (RestoredSignals[I] == Signal && !(SavedActions[I].sa_flags & SA_SIGINFO) && Saved != SIG_DFL &&
            Saved != SIG_IGN) {
            Saved(Signal);
            return;
        }
    }
    ::signal(Signal, SIG_DFL);
    ::raise(Signal);
}

// The write end of EndOnSignals' pipe.
int SignalPipe = -1;

extern "C" void WriteSignalToPipe(int Signal)
{
    const int Saved = errno;
    const unsigned char Byte = static_cast<unsigned char>(Signal);
    [[maybe_unused]] const ssize_t N = ::write(SignalPipe, &Byte, 1);
    errno = Saved;
}

}  // namespace

EchoOff::EchoOff(int Fd)
{
    struct termios T;
    if (::tcgetattr(Fd, &T) != 0)
        return;  // not a terminal: nothing is echoed anyway
    SavedTerminal = T;
    EchoFd = Fd;
    struct sigaction Action = {};
    Action.sa_handler = RestoreEchoAndRaise;
    sigemptyset(&Action.sa_mask);
    for (int I = 0; I < 3; ++I)
        ::sigaction(RestoredSignals[I], &Action, &SavedActions[I]);
    T.c_lflag &= ~tcflag_t(ECHO);
    T.c_lflag |= ECHONL;
    ::tcsetattr(Fd, TCSAFLUSH, &T);
    FActive = true;
}

EchoOff::~EchoOff()
{
    if (!FActive)
        return;
    ::tcsetattr(EchoFd, TCSAFLUSH, &SavedTerminal);
    for (int I = 0; I < 3; ++I)
        ::sigaction(RestoredSignals[I], &SavedActions[I], nullptr);
    EchoFd = -1;
}

void EndOnSignals(std::function<void(int Signal)> Cleanup)
{
    int Fds[2];
    if (SignalPipe >= 0 || ::pipe2(Fds, O_CLOEXEC) != 0)
        return;
    ::fcntl(Fds[1], F_SETFL, O_NONBLOCK);  // a burst of signals never blocks the handler
    SignalPipe = Fds[1];
    std::thread([ReadEnd = Fds[0], Cleanup = std::move(Cleanup)] {
        unsigned char Signal = 0;
        ssize_t N;
        while ((N = ::read(ReadEnd, &Signal, 1)) < 0 && errno == EINTR) {
        }
        if (N != 1)
            return;
        if (Cleanup)
            Cleanup(Signal);
        ::_exit(128 + Signal);
    }).detach();
    struct sigaction Action = {};
    Action.sa_handler = WriteSignalToPipe;
    sigemptyset(&Action.sa_mask);
    Action.sa_flags = SA_RESTART;
    for (const int Signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(Signal, &Action, nullptr);
}

int OpenControllingTerminal()
{
    return ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
}

void CloseTerminal(int Fd)
{
    if (Fd >= 0)
        ::close(Fd);
}

bool StandardInputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool StandardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

int StandardErrorColumns()
{
    if (!::isatty(STDERR_FILENO))
        return 0;
    struct winsize Size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 0)
        return Size.ws_col;
    return DefaultColumns;
}

}  // namespace vx
