#pragma once

#include "frame.h"
#include "functionmodel.h"
#include "orvikform.h"

#include <QMainWindow>
#include <QPoint>

class QSoundEffect;
class QTimer;
class QTranslator;
class TempHint;

// The program's main window: owns the device manager and the live view, hands every frame
// on to the view and the colour bar, shows the connection state and device ID, switches the
// interface language and remembers its geometry.
class Orvik : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 1270;
    static constexpr int kDefaultHeight = 685;
    static constexpr int kResizeBorder = 5;

    // deviceOptions: how the device manager runs (tests shorten its rounds).
    explicit Orvik(const FunctionModel::Options& deviceOptions = FunctionModel::Options(), QWidget* parent = nullptr);
    ~Orvik() override;

    // The window size for a screen: the stored size when the screen is the one seen last
    // time, otherwise 1270 x 685 (and the new screen is remembered). Stores the choice.
    static QSize chooseWindowSize(const QSize& screen);
    // Which edges a point inside a window of that size grabs for resizing.
    static Qt::Edges edgesAt(const QPoint& point, const QSize& window);

    // Frames of the device manager (static: it keeps a plain function pointer).
    static void onFrame(const FramePtr& frame);

    void setHeatField(bool on) { heatField = on; }
    FunctionModel* deviceManagerForTests() const { return deviceManager; }
    const OrvikForm& form() const { return ui; }

public slots:
    void onLanguageChanged();
    void showID(QString id);
    void setConnectState(bool state);
    void showRotateParam(int rote, bool hfilp, bool vfilp);
    void changeTempUnit(QString unit);
    void GetCameraSize(int width, int high, int num);
    void InitTemp(QString temp, int min, int max);

private slots:
    void on_min_clicked();
    void on_max_clicked();
    void on_close_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void initApplicationSize();
    void initVariable();
    void createChildren(const FunctionModel::Options& deviceOptions);
    void initMenuMess();
    void initInerface();
    void initQTimer();
    void restoreSavedState();
    void initBasics();
    void warnAboutUnwritableFolders();
    void presentFrame(const FramePtr& frame);
    void toggleMaximized();

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
    QTranslator* translator = nullptr;
    QSoundEffect* alarmPlayer = nullptr;
    FunctionModel* deviceManager = nullptr;
    TempHint* tempHint = nullptr;
    QTimer *recordTimer = nullptr, *alarmSoundTimer = nullptr, *flickerTimer = nullptr, *recordButtonTimer = nullptr;
    int rotation = 0;
    int recordTicks = 0;
    int alarmLoops = 0;
    float currentMax = 0.0f;
    QString imagePath, videoPath, warningSoundName;
    unsigned char palette[768] = {};
};
