// Runs vx inside the test program (output captured) or as the real binary.
#pragma once

#include <QByteArray>
#include <QStringList>

struct VxResult {
    int Status = -1;
    QByteArray Out;
    QByteArray Err;
};

// vx's command line in process, with the test components registered.
VxResult RunVx(const QStringList& Args);
// The built vx binary, with standard input empty and no terminal to ask on.
VxResult RunVxBinary(const QStringList& Args);
