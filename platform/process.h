#pragma once

#include <QString>

// Process id of this process's parent (changes when the parent ends and the process is
// taken over by another).
qint64 parentProcessId();

// Whether a process with that id exists (it may belong to another user).
bool processAlive(qint64 pid);

// Asks the process to end (as a logout does), or ends it at once when force is set. False for
// no such process, or an id no process may be sent to (0, 1, negative).
bool endProcess(qint64 pid, bool force);

// When the process started, in clock ticks since boot (0 when it cannot be known): with the
// id it tells one process from a later one that got the same id.
qint64 processStartTime(qint64 pid);

// Path of an external program shipped in dir; executables carry no suffix here.
QString programPath(const QString& dir, const QString& name);
