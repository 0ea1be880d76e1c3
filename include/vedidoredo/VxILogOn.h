/// \file
/// The logon prompt: asks for a user name and a password when a server or a proxy
/// wants them. It goes through the user-interface hook; without one it answers Cancel.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QString>

/// Shows the logon prompt with Caption (empty keeps "Enter Password"), pre-filled with
/// User and Password. On OK returns true and writes both; on Cancel leaves them as they were.
VX_CORE_EXPORT bool VxInAskLogon(const QString& Caption, QString& User, QString& Password);
