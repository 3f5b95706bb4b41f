#include "tools/snapshotfiles.h"

#include "core/log.h"
#include "pipeline/frame.h"

#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

bool commit(QSaveFile& file, const QString& path)
{
    if (file.commit())
        return true;
    LOG_ERROR(LOG_ORVIK) << "cannot save" << path << ":" << file.errorString();
    return false;
}

// Frame pixel shown at (x, y) of the turned picture, for a frame of width w and height h.
struct Orientation
{
    int rotation;
    bool mirrorH, mirrorV;
    int w, h;

    int shownWidth() const { return rotation == 90 || rotation == 270 ? h : w; }
    int shownHeight() const { return rotation == 90 || rotation == 270 ? w : h; }
    size_t source(int x, int y) const
    {
        int mx = x, my = y; // in the mirrored, unturned picture
        switch (rotation) {
        case 90:
            mx = y;
            my = h - 1 - x;
            break;
        case 180:
            mx = w - 1 - x;
            my = h - 1 - y;
            break;
        case 270:
            mx = w - 1 - y;
            my = x;
            break;
        default:
            break;
        }
        const int sx = mirrorH ? w - 1 - mx : mx, sy = mirrorV ? h - 1 - my : my;
        return size_t(sy) * size_t(w) + size_t(sx);
    }
};

QString degrees(float celsius, const QString& unitLetter)
{
    const double value = unitLetter == QLatin1String("F") ? celsius * 1.8 + 32.0 : double(celsius);
    return QString::number(value, 'f', 1) + QStringLiteral("°") + unitLetter;
}

// The palette as a strip with its two temperatures, then the time, the camera and the
// emissivity, in the margin beside the picture.
void drawLegend(QPainter& painter, const QRect& margin, const snapshot::Legend& legend)
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const int lineHeight = painter.fontMetrics().height();
    const QRect strip(margin.left() + 16, margin.top() + 12 + lineHeight, 24, margin.height() / 2);
    if (legend.palette) {
        for (int y = 0; y < strip.height(); ++y) {
            const int index = 255 - y * 255 / std::max(strip.height() - 1, 1); // hot at the top
            const uint8_t* c = legend.palette + 3 * index;
            painter.fillRect(QRect(strip.left(), strip.top() + y, strip.width(), 1), QColor(c[0], c[1], c[2]));
        }
    }
    painter.drawRect(strip.adjusted(0, 0, -1, -1));
    // Under the AGC the colours between the ends follow the picture's histogram, not a scale:
    // the ends are named as the extremes they are.
    const bool known = std::isfinite(legend.low) && std::isfinite(legend.high);
    const QString highPrefix = legend.linear ? QString() : QStringLiteral("max "),
                  lowPrefix = legend.linear ? QString() : QStringLiteral("min ");
    if (known) {
        painter.drawText(QPoint(strip.left(), strip.top() - 4), highPrefix + degrees(legend.high, legend.unitLetter));
        painter.drawText(QPoint(strip.left(), strip.bottom() + lineHeight),
                         lowPrefix + degrees(legend.low, legend.unitLetter));
    }
    QStringList lines{legend.taken.toString(QStringLiteral("yyyy-MM-dd")),
                      legend.taken.toString(QStringLiteral("HH:mm:ss")), QStringLiteral("ID ") + legend.cameraId,
                      QStringLiteral("ε ") + QString::number(double(legend.emissivity), 'f', 2)};
    if (known && !legend.linear)
        lines.append(QStringLiteral("AGC"));
    int y = strip.bottom() + 3 * lineHeight;
    for (const QString& line : lines) {
        painter.drawText(QRect(margin.left() + 8, y - lineHeight, margin.width() - 12, lineHeight), Qt::AlignLeft, line);
        y += lineHeight + 2;
    }
}

} // namespace

namespace snapshot {

bool savePicture(const QPixmap& view, bool portrait, const Legend& legend, const QString& path)
{
    const QSize size = portrait ? QSize(480, 640) : QSize(640, 480);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        LOG_ERROR(LOG_ORVIK) << "cannot save" << path << ":" << file.errorString();
        return false;
    }
    QImage page(size.width() + kLegendWidth, size.height(), QImage::Format_RGB32);
    page.fill(QColor(20, 24, 28));
    {
        QPainter painter(&page);
        painter.drawPixmap(0, 0, view.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        drawLegend(painter, QRect(size.width(), 0, kLegendWidth, size.height()), legend);
    }
    if (!page.save(&file, "JPG", 92)) {
        file.cancelWriting();
        LOG_ERROR(LOG_ORVIK) << "cannot encode the snapshot" << path;
        return false;
    }
    return commit(file, path);
}

bool saveTemperatures(const Frame& frame, int rotation, bool mirrorH, bool mirrorV, const QString& cameraId,
                      const QString& path, const char* unit)
{
    if (!frame.hasTemperatures())
        return false;
    const Orientation o{rotation, mirrorH, mirrorV, frame.width, frame.height};
    QByteArray text;
    text.reserve(frame.pixels() * 8 + 128);
    char field[32];
    std::snprintf(field, sizeof field, "%.2f", double(frame.maxTemp));
    const QByteArray maximum(field);
    std::snprintf(field, sizeof field, "%.2f", double(frame.minTemp));
    text += "# camera " + cameraId.toUtf8() + ", " + QByteArray::number(o.shownWidth()) + " x " +
            QByteArray::number(o.shownHeight()) + ", unit " + unit + ", max " + maximum + ", min " + QByteArray(field) + '\n';
    for (int y = 0; y < o.shownHeight(); ++y) {
        for (int x = 0; x < o.shownWidth(); ++x) {
            const int n = std::snprintf(field, sizeof field, x ? ",%.2f" : "%.2f", double(frame.temperatures[o.source(x, y)]));
            text.append(field, n);
        }
        text += '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
        LOG_ERROR(LOG_ORVIK) << "cannot save" << path << ":" << file.errorString();
        file.cancelWriting();
        return false;
    }
    return commit(file, path);
}

QString temperaturePath(const QString& picturePath)
{
    const QFileInfo info(picturePath);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".csv");
}

} // namespace snapshot
