/// \file
/// The Qt windows behind the user-interface hooks of the non-visual library.
///
/// Loading VeDidoredo::Widgets installs them by itself, so a desktop application that
/// links it gets the logon dialog, message boxes and links opened by the desktop without
/// further ado. A linker that drops libraries whose symbols are not used (--as-needed)
/// may leave it out; such an application calls, once in main() after creating its
/// QApplication:
///
///     VxInstallWidgetsHooks();
///
#pragma once

#include <vedidoredo/VxGlobal.h>

/// Installs the Qt implementations of the hooks, replacing those in force: AskLogon (the
/// modal TfrmVxILogon), ShowMessage (an information message box),
/// ShowError (a critical message box) and OpenUrl (the
/// desktop's handler). They act only on the thread of a running QApplication; elsewhere
/// they behave as if no hook were installed (logon answers Cancel, nothing is shown or
/// opened), and CreateStatusWindow (the transfer status window TfrmVxInetUpdate). The automatic installation at load time fills only hooks not yet set.
VX_WIDGETS_EXPORT void VxInstallWidgetsHooks();
