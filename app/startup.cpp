#include "app/startup.h"

#include "core/globals.h"
#include "core/log.h"
#include "pipeline/devicemodel.h"
#include "platform/process.h"
#include "tools/archive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>

namespace startup {

namespace {

bool updateRefused = false; // a waiting package was found damaged at this start

} // namespace

bool updateFailed()
{
    return updateRefused || qEnvironmentVariable("ORVIK_UPDATE_RESULT") == QLatin1String("failed");
}

void writeProcessPath()
{
    QFile file(gAppDir + QStringLiteral("/updataProcess/ProcessPath.ini"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Append | QIODevice::Text))
        file.write(gAppDir.toUtf8());
}

void prepareDriverPackages()
{
    const QString folder = gAppDir + QStringLiteral("/Driver");
    const QString archive = folder + QStringLiteral(".zip");
    if (QDir(folder).exists())
        return;
    if (!QFile::exists(archive)) {
        LOG_DEBUG(LOG_OTHER) << "Driver zip file is not exist";
        return;
    }
    if (extractArchive(archive, gAppDir))
        QFile::remove(archive);
    else
        LOG_INFO(LOG_OTHER) << "driver archive kept, it was not unpacked completely";
}

bool driverPackagesPresent()
{
    return QDir(gAppDir + QStringLiteral("/Driver")).exists();
}

bool handOverWaitingUpdate()
{
    const QString base = gAppDir + QStringLiteral("/updataProcess/updataFile");
    const QString unpacked = base + QStringLiteral("/TavlonVeltrace");
    const QString zipFolder = base + QStringLiteral("/Zipfile");
    const QString package = zipFolder + QStringLiteral("/TavlonVeltrace.zip");
    // Everything but the package's own folder goes: a leftover of an earlier or refused
    // package would otherwise be installed in place of this one.
    auto removeUnpacked = [&] {
        for (const QString& folder : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            if (folder != QLatin1String("Zipfile"))
                QDir(base + QLatin1Char('/') + folder).removeRecursively();
    };
    removeUnpacked();
    if (!QFile::exists(package))
        return false;
    if (!extractArchive(package, base + QLatin1Char('/'))) {
        LOG_WARNING(LOG_OTHER) << "update package damaged, start-up goes on without it";
        removeUnpacked();
        QDir(zipFolder).removeRecursively();
        QDir().mkpath(zipFolder);
        updateRefused = true;
        return false;
    }
    const QStringList folders = QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (int i = 0; i < std::min(2, int(folders.size())); ++i)
        if (folders[i] != QLatin1String("Zipfile"))
            QDir().rename(base + QLatin1Char('/') + folders[i], unpacked);
    if (QDir(zipFolder).removeRecursively())
        LOG_INFO(LOG_OTHER) << "delete zip sucsee";
    if (!QDir(zipFolder).exists()) {
        if (QDir().mkpath(zipFolder))
            LOG_INFO(LOG_OTHER) << "mkdir zip sucsee";
        else
            LOG_DEBUG(LOG_OTHER) << "mkdir zip fail";
    }
    // Without an updater the windowless wait would never end: go on with the normal start.
    const QString updater = programPath(gAppDir + QStringLiteral("/updataProcess"), QStringLiteral("updata"));
    // The updater ends this waiting process by its id before it replaces the program.
    qputenv("ORVIK_WAITING_PID", QByteArray::number(QCoreApplication::applicationPid()));
    if (!QProcess::startDetached(updater, {})) {
        qunsetenv("ORVIK_WAITING_PID");
        LOG_WARNING(LOG_OTHER) << "cannot start the updater" << updater << ", normal start-up goes on";
        return false;
    }
    return true;
}

QString productLine(const QStringList& arguments)
{
    const QString standard = QStringLiteral("Orvik");
    const int at = arguments.indexOf(QStringLiteral("--product"));
    if (at < 0)
        return standard;
    const QString asked = arguments.value(at + 1);
    for (const DeviceModel& row : deviceModelTable())
        if (!asked.isEmpty() && row.productName == asked)
            return asked;
    std::fprintf(stderr, "orvik: no cameras of a product line \"%s\", serving %s\n", qPrintable(asked),
                 qPrintable(standard));
    return standard;
}

} // namespace startup
