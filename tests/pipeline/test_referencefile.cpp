// Reference files of a known-good board: what is saved comes back, and a file whose lines,
// size or values do not hold together is refused with its reason, never half read.
#include "pipeline/referencefile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

ReferenceFile board()
{
    ReferenceFile r;
    r.camera = QStringLiteral("0C1B\nE127C");
    r.width = 4;
    r.height = 3;
    r.highRange = true;
    r.emissivity = 0.95f;
    for (int i = 0; i < 12; ++i)
        r.celsius.push_back(25.0f + 0.5f * i);
    return r;
}

QByteArray header(const QByteArray& lines)
{
    return "ORVIK-REFERENCE 1\n" + lines + "\n";
}

QByteArray matrix(int values, float value = 30.0f)
{
    QByteArray bytes(values * 4, '\0');
    for (int i = 0; i < values; ++i)
        std::memcpy(bytes.data() + 4 * i, &value, 4);
    return bytes;
}

TEST(ReferenceFile, WhatIsSavedComesBack)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/good.ovref";
    const ReferenceFile saved = board();
    QString why;
    ASSERT_TRUE(saved.save(path, &why)) << why.toStdString();
    ReferenceFile read;
    ASSERT_TRUE(read.load(path, &why)) << why.toStdString();
    EXPECT_EQ(read.camera, "0C1BE127C") << "a line break cannot split the header";
    EXPECT_EQ(read.width, 4);
    EXPECT_EQ(read.height, 3);
    EXPECT_TRUE(read.highRange);
    EXPECT_FLOAT_EQ(read.emissivity, 0.95f);
    EXPECT_EQ(read.celsius, saved.celsius);
}

TEST(ReferenceFile, UnsoundFilesAreRefusedAndNothingIsTaken)
{
    const QByteArray sound = "camera=A\nwidth=2\nheight=2\nrange=low\nemissivity=1\n";
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"another format", "P6\n2 2\n255\n" + matrix(4)},
        {"a header without its end", "ORVIK-REFERENCE 1\ncamera=A\nwidth=2"},
        {"an unknown line", header(sound + "colour=red\n") + matrix(4)},
        {"a line without a value", header(sound + "width\n") + matrix(4)},
        {"no width", header("camera=A\nheight=2\nrange=low\nemissivity=1\n") + matrix(4)},
        {"a width of 0", header("camera=A\nwidth=0\nheight=2\nrange=low\nemissivity=1\n")},
        {"a side beyond the largest", header("camera=A\nwidth=5000\nheight=2\nrange=low\nemissivity=1\n") + matrix(10000)},
        {"an emissivity of 0", header("camera=A\nwidth=2\nheight=2\nrange=low\nemissivity=0\n") + matrix(4)},
        {"a matrix four bytes short", header(sound) + matrix(4).chopped(4)},
        {"a matrix with a value more", header(sound) + matrix(5)},
        {"a temperature that is no number", header(sound) + matrix(4, std::nanf(""))},
        {"a temperature below absolute zero", header(sound) + matrix(4, -300.0f)},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.path() + "/bad.ovref";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.bytes);
        file.close();
        ReferenceFile read = board();
        QString why;
        EXPECT_FALSE(read.load(path, &why)) << c.name;
        EXPECT_FALSE(why.isEmpty()) << c.name;
        EXPECT_EQ(read.celsius, board().celsius) << c.name << ": a refused file leaves what was there";
    }
}

} // namespace
