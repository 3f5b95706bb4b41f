#pragma once

#include <QDialog>
#include <QPoint>

#include <cstdint>

class HorRangerSlider;
class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class settingfunc;

// The settings centre: display, memory, alarm, quick-find range, folders and (for the
// dual-light product) the sensor correction. Shows the stored values at every opening; Apply
// stores them and hands each change to the running program through settingfunc.
class settingDialog : public QDialog
{
    Q_OBJECT

public:
    settingDialog(QWidget* parent, settingfunc* func);
    ~settingDialog() override;

    // The quick-find range (degC), shown in the chosen unit.
    void showTempRange(int min, int max);

    // State, for tests.
    int rangeMinimum() const { return rangeMin; }
    int rangeMaximum() const { return rangeMax; }

private slots:
    void on_close_clicked();
    void on_OK_clicked();
    void on_cancel_clicked();
    void on_apply_clicked();
    void on_mouseTempOn_clicked() { mouseTempOff = false; }
    void on_mouseTempOff_clicked() { mouseTempOff = true; }
    void on_saveWinPosOn_clicked() { saveWinPosOff = false; }
    void on_saveWinPosOff_clicked() { saveWinPosOff = true; }
    void on_tempUnitC_clicked();
    void on_tempUnitF_clicked();
    void on_saveRotateOn_clicked() { saveRotateOff = false; }
    void on_saveRotateOff_clicked() { saveRotateOff = true; }
    void on_imgLocation_clicked();
    void on_videoLocation_clicked();
    void on_defaultParam_clicked();

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildForm();
    void retranslate();
    void Initini();
    void InitSensorFixParam();
    void InitFixParam();
    bool applyAll();        // false when a correction value was refused
    void applyCorrection(); // the sensor correction's six values
    QString rangeHint(double low, double high) const;
    bool durationValid();
    // Every numeric field holds a number of its domain; otherwise they say so.
    bool fieldsValid();
    QString chooseFolder(const QString& current) const;

    settingfunc* func;
    bool dragging = false;
    QPoint pressPos;
    bool mouseTempOff = false;
    QString tempUnit = QStringLiteral("C");
    bool saveWinPosOff = false;
    bool saveRotateOff = false;
    int rangeMin = 0, rangeMax = 150;
    uint8_t tauTable[7168] = {};
    float emiss = 0.98f, refltmp = 25.0f, airtmp = 25.0f, humi = 0.50f, distan = 0.25f, fix = 0.0f;

    // Form.
    QLabel *title, *mouseTempLabel, *saveWinPosLabel, *alarmVoiceLabel, *level3DLabel, *tempUnitLabel,
        *saveRotateLabel, *alarmDurationLabel, *rangeLabel, *imgPosLabel, *videoPosLabel, *correctionLabel;
    QLabel *tempMin, *tempMax;
    QPushButton *mouseTempOn, *mouseTempOffButton, *saveWinPosOn, *saveWinPosOffButton, *tempUnitC, *tempUnitF,
        *saveRotateOn, *saveRotateOffButton;
    QComboBox *alarmVoice, *level3D;
    QLineEdit* alarmDuration;
    HorRangerSlider* tempRangeSlider;
    QLineEdit *imgPosInput, *videoPosInput;
    QPushButton *imgLocation, *videoLocation;
    QFrame* frame;
    QLabel *emissionLabel, *distanceLabel, *wetLabel, *offsetLabel, *reflectLabel, *environmentLabel;
    QLineEdit *emission, *distance, *wet, *offset, *reflect, *environment;
    QPushButton *defaultParam, *OK, *cancel, *apply, *close;
};
