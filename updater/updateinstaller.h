#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Copies an unpacked update over an installation so that the installation is never left half
// replaced: every file is first copied into a staging folder, then swapped in one by one with
// the old file kept aside, and on any failure the files already swapped are put back.
class UpdateInstaller
{
public:
    using Log = std::function<void(const QString&)>;

    // source: the unpacked update; target: the installation; work: a folder of the updater's
    // own for staging and backup (emptied first, removed afterwards).
    UpdateInstaller(const QString& source, const QString& target, const QString& work, Log log);

    // True when every file of the update is in place; false with the installation as before.
    bool install();

private:
    bool listFiles();
    bool stage();
    bool swapIn();
    void rollBack();

    QString source, target, staging, backup;
    Log log;
    QStringList files;   // relative paths of the update's regular files
    QStringList swapped; // files already in place
    QStringList backedUp; // of those, the ones that replaced an old file
};
