#pragma once

#include <QObject>
#include <QString>

// Daily log files under the log folder. Installs a Qt message handler that keeps only
// today's program log lines ("<code>|..."), writes them with their category name, rolls a
// file over past the size limit and deletes files older than the retention period.
class LogManager : public QObject
{
public:
    static constexpr qint64 kDefaultMaxFileSize = 104857600; // 100 MiB
    static constexpr int kRetentionDays = 14;

    static LogManager* getInstance();

    // Called before logging is enabled; takes no lock.
    void setLogDir(const QString& dir);
    void setLogEnabled(bool on);
    void removeExpiredLogs();

    // The program keeps the default; tests lower it to see roll-overs.
    void setMaxFileSize(qint64 bytes);

    static void messageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message);

    // Category name written in place of the leading code; empty for unknown codes.
    static QString categoryName(int code);

private:
    LogManager();
    void handle(QtMsgType type, const QString& message);
    void openDailyFile(const QString& fileName);

    struct Private;
    Private* d; // never freed: the handler may run until the process ends
};
