#include <QFile>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

QByteArray readResource(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double luminance(const QByteArray& palette, int entry)
{
    const auto channel = [&](int c) { return double(quint8(palette[entry * 3 + c])); };
    return 0.2126 * channel(0) + 0.7152 * channel(1) + 0.0722 * channel(2);
}

TEST(Palettes, GrayRampIsExact)
{
    const QByteArray gray = readResource(":/RGB_Map_Data/lut_12.dat");
    ASSERT_EQ(gray.size(), 768);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(quint8(gray[i * 3]), i);
        EXPECT_EQ(quint8(gray[i * 3 + 1]), i);
        EXPECT_EQ(quint8(gray[i * 3 + 2]), i);
    }
}

// A colour scale must read cold to hot: brightness never falls along any palette.
TEST(Palettes, EveryPaletteRisesFromDarkToBright)
{
    for (const char* name : {"lut_1", "lut_2", "lut_3", "lut_4", "lut_5", "lut_12"}) {
        const QByteArray palette = readResource(QStringLiteral(":/RGB_Map_Data/%1.dat").arg(name));
        ASSERT_EQ(palette.size(), 768) << name;
        for (int i = 1; i < 256; ++i)
            ASSERT_GE(luminance(palette, i) + 0.5, luminance(palette, i - 1)) << name << " entry " << i;
        EXPECT_LT(luminance(palette, 0), 40) << name;
        EXPECT_GT(luminance(palette, 255), 180) << name;
    }
}

TEST(Palettes, EndsFollowTheirColourRamps)
{
    const QByteArray iron = readResource(":/RGB_Map_Data/lut_1.dat");
    EXPECT_EQ(iron.left(3), QByteArray(3, '\0'));
    EXPECT_EQ(iron.right(3), QByteArray(3, '\xff'));
    // Somewhere in the middle it is red, later orange.
    const auto rgb = [&](int i) { return std::tuple(quint8(iron[i * 3]), quint8(iron[i * 3 + 1]), quint8(iron[i * 3 + 2])); };
    const auto [r1, g1, b1] = rgb(96);
    EXPECT_GT(r1, 150);
    EXPECT_LT(g1, 40);
    const auto [r2, g2, b2] = rgb(200);
    EXPECT_EQ(r2, 255);
    EXPECT_GT(g2, 100);
    EXPECT_LT(b2, 60);
}

TEST(Translations, AllThreeLanguagesAreCompiledIn)
{
    for (const char* name : {"lang_Chinese", "lang_English", "lang_Espana"}) {
        QTranslator translator;
        EXPECT_TRUE(translator.load(QStringLiteral(":language/%1.qm").arg(name))) << name;
    }
}

} // namespace
