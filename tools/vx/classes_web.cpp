// Web components known to `vx run`.
#include "VxRegistry.h"

#include <vedidoredo/vxidir.h>
#include <vedidoredo/vxiupdate.h>

VX_REGISTER_CLASS(TVxWebUpdater)
VX_REGISTER_CLASS(TVxRemoteFiles)
VX_REGISTER_CLASS(TVxCustomWebUpdater)
