#include "platform/VxProcess.h"

#include <vedidoredo/platform/VxException.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

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

namespace {

// A POSIX shell word that stands for Text exactly, whatever it holds.
QByteArray ShellQuote(const QString& Text)
{
    QByteArray Bytes = QFile::encodeName(Text);
    Bytes.replace('\'', QByteArrayLiteral("'\\''"));
    return '\'' + Bytes + '\'';
}

}  // namespace

void VxDeleteExecutableAfterExit()
{
    const QString Exe = VxExecutablePath();
    if (Exe.isEmpty())
        return;
    const QFileInfo ExeInfo(Exe);
    QString Script = ExeInfo.path() + QLatin1Char('/') + ExeInfo.completeBaseName() + QLatin1String(".sh");
    if (Script == Exe)
        Script = Exe + QLatin1String(".sh");

    // Retries once a second until the program's file is gone (a system that refuses to
    // delete a running program lets it go once the program has exited), for at most
    // ten minutes, then removes the script itself.
    const QByteArray Text = "#!/bin/sh\n"
                            "# Deletes a program that has asked to be removed, then this script.\n"
                            "exe=" + ShellQuote(Exe) + "\n"
                            "script=" + ShellQuote(Script) + "\n"
                            "n=0\n"
                            "while [ -e \"$exe\" ] || [ -L \"$exe\" ]; do\n"
                            "  rm -f -- \"$exe\" 2>/dev/null\n"
                            "  if [ -e \"$exe\" ] || [ -L \"$exe\" ]; then\n"
                            "    n=$((n + 1))\n"
                            "    [ \"$n\" -ge 600 ] && break\n"
                            "    sleep 1\n"
                            "  fi\n"
                            "done\n"
                            "rm -f -- \"$script\"\n";
    QSaveFile File(Script);
    if (!File.open(QIODevice::WriteOnly) || File.write(Text) != Text.size() || !File.commit())
        throw EVxFileError(QStringLiteral("Cannot write %1: %2").arg(Script, File.errorString()));
    VxStartDetachedScript(Script);
}
