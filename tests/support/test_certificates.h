// A certificate authority and a server certificate made for one test run.
#pragma once

#include <QString>

namespace vxtest {

// Writes ca.crt, server.key and server.crt (for 127.0.0.1 and localhost, signed by the
// CA) into Dir, with openssl; false with the reason in Error when that failed.
bool MakeTestCertificates(const QString& Dir, QString& Error);

}  // namespace vxtest
