#include "core/storagefolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

const char* const kDataFolders[] = {"Config", "log", "detecProcess", "TemTable"};

// An XDG base folder: the variable when it holds an absolute path, else the home default.
QString xdgFolder(const char* variable, const QString& homeDefault)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::homePath() + QLatin1Char('/') + homeDefault;
}

} // namespace

bool StorageFolders::canWrite(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.orvik-write-test-XXXXXX"));
    return probe.open();
}

StorageFolders StorageFolders::resolve(const QString& appDir, const WritableTest& writable)
{
    const bool installed = QFileInfo::exists(appDir + QLatin1Char('/') + QLatin1String(kInstalledMarker));
    bool besideProgram = !installed && writable(appDir);
    for (const char* name : kDataFolders) {
        const QString folder = appDir + QLatin1Char('/') + QLatin1String(name);
        if (besideProgram && QFileInfo(folder).exists())
            besideProgram = writable(folder);
    }
    StorageFolders folders;
    folders.besideProgram = besideProgram;
    folders.installed = installed;
    if (besideProgram) {
        folders.config = appDir + QStringLiteral("/Config");
        folders.logs = appDir + QStringLiteral("/log");
        folders.detection = appDir + QStringLiteral("/detecProcess");
        folders.calibration = appDir + QStringLiteral("/TemTable");
        folders.pictures = appDir + QStringLiteral("/Picture");
        folders.videos = appDir + QStringLiteral("/Video");
        folders.registration = appDir + QStringLiteral("/PCB");
        folders.linkRecord = appDir + QStringLiteral("/calib_uart_result.bin");
        return folders;
    }
    const QString state = xdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state")) + QStringLiteral("/orvik");
    folders.config = xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/orvik");
    folders.logs = state + QStringLiteral("/log");
    folders.detection = state + QStringLiteral("/detecProcess");
    const QString cache = xdgFolder("XDG_CACHE_HOME", QStringLiteral(".cache")) + QStringLiteral("/orvik");
    folders.calibration = cache + QStringLiteral("/TemTable");
    folders.linkRecord = cache + QStringLiteral("/calib_uart_result.bin");
    folders.registration =
        xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/orvik/PCB");
    folders.pictures = QDir::homePath() + QStringLiteral("/Pictures/Orvik");
    folders.videos = QDir::homePath() + QStringLiteral("/Videos/Orvik");
    return folders;
}

QString StorageFolders::describe() const
{
    QString where = QStringLiteral("data beside the program");
    if (installed)
        where = QStringLiteral("installed copy, data in the user's folders");
    else if (!besideProgram)
        where = QStringLiteral("program folder not writable, data in the user's folders");
    return QStringLiteral(
               "%1: settings %2, logs %3, detection result %4, calibration tables %5, board registration %6")
        .arg(where, config, logs, detection, calibration, registration);
}
