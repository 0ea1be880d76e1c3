// Trust in HTTPS servers: the system's CA bundle, and the CA files the application adds
// (VxInetAddTrustedCertificates, VEDIDOREDO_CA_FILE) on top of it.
#include "VxInetTransfer.h"

#include <QFile>
#include <QMutex>
#include <QStringList>

namespace VxInetDetail {

namespace {

// Trusted CA certificates added by the application.
struct TrustedCas {
    QMutex Lock;
    QStringList Files;
    QByteArray Blob;  // system bundle + added files; empty when nothing was added
    bool Built = false;
};

TrustedCas& Cas()
{
    static TrustedCas C;
    return C;
}

QString DefaultCaBundle()
{
    QString Path;
    if (CURL* E = curl_easy_init()) {
        char* P = nullptr;
        if (curl_easy_getinfo(E, CURLINFO_CAINFO, &P) == CURLE_OK && P)
            Path = QString::fromLocal8Bit(P);
        curl_easy_cleanup(E);
    }
    if (Path.isEmpty())
        Path = QStringLiteral("/etc/ssl/certs/ca-certificates.crt");
    return Path;
}

QStringList TrustedFiles(const TrustedCas& C)
{
    QStringList Files = C.Files;
    const QString Env = qEnvironmentVariable("VEDIDOREDO_CA_FILE");
    if (!Env.isEmpty())
        Files.append(Env);
    return Files;
}

}  // namespace

QByteArray TrustedCaBlob()
{
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    if (!C.Built) {
        C.Built = true;
        C.Blob.clear();
        const QStringList Files = TrustedFiles(C);
        if (!Files.isEmpty()) {
            QFile Bundle(DefaultCaBundle());
            if (Bundle.open(QIODevice::ReadOnly))
                C.Blob = Bundle.readAll();
            for (const QString& F : Files) {
                QFile Extra(F);
                if (Extra.open(QIODevice::ReadOnly))
                    C.Blob += '\n' + Extra.readAll() + '\n';
            }
        }
    }
    return C.Blob;
}

}  // namespace VxInetDetail

using namespace VxInetDetail;

bool VxInetAddTrustedCertificates(const QString& PemFile)
{
    QFile F(PemFile);
    if (!F.open(QIODevice::ReadOnly))
        return false;
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    C.Files.append(PemFile);
    C.Built = false;
    return true;
}

void VxInetClearTrustedCertificates()
{
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    C.Files.clear();
    C.Built = false;
}

QStringList VxInetTrustedCertificateFiles()
{
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    return TrustedFiles(C);
}
