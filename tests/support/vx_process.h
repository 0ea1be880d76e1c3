// The built vx tool run as a child process, as a user runs it.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>

#include <functional>

namespace vxtest {

struct VxResult {
    int Status = -1;  // the exit status; -1 when vx did not start, crashed or did not end
    QByteArray Out;
    QByteArray Err;
};

// Runs the built vx with Args and Input as its standard input, in a session of its own
// so that it has no terminal to ask on (a logon prompt answers Cancel). A vx that has
// not ended after 60 s is killed and reported as a failure.
VxResult RunVxBinary(const QStringList& Args, const QByteArray& Input = {},
                     const QProcessEnvironment& Env = QProcessEnvironment::systemEnvironment());

// The same, sending vx the signal Signal as soon as Ready() holds (asked every 20 ms for
// up to 20 s; a failure when it never does).
VxResult RunVxBinaryUntil(const QStringList& Args, const std::function<bool()>& Ready, int Signal,
                          const QProcessEnvironment& Env = QProcessEnvironment::systemEnvironment());

}  // namespace vxtest
