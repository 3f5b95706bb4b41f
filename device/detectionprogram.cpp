#include "detectionprogram.h"

#include "globals.h"
#include "log.h"
#include "process.h"

#include <QCoreApplication>
#include <QFile>

QString DetectionProgram::resultFilePath()
{
    return gAppDir + QStringLiteral("/detecProcess/NameConfig.ini");
}

void DetectionProgram::emptyResultFile()
{
    QFile file(resultFilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        file.close();
}

void DetectionProgram::start()
{
    emptyResultFile();
    const QString program = programPath(gAppDir + QStringLiteral("/detecProcess"), QStringLiteral("DetecApplication"));
    const QString owner = QStringLiteral("ORVIK_OWNER_PID=%1").arg(QCoreApplication::applicationPid());
    if (!process.start(program, {owner}))
        LOG_INFO(LOG_FUNCTION) << "cannot start" << program;
}

void DetectionProgram::stop()
{
    process.stop();
}
