#include "VxTerminalLogon.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace vx {
namespace {

// A line longer than this is cut; the rest of it is read and dropped.
constexpr qsizetype MaxLine = 4096;

void WriteAll(int Fd, const QByteArray& Bytes)
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

// One line without its line end; false at the end of input before any character.
bool ReadLine(int Fd, QString& Line)
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

// The terminal settings to put back if a signal ends the program while echo is off.
int EchoFd = -1;
struct termios SavedTerminal;
struct sigaction SavedActions[3];
const int RestoredSignals[3] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RestoreEchoAndRaise(int Signal)
{
    if (EchoFd >= 0)
        ::tcsetattr(EchoFd, TCSAFLUSH, &SavedTerminal);
    ::signal(Signal, SIG_DFL);
    ::raise(Signal);
}

// Switches echo off on a terminal while it lives.
class EchoOff {
public:
    explicit EchoOff(int Fd)
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
    ~EchoOff()
    {
        if (!FActive)
            return;
        ::tcsetattr(EchoFd, TCSAFLUSH, &SavedTerminal);
        for (int I = 0; I < 3; ++I)
            ::sigaction(RestoredSignals[I], &SavedActions[I], nullptr);
        EchoFd = -1;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool Active() const { return FActive; }

private:
    bool FActive = false;
};

}  // namespace

bool AskLogonOn(int InFd, int OutFd, const QString& Caption, QString& User, QString& Password)
{
    QString Prompt = (Caption.isEmpty() ? QStringLiteral("Enter Password") : Caption) + QLatin1Char('\n');
    Prompt += User.isEmpty() ? QStringLiteral("User: ") : QStringLiteral("User [%1]: ").arg(User);
    WriteAll(OutFd, Prompt.toUtf8());
    QString NewUser;
    if (!ReadLine(InFd, NewUser)) {
        WriteAll(OutFd, "\n");
        return false;
    }
    if (NewUser.isEmpty())
        NewUser = User;

    QString NewPassword;
    bool Answered;
    {
        // Echo goes off before the question, so nothing typed after it is shown.
        EchoOff Guard(InFd);
        WriteAll(OutFd, Password.isEmpty() ? QByteArray("Password: ")
                                           : QByteArray("Password (Enter keeps the stored one): "));
        Answered = ReadLine(InFd, NewPassword);
        if (!Answered || !Guard.Active())
            WriteAll(OutFd, "\n");  // ECHONL has already ended the line on a terminal
    }
    if (!Answered)
        return false;
    if (NewPassword.isEmpty())
        NewPassword = Password;
    User = NewUser;
    Password = NewPassword;
    return true;
}

bool AskLogonOnTerminal(const QString& Caption, QString& User, QString& Password)
{
    const int Fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Fd < 0)
        return false;
    const bool Result = AskLogonOn(Fd, Fd, Caption, User, Password);
    ::close(Fd);
    return Result;
}

}  // namespace vx
