#pragma once

#include <QString>

#include <cstdint>

// What the settings dialog changes in the running program; the main window carries it out.
class settingfunc
{
public:
    virtual void setMouseTemp(bool show) = 0;
    virtual void setTempUnit(QString unit) = 0;
    virtual void setFixedTempRange(int min, int max) = 0;
    virtual void set3DLevel(int level) = 0;
    virtual void setStorageAndAlarm(QString imagePath, QString videoPath, QString soundName, int alarmSeconds) = 0;
    virtual void setFixParam(float emiss, float refltmp, float airtmp, float humi, float distance, float fix) = 0;
    virtual void getFixParam(float* emiss, float* refltmp, float* airtmp, float* humi, float* fix,
                             uint8_t* tauTable, float* distance) = 0;
    virtual void setImagePath(QString path) = 0;
    virtual void setVideoPath(QString path) = 0;

protected:
    ~settingfunc() = default; // never deleted through the interface
};
