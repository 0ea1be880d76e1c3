// Socket components known to `vx run`.
#include "VxRegistry.h"

#include <vedidoredo/VxITime.h>

VX_REGISTER_CLASS(TVxInetDateTime)
