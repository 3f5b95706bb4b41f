// What the settings dialog changes in the running main window.
#include "app/orvik.h"

#include "tools/settingdialog.h"
#include "view/hot3dwidget.h"
#include "view/thermometer.h"
#include "view/verrangerslider.h"
#include "view/viewport.h"

// The device manager's copies follow, for what it announces later (the unit of a new range).
void Orvik::on_setting_clicked()
{
    // A new dialog at every opening shows the stored values afresh.
    settingDialog dialog(this, this);
    dialog.exec();
}

void Orvik::setMouseTemp(bool show)
{
    mouseTempOff = !show;
    deviceManager->setMouseTemp(mouseTempOff);
    ui.viewport->setShowMouseTemperature(show);
}

void Orvik::setTempUnit(QString unit)
{
    deviceManager->setTempUnitValue(unit);
    changeTempUnit(unit);
}

void Orvik::setFixedTempRange(int min, int max)
{
    ui.tempRange->setQuickFindRange(min, max);
    ui.thermoMeter->setQuickFindRange(min, max);
}

void Orvik::set3DLevel(int level)
{
    deviceManager->setThreeDLevel(level);
    ui.widget3D->setSmoothing(level);
}

void Orvik::setStorageAndAlarm(QString image, QString video, QString soundName, int alarmSeconds)
{
    imagePath = image;
    videoPath = video;
    warningSoundName = soundName;
    alarmLoops = alarmSeconds;
    deviceManager->setImagePath(image);
    deviceManager->setVideoPath(video);
    deviceManager->setWarningSoundName(soundName);
    deviceManager->setSoundIntervalSeconds(alarmSeconds);
}

void Orvik::setFixParam(float emiss, float refltmp, float airtmp, float humi, float distance, float fix)
{
    deviceManager->updateSensorParameters(emiss, refltmp, airtmp, humi, distance, fix);
}

void Orvik::getFixParam(float* emiss, float* refltmp, float* airtmp, float* humi, float* fix, uint8_t* tauTable,
                        float* distance)
{
    deviceManager->readSensorParameters(*emiss, *refltmp, *airtmp, *humi, *fix, tauTable, *distance);
}

void Orvik::setImagePath(QString path)
{
    imagePath = path;
    showNewestSnapshot();
}

void Orvik::setVideoPath(QString path)
{
    videoPath = path;
    showNewestVideo();
}
