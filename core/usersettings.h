#pragma once
#include <QString>

// The user's choices the program keeps while it runs, with plain names. ConfigManager alone
// knows the keys they are stored under (some of which say the opposite of what they hold).
struct UserSettings
{
    QString temperatureUnit = QStringLiteral("C"); // "C" or "F"
    QString snapshotFolder, videoFolder;
    QString alarmSound;          // a file name among the alarm sounds
    int alarmRepeatSeconds = 5;  // 0: once
    QString alarmThreshold = QStringLiteral("50.0"); // degC, as the user typed it
    bool alarmOn = false;
    bool mouseReadoutOff = false;
    int heatFieldLevel = 4;
    bool trackHottest = false, trackColdest = false;
    bool highRange = false;      // the high-temperature measuring range
};
