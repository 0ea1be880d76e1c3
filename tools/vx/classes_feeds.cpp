// The feed parser, known to `vx run`.
#include "VxRegistry.h"

#include <vedidoredo/VxIRSS.h>

VX_REGISTER_CLASS(TVxIRSSParser)
