#include "device/detectionprogram.h"

#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QFile>

QString DetectionProgram::resultFilePath()
{
    return ConfigManager::getInstance()->storage().detection + QStringLiteral("/NameConfig.ini");
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
    // Where it writes its result and log: beside it, or the user's folder when the program
    // folder cannot be written.
    const QString folder = QStringLiteral("ORVIK_DETECTION_DIR=") + ConfigManager::getInstance()->storage().detection;
    if (!process.start(program, {owner, folder}))
        LOG_WARNING(LOG_FUNCTION) << "cannot start" << program;
}

void DetectionProgram::stop()
{
    process.stop();
}
