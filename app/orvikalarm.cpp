// The temperature alarm: a sound once per arming and a red frame blinking around the image
// while the hottest pixel is above the threshold.
#include "app/orvik.h"

#include "core/configmanager.h"
#include "core/log.h"
#include "tools/numberfield.h"
#include "view/viewport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>

void Orvik::toggleAlarm()
{
    // It can be switched off without a camera, but only switched on with one.
    if (connected || alarmOn) {
        alarmOn = !alarmOn;
        deviceManager->setHighTempAlarm(alarmOn);
        if (alarmOn) {
            armAlarm();
        } else {
            alarmSoundTimer->stop();
            flickerTimer->stop();
            alarmPlayer.stop();
            showAlarmFrame(false);
        }
    }
    ui.tempAlarm->setChecked(alarmOn);
}

void Orvik::armAlarm()
{
    alarmSoundTimer->start(1000);
    flickerTimer->start(1000);
    ui.tempAlarm->setChecked(true);
}

// Up to two decimals, at least one: 50.0, 61.25, 122.0.
QString Orvik::thresholdText(double value)
{
    QString text = QString::number(value, 'f', 2);
    if (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

// The thresholds the settings can keep, in the unit shown; typed with a point or a comma.
numberfield::Domain Orvik::thresholdDomain() const
{
    const bool fahrenheit = thresholdUnit == QLatin1String("F");
    const auto shown = [fahrenheit](float c) { return fahrenheit ? c * 1.8 + 32.0 : double(c); };
    return {shown(kLowestThreshold), shown(kHighestThreshold)};
}

bool Orvik::alarmThreshold(float& celsius) const
{
    double value = 0.0;
    if (!numberfield::read(ui.tempAlarmValue->text(), thresholdDomain(), value))
        return false;
    celsius = float(thresholdUnit == QLatin1String("F") ? (value - 32.0) / 1.8 : value);
    return true;
}

bool Orvik::alarmPaused() const
{
    // While the threshold is being typed, nothing reacts to half a number.
    return !connected || ui.tempAlarmValue->hasFocus();
}

void Orvik::alarmSound()
{
    float threshold = 0.0f;
    // A threshold that is no number raises no alarm: read as 0 it would sound at any warmth.
    // A tick already queued when the sound was started or the alarm switched off is late.
    if (!alarmSoundTimer->isActive() || alarmPaused() || !alarmThreshold(threshold))
        return;
    if (currentMax != ViewPort::kNoFrame && currentMax > threshold) {
        alarmPlayer.play(warningSoundName, alarmLoops);
        alarmSoundTimer->stop(); // once per arming
    }
}

void Orvik::screenFlicker()
{
    if (!flickerTimer->isActive() || alarmPaused())
        return;
    float threshold = 0.0f;
    if (!alarmThreshold(threshold)) {
        showAlarmFrame(false);
        return;
    }
    if (currentMax != ViewPort::kNoFrame && currentMax > threshold)
        showAlarmFrame(++flickerCount % 2 == 0);
    else if (threshold > currentMax)
        showAlarmFrame(false);
}

void Orvik::showAlarmFrame(bool red)
{
    // The quiet frame keeps the red one's width: the image must not jump 3 pixels every
    // second under the user's pointer while the alarm blinks.
    ui.stackedWidget->setStyleSheet(
        red ? QStringLiteral("QStackedWidget#stackedWidget{border-color: rgb(255, 0, 0);border-width: 3px;"
                             "border-style: solid;}")
            : QStringLiteral("QStackedWidget#stackedWidget{border: 3px solid transparent;}"));
}

void Orvik::showThresholdIn(const QString& unit)
{
    const QString letter = unit == QLatin1String("F") ? QStringLiteral("F") : QStringLiteral("C");
    float celsius = 0.0f;
    const bool usable = alarmThreshold(celsius);
    thresholdUnit = letter;
    ui.label_temp->setText(QStringLiteral("°") + letter);
    if (!usable) {
        markThreshold(); // its domain is in the new unit now
        return;
    }
    ui.tempAlarmValue->setText(thresholdText(letter == QLatin1String("F") ? double(celsius) * 1.8 + 32.0 : double(celsius)));
}

void Orvik::markThreshold()
{
    const numberfield::Domain domain = thresholdDomain();
    numberfield::mark(ui.tempAlarmValue, domain,
                      tr("请输入 %1 到 %2 之间的温度").arg(domain.low).arg(domain.high) + QStringLiteral(" °") + thresholdUnit);
}

void Orvik::finishThresholdEditing()
{
    // Enter ends the typing as a click elsewhere does: the alarm watches again.
    if (ui.tempAlarmValue->hasFocus()) {
        ui.tempAlarmValue->clearFocus();
        setFocus();
    }
    float threshold = 0.0f;
    if (!alarmThreshold(threshold))
        return;
    // Kept at once, in degC and in the form its reader takes, for the next start.
    const QString text = thresholdText(threshold);
    deviceManager->setHighTempThreshold(text);
    ConfigManager::getInstance()->setSettingValue(QStringLiteral("HighTempThreshold"), text);
}
