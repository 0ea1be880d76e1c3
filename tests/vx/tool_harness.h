// Runs vx inside the test program (output captured) or as the real binary.
#pragma once

#include "support/vx_process.h"

#include <QStringList>

using vxtest::RunVxBinary;
using vxtest::VxResult;

// vx's command line in process, with the test components registered.
VxResult RunVx(const QStringList& Args);
