// The files a snapshot leaves: the picture's size, the temperatures in the orientation shown,
// and nothing at all when the folder cannot take them.
#include "pipeline/frame.h"
#include "tests/support/csvrows.h"
#include "tools/snapshotfiles.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTransform>

#include <gtest/gtest.h>

#include <limits>

namespace {

std::vector<std::vector<double>> readCsv(const QString& path, QString* header = nullptr)
{
    std::vector<std::vector<double>> values;
    for (const QByteArrayList& row : csvRows(path, header)) {
        values.emplace_back();
        for (const QByteArray& field : row)
            values.back().push_back(field.toDouble());
    }
    return values;
}

Frame numberedFrame(int width, int height)
{
    Frame frame;
    frame.resize(width, height);
    for (int i = 0; i < frame.pixels(); ++i)
        frame.temperatures[size_t(i)] = 20.0f + float(i) * 0.25f;
    frame.maxTemp = frame.temperatures.back();
    frame.minTemp = frame.temperatures.front();
    return frame;
}

// The temperatures come out where the picture shows their pixels: the same frame drawn as an
// image and mirrored and turned as the view does it.
TEST(SnapshotTemperatures, FollowTheOrientationOfThePicture)
{
    QTemporaryDir dir;
    const Frame frame = numberedFrame(5, 3);
    QImage picture(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            picture.setPixel(x, y, qRgb(y * 5 + x, 0, 0)); // the pixel's number in red
    for (int rotation : {0, 90, 180, 270}) {
        for (bool mirrorH : {false, true}) {
            for (bool mirrorV : {false, true}) {
                const QString path = dir.filePath("t.csv");
                ASSERT_TRUE(snapshot::saveTemperatures(frame, rotation, mirrorH, mirrorV, "ID1", path));
                const QImage shown = picture.mirrored(mirrorH, mirrorV).transformed(QTransform().rotate(rotation));
                const auto rows = readCsv(path);
                ASSERT_EQ(int(rows.size()), shown.height()) << rotation;
                for (int y = 0; y < shown.height(); ++y) {
                    ASSERT_EQ(int(rows[size_t(y)].size()), shown.width());
                    for (int x = 0; x < shown.width(); ++x) {
                        const int number = qRed(shown.pixel(x, y));
                        EXPECT_DOUBLE_EQ(rows[size_t(y)][size_t(x)], 20.0 + number * 0.25)
                            << rotation << mirrorH << mirrorV << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(SnapshotTemperatures, HeaderNamesCameraSizeUnitAndExtremes)
{
    QTemporaryDir dir;
    Frame frame = numberedFrame(4, 2);
    frame.maxTemp = 81.256f;
    QString header;
    ASSERT_TRUE(snapshot::saveTemperatures(frame, 90, false, false, "071B1D1D7E", dir.filePath("h.csv")));
    readCsv(dir.filePath("h.csv"), &header);
    EXPECT_EQ(header, "# camera 071B1D1D7E, 2 x 4, unit degC, max 81.26, min 20.00");
}

// The picture whole at its size, the legend in a margin beside it: the palette from its hot
// end at the top to its cold end, and text.
TEST(SnapshotFiles, PictureSizeLegendBesideItAndNothingLeftWhenTheFolderIsGone)
{
    QTemporaryDir dir;
    QPixmap view(900, 500);
    view.fill(Qt::red);
    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i)
        palette[3 * i + 2] = uint8_t(i); // black to blue
    const snapshot::Legend legend{palette, 20.0f, 80.0f, "C", QDateTime::currentDateTime(), "071B1D1D7E", 0.95f};
    ASSERT_TRUE(snapshot::savePicture(view, false, legend, dir.filePath("a.jpg")));
    const QImage landscape(dir.filePath("a.jpg"));
    EXPECT_EQ(landscape.size(), QSize(640 + snapshot::kLegendWidth, 480));
    EXPECT_GT(landscape.pixelColor(630, 470).red(), 200) << "the picture reaches its corner";
    // The strip fills the margin's upper half below a line of text.
    const int stripX = 640 + 28;
    EXPECT_GT(landscape.pixelColor(stripX, 50).blue(), 200) << "hot at the top";
    EXPECT_LT(landscape.pixelColor(stripX, 250).blue(), 60) << "cold at the bottom";
    const auto textIn = [](const QImage& page, int x0) {
        int lit = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = x0 + 50; x < x0 + snapshot::kLegendWidth; ++x)
                lit += page.pixelColor(x, y).lightness() > 180;
        return lit;
    };
    const int text = textIn(landscape, 640);
    EXPECT_GT(text, 100) << "temperatures, time, camera and emissivity are written";
    // Colours of the AGC: the ends named as extremes, one more word; no temperatures: no numbers.
    snapshot::Legend agc = legend, none = legend;
    agc.linear = false;
    none.low = none.high = std::numeric_limits<float>::quiet_NaN();
    ASSERT_TRUE(snapshot::savePicture(view, false, agc, dir.filePath("agc.jpg")));
    ASSERT_TRUE(snapshot::savePicture(view, false, none, dir.filePath("none.jpg")));
    EXPECT_GT(textIn(QImage(dir.filePath("agc.jpg")), 640), text);
    EXPECT_LT(textIn(QImage(dir.filePath("none.jpg")), 640), text);
    ASSERT_TRUE(snapshot::savePicture(view, true, legend, dir.filePath("b.jpg")));
    EXPECT_EQ(QImage(dir.filePath("b.jpg")).size(), QSize(480 + snapshot::kLegendWidth, 640));

    EXPECT_FALSE(snapshot::savePicture(view, false, legend, dir.filePath("gone/c.jpg")));
    EXPECT_FALSE(snapshot::saveTemperatures(numberedFrame(2, 2), 0, false, false, "", dir.filePath("gone/c.csv")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4) << "no half files, no temporary files";
    EXPECT_EQ(snapshot::temperaturePath("/x/2026-12-07-10-00-00-123.jpg"), "/x/2026-12-07-10-00-00-123.csv");
}

} // namespace
