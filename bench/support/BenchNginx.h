// nginx for the benchmarks: started in the foreground on 127.0.0.1 from a directory of
// the benchmark's, over HTTP and optionally HTTPS (a certificate for 127.0.0.1 made by
// openssl, which is its own CA), answering 304 to a request for a file not modified
// since the date it gives, and stopped when the object goes. With a log, each
// request's line starts with nginx's $connection, the serial number of the connection
// it came on, so a benchmark can tell how many connections were opened between two
// requests of its own.
#pragma once

#include <QProcess>
#include <QString>

class TBenchNginx {
public:
    ~TBenchNginx();
    // Serves Dir/www; Dir also holds the configuration, the logs and the certificate.
    // False with the reason on standard error.
    bool Start(const QString& Dir, bool Https, bool Log);

    int HttpPort = 0;
    int HttpsPort = 0;
    QString CertFile;  // the certificate to trust for HTTPS

    // The serial number of a fresh connection opened now (a request of its own over
    // HTTP, whose log line tells it); -1 when that failed. Connections opened between
    // two calls: the difference less one.
    long MarkConnection();

private:
    QString FDir;
    QProcess FServer;
};
