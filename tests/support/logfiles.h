#pragma once
// The text of every log file in a folder, for tests that wait for a program's log lines.
#include <QDir>
#include <QFile>
#include <QString>

inline QString logText(const QString& folder)
{
    QString text;
    for (const QString& name : QDir(folder).entryList({"*.log"}, QDir::Files)) {
        QFile file(folder + "/" + name);
        if (file.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(file.readAll());
    }
    return text;
}
