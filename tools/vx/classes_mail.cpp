// Mail classes known to `vx run`: the sender, and the address and address-list classes
// so that scripts can parse and print address text on their own
// (`vx run TVxIEMailAddresses EMailAddresses='a@x, "B, C" <d@x>' --read EMailAddresses`).
#include "VxRegistry.h"

#include <vedidoredo/VxISMTP.h>

VX_REGISTER_CLASS(TVxISMTP)
VX_REGISTER_CLASS(TVxIEMailAddress)
VX_REGISTER_CLASS(TVxIEMailAddresses)
