// The user-interface hooks of vx: a logon prompt on the terminal, a progress bar on
// standard error when it is a terminal, and messages and errors on standard error. Hooks
// it does not cover are left as installed.
#pragma once

namespace vx {

void InstallTerminalHooks();

}  // namespace vx
