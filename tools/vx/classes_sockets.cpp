// Socket protocol clients known to `vx run`.
#include "VxRegistry.h"

#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/VxIHTTP.h>
#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/VxIWeath.h>
#include <vedidoredo/VxWhoIs.h>

VX_REGISTER_CLASS(TVxWhoIs)
VX_REGISTER_CLASS(TVxInetSNTP)
VX_REGISTER_CLASS(TVxIDNSResolver)
VX_REGISTER_CLASS(TVxIHTTPClient)
VX_REGISTER_CLASS(TVxFedExTracker)
VX_REGISTER_CLASS(TVxWeatherInfo)
