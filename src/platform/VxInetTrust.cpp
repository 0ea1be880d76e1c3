// Trust in HTTPS servers: the system's CAs, and the CA files the application adds
// (VxInetAddTrustedCertificates, VEDIDOREDO_CA_FILE) on top of them.
//
// The system's CAs are given to libcurl as their directory (OpenSSL's hashed names, as
// the system's CA package makes them), from which a verification reads only the CAs it
// needs. Given as the whole bundle, every handshake would parse all of them first,
// which costs more than the handshake itself. Without such a directory the bundle is
// used as before.
#include "VxInetTransfer.h"

#include <QDirIterator>
#include <QFile>
#include <QMutex>
#include <QStringList>

#include <cstring>

namespace VxInetDetail {

namespace {

// Trusted CA certificates added by the application.
struct TrustedCas {
    QMutex Lock;
    QStringList Files;
    TrustSetup Setup;
    bool Built = false;
};

TrustedCas& Cas()
{
    static TrustedCas C;
    return C;
}

// libcurl's default CA bundle or CA directory (CURLINFO_CAINFO, CURLINFO_CAPATH).
QString CurlDefault(CURLINFO What)
{
    QString Path;
    if (CURL* E = curl_easy_init()) {
        char* P = nullptr;
        if (curl_easy_getinfo(E, What, &P) == CURLE_OK && P)
            Path = QString::fromLocal8Bit(P);
        curl_easy_cleanup(E);
    }
    return Path;
}

QString DefaultCaBundle()
{
    const QString Path = CurlDefault(CURLINFO_CAINFO);
    return Path.isEmpty() ? QStringLiteral("/etc/ssl/certs/ca-certificates.crt") : Path;
}

// libcurl's CA directory when OpenSSL reads it (it looks certificates up by the hash
// of their subject, "5ad8a5d6.0"); empty when there is none.
QByteArray DefaultCaDirectory()
{
    const curl_version_info_data* V = curl_version_info(CURLVERSION_NOW);
    if (!V || !V->ssl_version || std::strncmp(V->ssl_version, "OpenSSL", 7) != 0)
        return {};
    const QString Dir = CurlDefault(CURLINFO_CAPATH);
    if (Dir.isEmpty())
        return {};
    QDirIterator Hashed(Dir, {QStringLiteral("????????.0")}, QDir::Files);
    return Hashed.hasNext() ? QFile::encodeName(Dir) : QByteArray();
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

TrustSetup Trust()
{
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    if (!C.Built) {
        C.Built = true;
        C.Setup = TrustSetup();
        C.Setup.CaPath = DefaultCaDirectory();
        const QStringList Files = TrustedFiles(C);
        if (!Files.isEmpty()) {
            // A blob replaces libcurl's bundle: without the directory it carries the
            // system's CAs too.
            if (C.Setup.CaPath.isEmpty()) {
                QFile Bundle(DefaultCaBundle());
                if (Bundle.open(QIODevice::ReadOnly))
                    C.Setup.CaBlob = Bundle.readAll();
            }
            for (const QString& F : Files) {
                QFile Extra(F);
                if (Extra.open(QIODevice::ReadOnly))
                    C.Setup.CaBlob += '\n' + Extra.readAll() + '\n';
            }
        }
    }
    return C.Setup;
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
