/// \file
/// The temporary files and folders the library's components are using at this moment: a
/// download's file beside its target until it replaces the target, a component's private
/// folder under the temporary directory until the component goes.
#pragma once

#include <vedidoredo/VxGlobal.h>

/// Removes every temporary file and folder that the library's components are using at
/// this moment. For a program that ends on a signal (Ctrl-C): call it from an ordinary
/// thread, never from inside a signal handler, then end the program; the components
/// cannot be used afterwards. A resumable download's partial file (its target's name
/// with ".~vxpart") is kept, so that the next run can continue it.
VX_CORE_EXPORT void VxRemoveTemporaryFiles();
