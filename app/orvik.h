#pragma once

#include "app/alarmsound.h"
#include "app/goldenboard.h"
#include "app/orvikform.h"
#include "device/functionmodel.h"
#include "pipeline/frame.h"
#include "tools/numberfield.h"
#include "tools/settingfunc.h"
#include "view/alertbox.h"

#include <QMainWindow>
#include <QPoint>

#include <memory>

class QKeyEvent;
class ScreenGrab;
class QTimer;
class QTranslator;
class TempHint;
class UpdateTip;

// The program's main window: owns the device manager and the live view, hands every frame
// on to the view and the colour bar, shows the connection state and device ID, switches the
// interface language, remembers its geometry, carries out its commands and keys, sounds the
// temperature alarm and takes the settings dialog's changes.
class Orvik : public QMainWindow, public settingfunc
{
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 1270;
    static constexpr int kDefaultHeight = 685;
    static constexpr int kResizeBorder = 5;
    static constexpr float kLowestThreshold = -50.0f, kHighestThreshold = 2000.0f; // degC

    // deviceOptions: how the device manager runs (tests shorten its rounds).
    explicit Orvik(const FunctionModel::Options& deviceOptions = FunctionModel::Options(), QWidget* parent = nullptr);
    ~Orvik() override;

    // The window size for a screen: the stored size when the screen is the one seen last
    // time, otherwise 1270 x 685 (and the new screen is remembered). Stores the choice.
    static QSize chooseWindowSize(const QSize& screen);
    // Which edges a point inside a window of that size grabs for resizing.
    static Qt::Edges edgesAt(const QPoint& point, const QSize& window);

    void setHeatField(bool on) { heatField = on; }
    FunctionModel* deviceManagerForTests() const { return deviceManager; }
    const OrvikForm& form() const { return ui; }
    const AlarmSound& alarmSoundPlayer() const { return alarmPlayer; }
    bool alarmArmed() const { return alarmOn; }
    bool leakFindOn() const { return leakFind; }
    bool regionFindOn() const { return regionFind; }
    bool superResolutionOn() const { return superResolution; }
    bool goldenBoardOn() const { return golden.isOn(); }
    // The golden-board comparison (board compare only); the reference file's part.
    void setGoldenBoard(bool on);
    bool saveReferenceTo(const QString& path);
    bool loadReferenceFrom(const QString& path);
    bool isRecording() const { return recording; }
    QString lastRecording() const { return lastVideoPath; }

    // The elapsed recording time shown for that many ticks: "hh:mm:ss", the hours unbounded.
    static QString recordTimeText(int ticks, int frameRate);

    // settingfunc
    void setMouseTemp(bool show) override;
    void setTempUnit(QString unit) override;
    void setFixedTempRange(int min, int max) override;
    void set3DLevel(int level) override;
    void setStorageAndAlarm(QString imagePath, QString videoPath, QString soundName, int alarmSeconds) override;
    void setFixParam(float emiss, float refltmp, float airtmp, float humi, float distance, float fix) override;
    void getFixParam(float* emiss, float* refltmp, float* airtmp, float* humi, float* fix, uint8_t* tauTable,
                     float* distance) override;
    void setImagePath(QString path) override;
    void setVideoPath(QString path) override;

public slots:
    // A frame of the device manager: to the view, the colour bar, the slider, the alarm and,
    // in heat-field mode, the 3D widget.
    void presentFrame(const FramePtr& frame);
    void onLanguageChanged();
    void showID(QString id);
    void setConnectState(bool state);
    void showRotateParam(int rote, bool hfilp, bool vfilp);
    void changeTempUnit(QString unit);
    void GetCameraSize(int width, int high, int num);
    void InitTemp(QString temp, int min, int max);
    void recordFile();
    void alarmSound();
    void screenFlicker();
    void SetVideoButtonEable();

private slots:
    void on_boardRegistration_clicked();
    void onRegistrationFinished(bool registered, const QString& failure);
    void on_webSite_clicked();
    void on_min_clicked();
    void on_max_clicked();
    void on_close_clicked();
    void on_emailAddress_clicked();
    void on_palette1_clicked() { selectPalette(1); }
    void on_palette2_clicked() { selectPalette(2); }
    void on_palette3_clicked() { selectPalette(3); }
    void on_universal_clicked() { selectImageMode(0); }
    void on_enhance_clicked() { selectImageMode(1); }
    void on_highContrast_clicked() { selectImageMode(2); }
    void on_vFlip_clicked();
    void on_hFlip_clicked();
    void on_rotate_clicked() { restoreDefaultView(); }
    void on_setting_clicked();
    void on_Low_clicked() { switchRange(false); }
    void on_High_clicked() { switchRange(true); }
    void on_tempAlarm_clicked() { toggleAlarm(); }
    void on_snapImage_clicked();
    void on_record_clicked();
    void on_ResetCalibration_clicked();
    void on_pcba_quickFind_clicked() { enterMode(FunctionModel::PcbaQuickFind); }
    void on_boardCompare_clicked() { enterMode(FunctionModel::BoardCompare); }
    void on_hotField_clicked() { enterMode(FunctionModel::HeatField); }
    void on_pointTemp_clicked();
    void on_rectTemp_clicked();
    void on_polygonRegion_clicked();
    void on_regionFind_clicked();
    void on_leakFind_clicked() { toggleLeakFind(); }
    void on_SuperModule_clicked();
    void on_goldenBoard_clicked() { setGoldenBoard(!golden.isOn()); }
    void on_saveReference_clicked();
    void on_loadReference_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void initApplicationSize();
    void initVariable();
    void createChildren(const FunctionModel::Options& deviceOptions);
    void connectDualLight();
    void initMenuMess();
    void initInerface();
    void initQTimer();
    void restoreSavedState();
    void initBasics();
    void warnAboutUnwritableFolders();
    void toggleMaximized();
    void loadQtTranslation();
    void openAddress(const QUrl& address);
    bool isCommandKey(const QKeyEvent* event) const;

    // Commands (orvikcommands.cpp).
    void selectPalette(int number);
    void restoreDefaultView();
    void switchRange(bool high);
    void enterMode(int mode);
    void endAids(); // region and leak find off, the view's modes reset
    void toggleLeakFind();
    void switchLeakFindOff();
    void setLeakFind(bool on);

    // Snapshots and recording (orvikcapture.cpp).
    void showAlert(AlertBox::Reason reason);
    bool folderReady(const QString& folder) const;
    void blockRecordButton();
    void followWindowWhileRecording();
    QString newVideoPath() const;
    QRect recordingRegion() const;
    void startRecording();
    bool stopRecording(); // false when the file's end could not be written
    void showRecordingStopped();
    void showNewestVideo();
    void showNewestSnapshot();
    void selectImageMode(int mode);
    // The flip buttons are checked while the picture is mirrored along their screen axis.
    void showFlips();
    // A short notice in the status line of what a command did.
    void showNotice(const QString& text);

    // Temperature alarm (orvikalarm.cpp).
    void toggleAlarm();
    void armAlarm();
    numberfield::Domain thresholdDomain() const;
    static QString thresholdText(double value);
    bool alarmThreshold(float& celsius) const;
    bool alarmPaused() const;
    void showAlarmFrame(bool red);
    void finishThresholdEditing();
    void showThresholdIn(const QString& unit); // the threshold is typed in the unit shown
    void markThreshold(); // a threshold that is no usable number is framed red

    OrvikForm ui;
    QPoint pressPos;
    bool maximized = false;
    bool dragging = false;
    bool mouseTempOff = false;
    bool highRange = false;
    bool connected = false;
    bool heatField = false;
    bool hottestOff = false;
    bool recording = false;
    bool alarmOn = false;
    bool regionFind = false;
    bool leakFind = false;
    bool superResolution = false;
    QTranslator* translator = nullptr;
    QTranslator* qtTranslator = nullptr;
    AlarmSound alarmPlayer;
    FunctionModel* deviceManager = nullptr;
    TempHint* tempHint = nullptr;
    UpdateTip* updateTip = nullptr;
    QTimer *recordTimer = nullptr, *alarmSoundTimer = nullptr, *flickerTimer = nullptr, *recordButtonTimer = nullptr;
    QTimer* regionTimer = nullptr; // a recording follows the window once it stops moving
    int rotation = 0;
    bool mirroredH = false, mirroredV = false; // of the unrotated frame, as the view shows it
    QTimer* noticeTimer = nullptr;
    int recordTicks = 0;
    int alarmLoops = 0;
    int flickerCount = 0;
    QString thresholdUnit = QStringLiteral("C");
    int pressedKey = 0; // the last command key pressed, and whether Ctrl was held then
    bool pressedWithCtrl = false, pressedWithShift = false;
    float currentMax = 0.0f;
    QString imagePath, videoPath, warningSoundName, lastVideoPath;
    std::unique_ptr<ScreenGrab> recorder; // while recording
    unsigned char palette[768] = {};
    GoldenBoard golden;
    // A live frame through the golden-board comparison: the picture the view is to show.
    FramePtr goldenPicture(const FramePtr& frame);
    bool goldenKey(const QKeyEvent* event) const;
    void nudgeGoldenBoard(int key);
    float goldenThresholdK = 3.0f;
    QString referenceFolder; // where the last reference was saved or loaded
};
