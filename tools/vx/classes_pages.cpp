// The page components known to `vx run`. The remote image runs without a label there.
#include "VxRegistry.h"

#include <vedidoredo/vxiimage.h>
#include <vedidoredo/vxixtract.h>

VX_REGISTER_CLASS(TVxInfoExtractor)
VX_REGISTER_CLASS(TVxRemoteImage)
