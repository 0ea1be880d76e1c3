// The library's side of VxRemoveTemporaryFiles (internal): what is registered here, and
// only that, is removed when the program ends on a signal.
#pragma once

#include <vedidoredo/platform/VxTemporaryFiles.h>

#include <QString>

// A file, or a folder with everything in it, in use until it is unregistered.
void VxRegisterTemporary(const QString& Path);
void VxUnregisterTemporary(const QString& Path);
// Renames the file From (registered or not) to To and unregisters it, while no removal
// runs, so that a signal finds it either before or after: false with errno set when
// the rename failed.
bool VxRenameTemporary(const QString& From, const QString& To);
