// The UPS tracker and the translator client, known to `vx run`.
#include "VxRegistry.h"

#include <vedidoredo/VxIMSTranslator.h>
#include <vedidoredo/VxIUPS.h>

VX_REGISTER_CLASS(TVxUPSTracker)
VX_REGISTER_CLASS(TVxMSTranslator)
