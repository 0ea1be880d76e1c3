#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/platform/VxUiHooks.h>
#include "platform/VxRunState.h"

bool VxInAskLogon(const QString& Caption, QString& User, QString& Password)
{
    const auto& Ask = VxUiHooks().AskLogon;
    if (!Ask)
        return false;
    // The hook works on copies so that a Cancel can never leave half-written answers.
    QString NewUser = User, NewPassword = Password;
    // Asked from inside a run, the prompt is a callback of that run.
    bool Ok = false;
    VxRunAsCallback([&] { Ok = Ask(Caption, NewUser, NewPassword); });
    if (!Ok)
        return false;
    User = NewUser;
    Password = NewPassword;
    return true;
}
