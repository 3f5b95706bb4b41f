#include "core/logmanager.h"

#include "core/logtime.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>

struct LogManager::Private
{
    int retentionDays = kRetentionDays;
    qint64 maxFileSize = kDefaultMaxFileSize;
    QMutex mutex;
    QString logDir;
    QString appBaseName;
    QFile file;
    QString currentFileName;
    bool enabled = false;
};

namespace {

std::atomic<LogManager*> instance{nullptr};

// Qt reports its own file errors through the message handler; a message raised while this
// thread already holds the log mutex would deadlock, so such messages are dropped.
thread_local bool insideHandler = false;

const char* const kCategoryNames[] = {"NETWORK",   "Serial",   "FUNCTION",  "FLOW", "CAMERA", "TAVLON_IR",
                                      "Orvik",     "Quell_IR", "Harrow_IR", "DB",   "UPDATE", "OTHER"};

} // namespace

LogManager* LogManager::getInstance()
{
    static QMutex creationMutex;
    LogManager* current = instance.load(std::memory_order_acquire);
    if (!current) {
        QMutexLocker lock(&creationMutex);
        current = instance.load(std::memory_order_relaxed);
        if (!current) {
            current = new LogManager;
            instance.store(current, std::memory_order_release);
        }
    }
    return current;
}

LogManager::LogManager() : d(new Private)
{
    d->appBaseName = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    // Only the default: the folder is made when a file is opened, so a program that names
    // its own folder (an installed copy, the user's) never creates one beside itself.
    d->logDir = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QStringLiteral("/log"));
}

void LogManager::setLogDir(const QString& dir)
{
    d->logDir = QDir::toNativeSeparators(dir);
    QDir().mkpath(d->logDir);
}

void LogManager::setMaxFileSize(qint64 bytes)
{
    QMutexLocker lock(&d->mutex);
    d->maxFileSize = bytes;
}

void LogManager::setLogEnabled(bool on)
{
    QMutexLocker lock(&d->mutex);
    if (on == d->enabled)
        return;
    qInstallMessageHandler(nullptr);
    d->enabled = on;
    if (!on) {
        if (d->file.isOpen())
            d->file.close();
        d->currentFileName.clear();
    } else {
        qInstallMessageHandler(&LogManager::messageHandler);
    }
}

QString LogManager::categoryName(int code)
{
    if (code < 0 || code >= int(std::size(kCategoryNames)))
        return QString();
    return QString::fromLatin1(kCategoryNames[code]);
}

void LogManager::messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (insideHandler)
        return;
    LogManager* self = instance.load(std::memory_order_acquire);
    if (!self)
        return;
    insideHandler = true;
    self->handle(type, message);
    insideHandler = false;
}

void LogManager::handle(QtMsgType type, const QString& message)
{
    QMutexLocker lock(&d->mutex);
    if (!d->enabled)
        return;

    // qDebug-level output never reaches the file.
    if (type != QtInfoMsg && type != QtWarningMsg && type != QtCriticalMsg && type != QtFatalMsg)
        return;

    const QDate today = QDate::currentDate();
    const QString todayText = logDate(today);
    if (!message.contains(todayText))
        return;

    // A dated message without "|" is kept whole under an empty category rather than lost;
    // a leading part that is not a number is an unknown category, not category 0.
    QString name;
    QString body;
    const int bar = message.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        body = message;
    } else {
        bool isNumber = false;
        const int code = message.leftRef(bar).toInt(&isNumber);
        if (isNumber)
            name = categoryName(code);
        const int nextBar = message.indexOf(QLatin1Char('|'), bar + 1);
        body = message.mid(bar + 1, nextBar < 0 ? -1 : nextBar - bar - 1);
    }

    const QString wanted = QStringLiteral("%1/%2_log_%3.log")
                               .arg(d->logDir, d->appBaseName, todayText);
    if (wanted != d->currentFileName)
        openDailyFile(wanted);
    if (!d->file.isOpen())
        return;

    const QByteArray line = (QLatin1Char('[') + name + QLatin1Char(']') + body + QLatin1Char('\n')).toUtf8();
    d->file.write(line);
    d->file.flush();

    if (d->file.size() > d->maxFileSize) {
        const QString rolled =
            QStringLiteral("%1/%2_log_%3.log")
                .arg(d->logDir, d->appBaseName, logRollOverStamp(QDateTime::currentDateTime()));
        d->file.rename(rolled); // closes the file first
        d->file.close();
        d->currentFileName.clear();
    }
}

void LogManager::openDailyFile(const QString& fileName)
{
    d->currentFileName = fileName;
    if (d->file.isOpen())
        d->file.close();
    QDir().mkpath(d->logDir);
    removeExpiredLogs();
    d->file.setFileName(fileName);
    d->file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void LogManager::removeExpiredLogs()
{
    // Age is taken from the last write: Linux file systems neither let a birth time be set nor
    // keep it across copies, and a log file that has not been written for the retention
    // period is one nobody writes to any more.
    const QDateTime cutoff = QDateTime::currentDateTime().addDays(-d->retentionDays);
    QDirIterator it(d->logDir, {QStringLiteral("*.log")}, QDir::Files | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.lastModified() <= cutoff)
            QFile::remove(info.absoluteFilePath());
    }
}
