// Every component class `vx run` knows, by its T-name: one line a class. A class that
// opens windows even to be created registers with VX_REGISTER_WINDOW_CLASS (vx then runs
// under a QApplication).
#include "VxRegistry.h"

#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/VxIHTTP.h>
#include <vedidoredo/VxIMSTranslator.h>
#include <vedidoredo/VxIRSS.h>
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/VxITime.h>
#include <vedidoredo/VxIUPS.h>
#include <vedidoredo/VxIWeath.h>
#include <vedidoredo/VxInetXML.h>
#include <vedidoredo/VxWhoIs.h>
#include <vedidoredo/vxidir.h>
#include <vedidoredo/vxidirect.h>
#include <vedidoredo/vxiimage.h>
#include <vedidoredo/vxiupdate.h>
#include <vedidoredo/vxixtract.h>

// Socket protocol clients.
VX_REGISTER_CLASS(TVxWhoIs)
VX_REGISTER_CLASS(TVxInetDateTime)
VX_REGISTER_CLASS(TVxInetSNTP)
VX_REGISTER_CLASS(TVxIDNSResolver)
VX_REGISTER_CLASS(TVxIHTTPClient)
VX_REGISTER_CLASS(TVxFedExTracker)
VX_REGISTER_CLASS(TVxWeatherInfo)

// Mail: the sender, and the address classes, so that scripts can parse and print address
// text on their own (`vx run TVxIEMailAddresses EMailAddresses='a@x, "B, C" <d@x>'
// --read EMailAddresses`).
VX_REGISTER_CLASS(TVxISMTP)
VX_REGISTER_CLASS(TVxIEMailAddress)
VX_REGISTER_CLASS(TVxIEMailAddresses)

// Web components.
VX_REGISTER_CLASS(TVxWebUpdater)
VX_REGISTER_CLASS(TVxCustomWebUpdater)
VX_REGISTER_CLASS(TVxRemoteFiles)
VX_REGISTER_CLASS(TVxInfoExtractor)
VX_REGISTER_CLASS(TVxIRSSParser)
VX_REGISTER_CLASS(TVxUPSTracker)
VX_REGISTER_CLASS(TVxMSTranslator)

// Components of VeDidoredo::Widgets that run without a window here: the remote image
// without a label, the link directory refreshing its cache (and listing it with --json;
// `vx directory --show` opens the window).
VX_REGISTER_CLASS(TVxRemoteImage)
VX_REGISTER_CLASS(TVxWebDirect)

// The XML engine, known like every other component (`vx run TVxXMLEngine --help`);
// `vx xml` reads documents with it.
VX_REGISTER_CLASS(TVxXMLEngine)
