// A real server program for an integration test: started in the foreground with its
// configuration, pid and log files in a temporary directory of its own, and stopped
// (SIGTERM, then SIGKILL) when the object goes.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

class TVxTestDaemon {
public:
    TVxTestDaemon();
    ~TVxTestDaemon();

    QString Dir() const { return FDir.path(); }
    // Writes a file into the directory; returns its path.
    QString WriteFile(const QString& Name, const QByteArray& Content) const;
    // Starts Program with Args, standard output and error going to the log file.
    bool Start(const QString& Program, const QStringList& Args);
    // False once the program has ended.
    bool Running();
    void Stop();
    QString Log() const;

    // A port number that is free on 127.0.0.1 for both TCP and UDP just now.
    static quint16 FreePort();
    // The program's path in the usual system directories; empty when not installed.
    static QString FindProgram(const QString& Name);

private:
    QTemporaryDir FDir;
    pid_t FPid = -1;
};
