// The logon prompt of vx: asks for the user on the terminal, with the current value as
// the default, and for the password without echo.
#pragma once

#include <QString>

namespace vx {

// Asks on the controlling terminal (/dev/tty), so it works while standard input and
// output are redirected. Without a terminal it answers Cancel. On OK writes User and
// Password; on Cancel (end of input) leaves both as they were.
bool AskLogonOnTerminal(const QString& Caption, QString& User, QString& Password);

// The same dialogue on the given descriptors: the prompts go to OutFd, the answers come
// from InFd (echo is switched off for the password when InFd is a terminal).
bool AskLogonOn(int InFd, int OutFd, const QString& Caption, QString& User, QString& Password);

}  // namespace vx
