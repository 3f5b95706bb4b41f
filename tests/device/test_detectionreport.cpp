#include "device/detectionreport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

TEST(DetectionReport, FollowsTheFileAndIgnoresOneThatIsTooLarge)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/NameConfig.ini";
    DetectionReport report(path);
    EXPECT_TRUE(report.current().cameraName.isEmpty()) << "no file";

    write(path, "productName=Orvik\ncameraName=Vesk_R_M\n");
    EXPECT_EQ(report.current().productName, "Orvik");
    EXPECT_EQ(report.current().cameraName, "Vesk_R_M");

    write(path, "");
    EXPECT_TRUE(report.current().cameraName.isEmpty()) << "emptied";

    // Ten megabytes of a name: no report is that large, and it is not parsed at all.
    write(path, "productName=Orvik\ncameraName=" + QByteArray(10 << 20, 'x') + "\n");
    EXPECT_TRUE(report.current().cameraName.isEmpty());
    write(path, "productName=Orvik\ncameraName=Lumo\n");
    EXPECT_EQ(report.current().cameraName, "Lumo");
}

} // namespace
