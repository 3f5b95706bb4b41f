// The updater: started by the program when an update waits. Ends the waiting program, puts the
// unpacked update in place without ever leaving a half-replaced installation, starts the
// program again and writes every step to updata.log beside itself.
#include "process.h"
#include "updateinstaller.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QThread>

namespace {

QFile logFile;

void log(const QString& line)
{
    QTextStream(&logFile) << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) << line
                          << '\n';
    logFile.flush();
}

// Waits up to ms for the process to be gone.
bool gone(qint64 pid, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (processAlive(pid)) {
        if (clock.elapsed() > ms)
            return false;
        QThread::msleep(50);
    }
    return true;
}

void endWaitingProgram()
{
    bool ok = false;
    const qint64 pid = qEnvironmentVariable("ORVIK_WAITING_PID").toLongLong(&ok);
    if (!ok || pid <= 1 || !processAlive(pid)) {
        log(QStringLiteral("no waiting program"));
        return;
    }
    log(QStringLiteral("asking the waiting program %1 to end").arg(pid));
    endProcess(pid, false);
    if (!gone(pid, 10000)) {
        log(QStringLiteral("it did not end in 10 s, ending it"));
        endProcess(pid, true);
        gone(pid, 3000);
    }
    log(QStringLiteral("the waiting program has ended"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString own = QCoreApplication::applicationDirPath();
    logFile.setFileName(own + QStringLiteral("/updata.log"));
    logFile.open(QIODevice::Append | QIODevice::Text);
    log(QStringLiteral("updater started"));

    QFile pathFile(own + QStringLiteral("/ProcessPath.ini"));
    const QString installation = pathFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(pathFile.readAll()).trimmed() : QString();
    if (installation.isEmpty() || !QDir(installation).exists()) {
        log(QStringLiteral("no installation named in ProcessPath.ini"));
        return 1;
    }
    log(QStringLiteral("installation ") + installation);
    endWaitingProgram();

    const QString unpacked = own + QStringLiteral("/updataFile/TavlonVeltrace");
    UpdateInstaller installer(unpacked, installation, own + QStringLiteral("/work"), log);
    const bool installed = installer.install();
    if (installed)
        QDir(unpacked).removeRecursively();
    log(installed ? QStringLiteral("update installed") : QStringLiteral("update not installed"));

    const QString program = programPath(installation, QStringLiteral("orvik"));
    const bool started = QProcess::startDetached(program, {}, installation);
    log((started ? QStringLiteral("started ") : QStringLiteral("cannot start ")) + program);
    return installed && started ? 0 : 1;
}
