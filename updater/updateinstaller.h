#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Copies an unpacked update over an installation so that the installation is never left half
// replaced: every file is first copied into a staging folder, then swapped in one by one (each
// path always holds either the old or the new file), with the old file kept aside and every
// step written to a journal first. On a failure, or at the next run after a crash, the journal
// puts everything back.
class UpdateInstaller
{
public:
    using Log = std::function<void(const QString&)>;

    // source: the unpacked update; target: the installation; work: a folder of the updater's
    // own for the journal, staging and backup.
    UpdateInstaller(const QString& source, const QString& target, const QString& work, Log log);

    // Puts back what an interrupted earlier run left half done. False when something could not
    // be put back: the journal and backup stay for the next try.
    bool recover();
    // True when every file of the update is in place; false with the installation as before
    // (or, if even that failed, with the journal kept for recover()).
    bool install();

private:
    bool listFiles();
    bool stage();
    bool swapIn();
    bool record(const QString& entry);
    void clearWork();

    QString source, target, work, staging, backup, journal;
    Log log;
    QStringList files; // relative paths of the update's regular files
};
