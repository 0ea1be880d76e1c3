#include <vedidoredo/platform/VxProcess.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <climits>
#include <unistd.h>

QString VxExecutablePath()
{
#if defined(Q_OS_LINUX)
    // /proc works before and without a QCoreApplication.
    char Buffer[PATH_MAX + 1];
    const ssize_t Length = ::readlink("/proc/self/exe", Buffer, PATH_MAX);
    if (Length > 0)
        return QFile::decodeName(QByteArray(Buffer, int(Length)));
#endif
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
    return {};
}

bool VxStartDetachedScript(const QString& ScriptPath)
{
    QProcess Process;
    Process.setProgram(QStringLiteral("/bin/sh"));
    Process.setArguments({ScriptPath});
    Process.setStandardInputFile(QProcess::nullDevice());
    Process.setStandardOutputFile(QProcess::nullDevice());
    Process.setStandardErrorFile(QProcess::nullDevice());
    // Keeps no directory of the program busy while the script waits.
    Process.setWorkingDirectory(QStringLiteral("/"));
    return Process.startDetached();
}
