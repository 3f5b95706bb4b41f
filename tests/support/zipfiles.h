#pragma once
// Zip archives for tests, with Unix permissions as packaging tools write them (the archive
// writer Qt ships stores every file as 0600).
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <private/qzipwriter_p.h>

#include <cstring>

// entries: path inside the archive and content; every file gets mode 0755.
inline QByteArray zipBytes(const QList<QPair<QString, QByteArray>>& entries)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QZipWriter zip(&buffer);
    for (const auto& [name, data] : entries)
        zip.addFile(name, data);
    zip.close();
    QByteArray bytes = buffer.data();
    // External attributes of each central directory header (offset 38): the mode in the high
    // half, as Unix zip tools write it.
    const quint32 mode = quint32(0100755) << 16;
    for (int at = bytes.indexOf("PK\x01\x02"); at >= 0; at = bytes.indexOf("PK\x01\x02", at + 4))
        for (int i = 0; i < 4; ++i)
            bytes[at + 38 + i] = char((mode >> (8 * i)) & 0xff);
    return bytes;
}

// Bytes no compressor shrinks, so an archive stores them as they are.
inline QByteArray noiseBytes(int count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    quint32 state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = char(state >> 24);
    }
    return bytes;
}

inline void writeZip(const QString& path, const QList<QPair<QString, QByteArray>>& entries)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(zipBytes(entries));
}
