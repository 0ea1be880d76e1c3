// The link directory in `vx run`. Not a window class: vx run only refreshes the cache
// (and its JSON lists the directory), so it needs no display; `vx directory --show`
// opens the window.
#include "VxRegistry.h"

#include <vedidoredo/vxidirect.h>

VX_REGISTER_CLASS(TVxWebDirect)
