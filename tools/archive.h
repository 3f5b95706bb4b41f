#pragma once

#include <QString>

class QIODevice;

// Unpacks a zip archive into a folder. Every entry must land inside that folder: an entry
// with an absolute path or a ".." step is refused and logged, and so is a damaged archive.
// True only when the whole archive was unpacked.
bool extractArchive(const QString& archivePath, const QString& targetFolder);

// Whether every entry of the archive could be unpacked whole: readable, inside the target, no
// link, content matching its CRC-32. why: the first problem found.
bool archiveIntact(QIODevice* archive, QString* why);
