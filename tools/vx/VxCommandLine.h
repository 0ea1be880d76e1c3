// The top level of vx: help, the version and the dispatch to the registered commands.
#pragma once

#include <QString>
#include <QStringList>

namespace vx {

// Runs the command line (the arguments after the program's name); returns the exit status.
int RunCommandLine(const QStringList& Args);

// True when the command line runs a command that opens windows (and so needs a
// QApplication and a display); help and every other command need neither.
bool CommandNeedsWindows(const QStringList& Args);

// The text of `vx --help`.
QString GeneralHelp();

}  // namespace vx
