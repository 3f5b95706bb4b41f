#pragma once

#include <QString>

// Process helpers over /proc. A process is matched by the file name of its executable (not
// the kernel's 15-character command name), so long program names are found too.

bool processRunning(const QString& name);

// Ends every process of that name except the calling one at once (SIGKILL); returns how
// many were signalled.
int killProcess(const QString& name);

// Path of an external program shipped in dir; executables carry no suffix here.
QString programPath(const QString& dir, const QString& name);
