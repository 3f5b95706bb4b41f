// The updater: started by the program when an update waits. Ends the waiting program, puts the
// unpacked update in place without ever leaving a half-replaced installation, starts the
// program again and writes every step to updata.log beside itself.
#include "platform/process.h"
#include "platform/singleinstance.h"
#include "updater/updateinstaller.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <memory>

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

// Ends the waiting program, and only it: should its id pass to a new process meanwhile, that
// one is left alone.
void endWaitingProgram()
{
    bool ok = false;
    const qint64 pid = qEnvironmentVariable("ORVIK_WAITING_PID").toLongLong(&ok);
    if (!ok || pid <= 1 || !processAlive(pid)) {
        log(QStringLiteral("no waiting program"));
        return;
    }
    const qint64 started = processStartTime(pid);
    auto stillOurs = [&] { return processStartTime(pid) == started; };
    log(QStringLiteral("asking the waiting program %1 to end").arg(pid));
    endProcess(pid, false);
    if (!gone(pid, 10000) && stillOurs()) {
        log(QStringLiteral("it did not end in 10 s, ending it"));
        endProcess(pid, true);
    }
    log(gone(pid, 3000) ? QStringLiteral("the waiting program has ended")
                        : QStringLiteral("the waiting program is still running"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString own = QCoreApplication::applicationDirPath();
    logFile.setFileName(own + QStringLiteral("/updata.log"));
    logFile.open(QIODevice::Append | QIODevice::Text);
    log(QStringLiteral("updater started"));

    // The installation is the folder this updater lives in; ProcessPath.ini only confirms it.
    const QString installation = QDir(own + QStringLiteral("/..")).absolutePath();
    QFile pathFile(own + QStringLiteral("/ProcessPath.ini"));
    const QString named = pathFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(pathFile.readAll()).trimmed() : QString();
    if (QFileInfo(named) != QFileInfo(installation))
        log(QStringLiteral("ProcessPath.ini names ") + named + QStringLiteral(", the installation here is used"));
    log(QStringLiteral("installation ") + installation);
    const QString program = programPath(installation, QStringLiteral("orvik"));
    endWaitingProgram();

    // No copy may start from half-installed files: the program's own lock is held meanwhile.
    auto lock = std::make_unique<SingleInstance>(QStringLiteral("Orvik"));
    QElapsedTimer clock;
    clock.start();
    while (!lock->acquire() && clock.elapsed() < 10000)
        QThread::msleep(100);

    const QString unpacked = own + QStringLiteral("/updataFile/TavlonVeltrace");
    UpdateInstaller installer(unpacked, installation, own + QStringLiteral("/work"), log);
    const bool installed = installer.install();
    if (installed)
        QDir(unpacked).removeRecursively();
    log(installed ? QStringLiteral("update installed") : QStringLiteral("update not installed"));

    lock.reset(); // released just before the program starts
    qunsetenv("ORVIK_WAITING_PID");
    // The program tells the user that it is still the old version.
    if (!installed)
        qputenv("ORVIK_UPDATE_RESULT", "failed");
    const bool started = QProcess::startDetached(program, {}, installation);
    log((started ? QStringLiteral("started ") : QStringLiteral("cannot start ")) + program);
    return installed && started ? 0 : 1;
}
