#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/platform/VxUiHooks.h>

bool VxInAskLogon(const QString& Caption, QString& User, QString& Password)
{
    const auto& Ask = VxUiHooks().AskLogon;
    if (!Ask)
        return false;
    // The hook works on copies so that a Cancel can never leave half-written answers.
    QString NewUser = User, NewPassword = Password;
    if (!Ask(Caption, NewUser, NewPassword))
        return false;
    User = NewUser;
    Password = NewPassword;
    return true;
}
