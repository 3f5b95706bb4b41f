#pragma once

#include <QString>

// One running copy per user session: an exclusive lock on the file "<name>.lock" in the
// runtime folder. The kernel releases the lock when its holder ends, however it ends, so a
// copy that died (even one whose process id is now someone else's) never blocks the next
// one, and a live copy always refuses a second. The file holds the holder's process id for
// people to read; nothing relies on it.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name, const QString& dir = runtimeDir());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this process now holds the lock (until the object is destroyed, which also
    // removes the file), and also when no lock can be taken at all (an unusable runtime
    // folder, logged); false only when another copy holds it.
    bool acquire();
    QString lockFilePath() const { return path; }

    static QString runtimeDir();

private:
    bool unavailable(const QString& what, int error) const;

    QString path;
    int descriptor = -1;
};
