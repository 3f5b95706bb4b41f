#pragma once

#include <QString>

#include <functional>

// Where the program keeps what it writes. Beside its executable when that folder can be
// written (a build folder, or a copy of the user's own): settings in "Config", logs in "log",
// the detection result in "detecProcess", calibration tables in "TemTable", snapshots and
// videos in "Picture" and "Video", the board registration's files in "PCB". Otherwise, and
// always for an installed copy (kInstalledMarker beside the executable, even when the superuser
// runs it), in the user's XDG folders: settings in $XDG_CONFIG_HOME/orvik, logs and the
// detection result in $XDG_STATE_HOME/orvik, calibration tables in $XDG_CACHE_HOME/orvik, the
// registration's files in $XDG_DATA_HOME/orvik/PCB, snapshots and videos in the home folder's
// Pictures/Orvik and Videos/Orvik.
struct StorageFolders
{
    // Put beside the executable by `cmake --install` (and so by the package): the program's
    // folder belongs to the package manager, which alone changes it.
    static constexpr const char* kInstalledMarker = "installed.txt";

    bool besideProgram = true;
    // An installed copy: it never writes into its own folder and never updates itself.
    bool installed = false;
    QString config, logs, detection, calibration, pictures, videos, registration;
    // The dual-light camera's alignment record as its serial link received it (a copy of what
    // the camera keeps: read again from the camera when it is lost).
    QString linkRecord;

    // Whether a file can be created in the folder (tried, not guessed from permission bits:
    // read-only mounts and access lists count too).
    using WritableTest = std::function<bool(const QString& folder)>;
    static bool canWrite(const QString& folder);

    // The folders for a program in appDir. The program folder counts as writable when it
    // and each of its data folders that already exists can be written, and it holds no
    // installation marker.
    static StorageFolders resolve(const QString& appDir, const WritableTest& writable = &canWrite);
    // One line for the log: where everything went.
    QString describe() const;
};
