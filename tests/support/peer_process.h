// Real server programs for integration tests, and the pieces to start them: a process
// with a temporary directory of its own, a free port, a wait for a port to accept, and
// the search for an installed program. Every wait is bounded.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace vxtest {

// A port on 127.0.0.1 that was free for both TCP and UDP a moment ago; 0 when none was found.
quint16 FreeLocalPort();
// Waits until something accepts connections on 127.0.0.1:Port.
bool WaitForLocalPort(int Port, int TimeoutMs);
// The program's path, looked for on PATH and in the system directories (/usr/sbin ...);
// empty when it is not installed.
QString FindProgram(const QString& Name);
// Runs a program to its end (bounded); true when it exited with status 0. Output gets
// standard output and error together.
bool RunTool(const QString& Program, const QStringList& Args, const QString& WorkDir,
             QString* Output = nullptr, int TimeoutMs = 60000);

// A server program run in the foreground in a temporary directory of its own, which
// holds its configuration and its output (standard output and error), and stopped
// (terminate, then kill) when the object goes.
class TPeerProcess {
public:
    TPeerProcess() = default;
    ~TPeerProcess();
    TPeerProcess(const TPeerProcess&) = delete;
    TPeerProcess& operator=(const TPeerProcess&) = delete;

    // The directory; empty when it could not be made.
    QString Dir() const { return FDir.isValid() ? FDir.path() : QString(); }
    // Writes a file into the directory (text as UTF-8); returns its path.
    QString WriteFile(const QString& Name, const QByteArray& Content) const;
    QString WriteFile(const QString& Name, const QString& Text) const { return WriteFile(Name, Text.toUtf8()); }
    // Starts Program with Args in the directory (stopping the one before, if any).
    bool Start(const QString& Program, const QStringList& Args);
    // Starts Program on ports found free just before, for servers that are told their
    // ports: Configure gets the ports, writes what the program reads and returns its
    // arguments. Done when the program accepts connections on every port within WaitMs;
    // tried 5 times, as a port may be taken in the meantime. False with the reason and
    // the program's output in Error.
    bool StartListening(const QString& Program, int PortCount,
                        const std::function<QStringList(const QList<quint16>& Ports)>& Configure, QString& Error,
                        int WaitMs = 10000);
    // False once the program has ended.
    bool Running();
    void Stop();
    // What the program wrote so far.
    QString Log() const;

private:
    QTemporaryDir FDir;
    std::unique_ptr<QProcess> FProcess;
};

}  // namespace vxtest

// Declares Var as the path of the program Name; a missing program fails the test under
// CI (where scripts/deps.sh installs it) and skips it elsewhere.
#define VX_REQUIRE_PROGRAM(Var, Name)                                                              \
    const QString Var = vxtest::FindProgram(QStringLiteral(Name));                                \
    if (Var.isEmpty()) {                                                                           \
        if (std::getenv("CI"))                                                                     \
            FAIL() << Name " is not installed (scripts/deps.sh installs it)";                      \
        GTEST_SKIP() << Name " is not installed";                                                  \
    }
