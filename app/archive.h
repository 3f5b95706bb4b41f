#pragma once

#include <QString>

// Unpacks a zip archive into a folder. Every entry must land inside that folder: an entry
// with an absolute path or a ".." step is refused and logged, and so is a damaged archive.
// True only when the whole archive was unpacked.
bool extractArchive(const QString& archivePath, const QString& targetFolder);
