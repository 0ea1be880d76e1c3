#include "test_certificates.h"

#include "support/peer_process.h"

#include <QFile>
#include <QStringList>

namespace vxtest {

bool MakeTestCertificates(const QString& D, QString& Error)
{
    const QString OpenSsl = FindProgram(QStringLiteral("openssl"));
    if (OpenSsl.isEmpty()) {
        Error = QStringLiteral("openssl is not installed");
        return false;
    }
    // A CA, and a server certificate it signed for 127.0.0.1 and localhost.
    QFile Ext(D + QStringLiteral("/server.ext"));
    if (!Ext.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        Error = QStringLiteral("cannot write into ") + D;
        return false;
    }
    Ext.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature,keyEncipherment\n"
              "extendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1,DNS:localhost\n");
    Ext.close();
    QString Out;
    const QStringList Ec = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    if (!RunTool(OpenSsl,
                 QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + Ec +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                                 QStringLiteral("ca.crt"), QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=VeDidoredo Test CA"),
                                 QStringLiteral("-addext"), QStringLiteral("basicConstraints=critical,CA:TRUE"),
                                 QStringLiteral("-addext"), QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
                 D, &Out) ||
        !RunTool(OpenSsl,
                 QStringList{QStringLiteral("req")} + Ec +
                     QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                                 QStringLiteral("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")},
                 D, &Out) ||
        !RunTool(OpenSsl,
                 {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                  QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                  QStringLiteral("-CAcreateserial"), QStringLiteral("-out"), QStringLiteral("server.crt"),
                  QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"), QStringLiteral("server.ext")},
                 D, &Out)) {
        Error = QStringLiteral("openssl failed: ") + Out;
        return false;
    }
    return true;
}

}  // namespace vxtest
