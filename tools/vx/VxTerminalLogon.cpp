#include "VxTerminalLogon.h"

#include "VxTerminal.h"

namespace vx {

bool AskLogonOn(int InFd, int OutFd, const QString& Caption, QString& User, QString& Password)
{
    QString Prompt = (Caption.isEmpty() ? QStringLiteral("Enter Password") : Caption) + QLatin1Char('\n');
    Prompt += User.isEmpty() ? QStringLiteral("User: ") : QStringLiteral("User [%1]: ").arg(User);
    WriteAllTo(OutFd, Prompt.toUtf8());
    QString NewUser;
    if (!ReadLineFrom(InFd, NewUser)) {
        WriteAllTo(OutFd, "\n");
        return false;
    }
    if (NewUser.isEmpty())
        NewUser = User;

    QString NewPassword;
    bool Answered;
    {
        // Echo goes off before the question, so nothing typed after it is shown.
        EchoOff Guard(InFd);
        WriteAllTo(OutFd, Password.isEmpty() ? QByteArray("Password: ")
                                           : QByteArray("Password (Enter keeps the stored one): "));
        Answered = ReadLineFrom(InFd, NewPassword);
        if (!Answered || !Guard.Active())
            WriteAllTo(OutFd, "\n");  // ECHONL has already ended the line on a terminal
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
    const int Fd = OpenControllingTerminal();
    if (Fd < 0)
        return false;
    const bool Result = AskLogonOn(Fd, Fd, Caption, User, Password);
    CloseTerminal(Fd);
    return Result;
}

}  // namespace vx
