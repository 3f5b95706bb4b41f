// The settings dialog against a recorder of what it hands the program: what it shows at
// opening, what Apply stores and sends, and what it refuses.
#include "core/configmanager.h"
#include "tests/support/appdirenvironment.h"
#include "tools/settingdialog.h"
#include "tools/settingfunc.h"

#include <QApplication>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const auto* environment = AppDirEnvironment::install();

struct Recorder : settingfunc
{
    QStringList calls;
    struct Values
    {
        float emiss, refltmp, airtmp, humi, distance, fix;
    };
    Values camera{1.0f, 25.0f, 25.0f, 0.5f, 0.25f, 0.0f}; // what getFixParam reports: in use
    Values sent{};

    void setMouseTemp(bool show) override { calls << QStringLiteral("setMouseTemp %1").arg(show); }
    void setTempUnit(QString unit) override { calls << "setTempUnit " + unit; }
    void setFixedTempRange(int min, int max) override { calls << QStringLiteral("setFixedTempRange %1 %2").arg(min).arg(max); }
    void set3DLevel(int level) override { calls << QStringLiteral("set3DLevel %1").arg(level); }
    void setStorageAndAlarm(QString, QString, QString sound, int seconds) override
    {
        calls << QStringLiteral("setStorageAndAlarm %1 %2").arg(sound).arg(seconds);
    }
    void setFixParam(float emiss, float refltmp, float airtmp, float humi, float distance, float fix) override
    {
        calls << "setFixParam";
        sent = {emiss, refltmp, airtmp, humi, distance, fix};
    }
    void getFixParam(float* emiss, float* refltmp, float* airtmp, float* humi, float* fix, uint8_t*, float* distance) override
    {
        *emiss = camera.emiss, *refltmp = camera.refltmp, *airtmp = camera.airtmp;
        *humi = camera.humi, *fix = camera.fix, *distance = camera.distance;
    }
    void setImagePath(QString path) override { calls << "setImagePath " + path; }
    void setVideoPath(QString path) override { calls << "setVideoPath " + path; }
};

QVariant stored(const QString& key)
{
    return QSettings(gAppDir + "/Config/LocalSetting.ini", QSettings::IniFormat).value(key);
}

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(gAppDir + "/Config/LocalSetting.ini");
        QFile::remove(gAppDir + "/Config/PathConfig.ini");
        gProductName = QStringLiteral("Orvik");
    }
    void TearDown() override { gProductName = QStringLiteral("Orvik"); }
    template <class T> T* find(settingDialog& dialog, const char* name) { return dialog.findChild<T*>(QLatin1String(name)); }
    void click(settingDialog& dialog, const char* name) { QTest::mouseClick(find<QPushButton>(dialog, name), Qt::LeftButton); }
    Recorder recorder;
};

TEST_F(Settings, FahrenheitLabelsForTheQuickCheckRangeWhileCelsiusIsKept)
{
    ConfigManager::getInstance()->setLowFixedTemp(93, -10);
    settingDialog dialog(nullptr, &recorder);
    EXPECT_EQ(find<QLabel>(dialog, "tempMin")->text(), "-10");
    EXPECT_EQ(find<QLabel>(dialog, "tempMax")->text(), "93");
    click(dialog, "tempUnitF");
    EXPECT_EQ(find<QLabel>(dialog, "tempMin")->text(), "14");
    EXPECT_EQ(find<QLabel>(dialog, "tempMax")->text(), "199");
    click(dialog, "tempUnitC");
    EXPECT_EQ(find<QLabel>(dialog, "tempMin")->text(), "-10");
    click(dialog, "tempUnitF");
    click(dialog, "apply");
    EXPECT_EQ(stored("Temperature/LFixedTempMin").toInt(), -10) << "stored in degC";
    EXPECT_TRUE(recorder.calls.contains("setFixedTempRange -10 93"));
    EXPECT_TRUE(recorder.calls.contains("setTempUnit F"));
}

TEST_F(Settings, StoredSwitchesOpenAsTheyAreAndApplyHandsThemOnInOrder)
{
    ConfigManager::getInstance()->setEquipmentValue("MouseTemp", true);
    settingDialog dialog(nullptr, &recorder);
    EXPECT_TRUE(find<QPushButton>(dialog, "mouseTempOff")->isChecked());
    recorder.calls.clear();
    click(dialog, "apply");
    ASSERT_GE(recorder.calls.size(), 5);
    EXPECT_EQ(recorder.calls[0], "setMouseTemp 0");
    EXPECT_EQ(recorder.calls[1], "setTempUnit C");
    EXPECT_EQ(recorder.calls[2], "set3DLevel 4");
    EXPECT_EQ(recorder.calls[3], "setStorageAndAlarm 01-Chime.wav 5");
    EXPECT_TRUE(recorder.calls[4].startsWith("setFixedTempRange"));
}

// What is typed stays as typed; a text that is no number of the field's domain is framed red,
// says why in its tooltip, and nothing of the dialog is stored or sent.
TEST_F(Settings, FieldsStoreOnlyWholeNumbersOfTheirDomain)
{
    settingDialog dialog(nullptr, &recorder);
    auto* duration = find<QLineEdit>(dialog, "alarmDuration");
    auto* distance = find<QLineEdit>(dialog, "distance");
    const QVariant before = stored("Setting/SoundIntervalSeconds"), distanceBefore = stored("Setting/distan");
    for (const char* text : {"123a", "", "100", "2.5"}) {
        duration->setText(text);
        recorder.calls.clear();
        click(dialog, "apply");
        EXPECT_EQ(duration->text(), text) << "kept as typed";
        EXPECT_TRUE(duration->property("invalid").toBool()) << text;
        EXPECT_FALSE(duration->toolTip().isEmpty());
        EXPECT_TRUE(recorder.calls.isEmpty()) << text << ": nothing sent";
        EXPECT_EQ(stored("Setting/SoundIntervalSeconds"), before) << text << ": nothing stored";
    }
    duration->setText("12");
    QTest::keyClicks(distance, "x");
    EXPECT_TRUE(distance->text().endsWith('x')) << "letters are taken, and refused";
    click(dialog, "apply");
    EXPECT_EQ(stored("Setting/SoundIntervalSeconds"), before);
    distance->setText("1,000");
    click(dialog, "apply");
    EXPECT_EQ(stored("Setting/distan"), distanceBefore) << "a thousands separator is no number here";
    distance->setText("0,5");
    click(dialog, "apply");
    EXPECT_EQ(stored("Setting/SoundIntervalSeconds").toString(), "12");
    EXPECT_DOUBLE_EQ(stored("Setting/distan").toDouble(), 0.5) << "a decimal comma is read";
    EXPECT_FALSE(duration->property("invalid").toBool());
}

TEST_F(Settings, AFolderChosenThenCancelledReachesTheProgramButNotTheFile)
{
    QTemporaryDir chosen;
    const QString before = ConfigManager::getInstance()->getPathOrDefault("ImagePath");
    {
        settingDialog dialog(nullptr, &recorder);
        QTimer::singleShot(0, [&] {
            if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                chooser->setDirectory(chosen.path());
                chooser->selectFile(chosen.path());
                QMetaObject::invokeMethod(chooser, "accept");
            }
        });
        click(dialog, "imgLocation");
        EXPECT_TRUE(recorder.calls.contains("setImagePath " + chosen.path())) << recorder.calls.join('|').toStdString();
        click(dialog, "cancel");
    }
    EXPECT_EQ(ConfigManager::getInstance()->getPathOrDefault("ImagePath"), before);
    settingDialog again(nullptr, &recorder);
    EXPECT_EQ(find<QLineEdit>(again, "imgPosInput")->text(), before);
}

TEST_F(Settings, DraggingKeepsTheTitleOnTheScreen)
{
    settingDialog dialog(nullptr, &recorder);
    dialog.show();
    const QRect screen = dialog.screen()->availableGeometry();
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(200, 10));
    QMouseEvent far(QEvent::MouseMove, QPoint(200, 10), screen.bottomRight() + QPoint(3000, 3000), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &far);
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_TRUE(screen.intersects(QRect(dialog.pos(), QSize(dialog.width(), 30))));
    EXPECT_LE(dialog.pos().y(), screen.bottom() - 30);
}

// Every product line's cameras apply the correction; it is sent when it differs from what the
// temperatures are computed with.
TEST_F(Settings, CorrectionIsSentOnlyWhenItDiffersFromWhatIsInUseAndNeverWhenUnusable)
{
    ConfigManager::getInstance()->setSettingValue("emiss", "0.9");
    recorder.camera.emiss = 0.9f;
    settingDialog dialog(nullptr, &recorder);
    EXPECT_TRUE(find<QFrame>(dialog, "frame")->isVisibleTo(&dialog));
    auto* emission = find<QLineEdit>(dialog, "emission");
    EXPECT_EQ(emission->text(), "0.90");
    click(dialog, "defaultParam");
    EXPECT_EQ(emission->text(), "1.00");
    EXPECT_EQ(stored("Setting/emiss").toString(), "0.9") << "restoring changes nothing before Apply";

    emission->setText("0.98");
    recorder.camera = {0.98f, 21.0f, 23.0f, 0.5f, 0.25f, 0.0f};
    find<QLineEdit>(dialog, "reflect")->setText("21.0");
    find<QLineEdit>(dialog, "environment")->setText("23.0");
    click(dialog, "apply"); // all six equal what the camera reports
    EXPECT_EQ(stored("Setting/emiss").toString(), "0.98");
    EXPECT_FALSE(recorder.calls.contains("setFixParam"));

    emission->setText("0.80");
    click(dialog, "apply");
    ASSERT_TRUE(recorder.calls.contains("setFixParam"));
    EXPECT_FLOAT_EQ(recorder.sent.emiss, 0.80f);
    EXPECT_FLOAT_EQ(recorder.sent.refltmp, 21.0f);
    EXPECT_FLOAT_EQ(recorder.sent.airtmp, 23.0f);
    EXPECT_FLOAT_EQ(recorder.sent.distance, 0.25f);

    // Values no surface has: neither stored nor sent.
    recorder.calls.clear();
    for (const char* text : {"0", "1.5", "", "0,9,5", "0.9x"}) {
        emission->setText(text);
        click(dialog, "apply");
        EXPECT_FALSE(recorder.calls.contains("setFixParam")) << text;
        EXPECT_EQ(stored("Setting/emiss").toString(), "0.8") << text;
    }
    // OK with a refused value keeps the dialog open on it.
    dialog.show();
    click(dialog, "OK");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(Settings, StoredCorrectionsShowAsStoredAndAreNotChangedByOk)
{
    ConfigManager::getInstance()->setSettingValue("emiss", "0.955");
    recorder.camera.emiss = 0.955f;
    settingDialog dialog(nullptr, &recorder);
    EXPECT_EQ(dialog.findChild<QLineEdit*>("emission")->text(), "0.955") << "not rounded to two decimals";
    click(dialog, "OK");
    EXPECT_EQ(stored("Setting/emiss").toString(), "0.955");
    EXPECT_FALSE(recorder.calls.contains("setFixParam"));
}

} // namespace
