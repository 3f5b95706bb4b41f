#pragma once

#include <QLockFile>
#include <QString>

// One running copy per user session: a lock file "<name>.lock" in the runtime folder. A lock
// left behind by a copy that died is taken over; a lock held by a live copy is refused.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name, const QString& dir = runtimeDir());

    // True when this process now holds the lock (until the object is destroyed).
    bool acquire();
    QString lockFilePath() const { return path; }

    static QString runtimeDir();

private:
    QString path;
    QLockFile lock;
};
