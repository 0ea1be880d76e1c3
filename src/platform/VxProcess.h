/// \file
/// What the operating system tells about the running program and how it starts helpers.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QString>

/// The absolute path of the running program's executable; empty when it cannot be told.
VX_CORE_EXPORT QString VxExecutablePath();

/// Starts the POSIX shell script at ScriptPath as a detached process, with no terminal
/// input or output and "/" as its working directory; the caller never waits for it.
/// Returns whether it started.
VX_CORE_EXPORT bool VxStartDetachedScript(const QString& ScriptPath);

/// Writes a POSIX shell script beside the running program and starts it detached: once the
/// program has exited it deletes the program's file, then itself. EVxFileError when the
/// script cannot be written. The caller is expected to exit right after.
VX_CORE_EXPORT void VxDeleteExecutableAfterExit();
