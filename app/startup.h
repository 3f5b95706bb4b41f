#pragma once

#include <QStringList>

// The file work of start-up, in the order main() runs it; every path lies below gAppDir.
namespace startup {

// gAppDir for the external updater, in /updataProcess/ProcessPath.ini.
void writeProcessPath();

// Unpacks /Driver.zip when the /Driver folder is missing; the archive is deleted only after
// a complete unpack.
void prepareDriverPackages();

// Whether there are driver packages to offer in the first-start dialog.
bool driverPackagesPresent();

// Removes a leftover unpacked update, unpacks a waiting update package and starts the
// updater. True when the updater took over: start-up then waits without a window.
bool handOverWaitingUpdate();

// Whether an update was tried and not installed: its package was damaged, or the updater put
// the old installation back and started it.
bool updateFailed();

// The product line the program serves: "Orvik", or the one named by --product <line> when
// the supported camera table has that line (the program is the same for every line; the
// line decides which cameras it connects). An unknown line is reported and ignored.
QString productLine(const QStringList& arguments);

} // namespace startup
