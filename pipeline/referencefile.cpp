#include "pipeline/referencefile.h"

#include <QFile>
#include <QSaveFile>

#include <cmath>
#include <cstring>

namespace {

constexpr char kMagic[] = "ORVIK-REFERENCE 1";
constexpr qint64 kLargestHeader = 4096;

bool fail(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

} // namespace

bool ReferenceFile::save(const QString& path, QString* why) const
{
    if (width <= 0 || height <= 0 || celsius.size() != size_t(width) * height)
        return fail(why, QStringLiteral("no temperatures to keep"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(why, file.errorString());
    QByteArray header = QByteArray(kMagic) + '\n';
    QString name = camera;
    name.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    header += "camera=" + name.toUtf8() + '\n';
    header += "width=" + QByteArray::number(width) + '\n';
    header += "height=" + QByteArray::number(height) + '\n';
    header += QByteArray("range=") + (highRange ? "high" : "low") + '\n';
    header += "emissivity=" + QByteArray::number(double(emissivity), 'g', 6) + "\n\n";
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the matrix is written in host order");
    file.write(header);
    file.write(reinterpret_cast<const char*>(celsius.data()), qint64(celsius.size() * sizeof(float)));
    return file.commit() || fail(why, file.errorString());
}

bool ReferenceFile::load(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(why, file.errorString());
    const QByteArray head = file.peek(kLargestHeader);
    const int end = head.indexOf("\n\n");
    if (!head.startsWith(QByteArray(kMagic) + '\n'))
        return fail(why, QStringLiteral("not a reference of this program"));
    if (end < 0)
        return fail(why, QStringLiteral("the file ends inside its header"));
    ReferenceFile read;
    bool sizes = false, widthOk = false, heightOk = false, emissivityOk = false;
    for (const QByteArray& line : head.left(end).split('\n').mid(1)) {
        const int equals = line.indexOf('=');
        const QByteArray key = line.left(equals), value = line.mid(equals + 1);
        if (equals <= 0)
            return fail(why, QStringLiteral("a line without a value"));
        if (key == "camera")
            read.camera = QString::fromUtf8(value);
        else if (key == "width")
            read.width = value.toInt(&widthOk);
        else if (key == "height")
            read.height = value.toInt(&heightOk);
        else if (key == "range" && (value == "low" || value == "high"))
            read.highRange = value == "high";
        else if (key == "emissivity")
            read.emissivity = value.toFloat(&emissivityOk);
        else
            return fail(why, QStringLiteral("unknown line ") + QString::fromUtf8(key));
    }
    sizes = widthOk && heightOk && read.width > 0 && read.height > 0 && read.width <= kLargestSide &&
            read.height <= kLargestSide;
    if (!sizes || !emissivityOk || !(read.emissivity >= 0.01f && read.emissivity <= 1.0f))
        return fail(why, QStringLiteral("its size or emissivity is unusable"));
    const qint64 bytes = qint64(read.width) * read.height * qint64(sizeof(float));
    if (file.size() != end + 2 + bytes)
        return fail(why, QStringLiteral("the file is shorter or longer than its size says"));
    file.seek(end + 2);
    read.celsius.resize(size_t(read.width) * read.height);
    if (file.read(reinterpret_cast<char*>(read.celsius.data()), bytes) != bytes)
        return fail(why, file.errorString());
    for (const float t : read.celsius)
        if (!std::isfinite(t) || t < -273.15f || t > 5000.0f)
            return fail(why, QStringLiteral("it holds a temperature no board has"));
    *this = std::move(read);
    return true;
}
