#include "detectionprogram.h"

#include "globals.h"
#include "log.h"
#include "process.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

namespace {

const char kProgram[] = "DetecApplication";

} // namespace

namespace detection {

bool running()
{
    return processRunning(QLatin1String(kProgram));
}

void emptyResultFile()
{
    QFile file(gAppDir + QStringLiteral("/detecProcess/NameConfig.ini"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        file.close();
}

void start()
{
    emptyResultFile();
    QProcess process;
    process.setProgram(programPath(gAppDir + QStringLiteral("/detecProcess"), QLatin1String(kProgram)));
    // The program watches this process and ends soon after it.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ORVIK_OWNER_PID"), QString::number(QCoreApplication::applicationPid()));
    process.setProcessEnvironment(environment);
    if (!process.startDetached())
        LOG_INFO(LOG_FUNCTION) << "cannot start" << process.program();
}

void stop()
{
    if (running())
        killProcess(QLatin1String(kProgram));
}

} // namespace detection
