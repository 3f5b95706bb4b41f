#pragma once

#include <QString>

#include <functional>

// Where the program keeps what it writes. Beside its executable when that folder can be
// written (a build folder, or an installation of the user's own): settings in "Config", logs
// in "log", the detection result in "detecProcess", calibration tables in "TemTable",
// snapshots and videos in "Picture" and "Video". Otherwise in the user's XDG folders: settings
// in $XDG_CONFIG_HOME/orvik, logs and the detection result in $XDG_STATE_HOME/orvik,
// calibration tables in $XDG_CACHE_HOME/orvik, snapshots and videos in the home folder's
// Pictures/Orvik and Videos/Orvik.
struct StorageFolders
{
    bool besideProgram = true;
    QString config, logs, detection, calibration, pictures, videos;
    // The dual-light camera's alignment record as its serial link received it (a copy of what
    // the camera keeps: read again from the camera when it is lost).
    QString linkRecord;

    // Whether a file can be created in the folder (tried, not guessed from permission bits:
    // read-only mounts and access lists count too).
    using WritableTest = std::function<bool(const QString& folder)>;
    static bool canWrite(const QString& folder);

    // The folders for a program in appDir. The program folder counts as writable when it
    // and each of its data folders that already exists can be written.
    static StorageFolders resolve(const QString& appDir, const WritableTest& writable = &canWrite);
    // One line for the log: where everything went.
    QString describe() const;
};
