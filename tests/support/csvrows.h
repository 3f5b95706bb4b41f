#pragma once
// The rows of a comma-separated file, without its "#" comment lines (the last one is kept).
#include <QByteArrayList>
#include <QFile>
#include <QString>

#include <vector>

inline std::vector<QByteArrayList> csvRows(const QString& path, QString* comment = nullptr)
{
    QFile file(path);
    std::vector<QByteArrayList> rows;
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith('#')) {
            if (comment)
                *comment = QString::fromUtf8(line);
        } else if (!line.isEmpty()) {
            rows.push_back(line.split(','));
        }
    }
    return rows;
}
