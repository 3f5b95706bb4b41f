#pragma once

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QStackedWidget;
class QWidget;
class Hot3DWidget;
class ThermoMeter;
class VerRangerSlider;
class ViewPort;
class DualLightBar;

// The main window's widget tree, with the object names its code and its button slots use.
struct OrvikForm
{
    void setupUi(QMainWindow* window);
    void retranslateUi(QMainWindow* window);

    QWidget* centralwidget;
    QWidget* widget_head;
    QLabel *winIcon, *winTitle, *Version;
    QPushButton* webSite;
    QComboBox* language;
    QPushButton *min, *max, *close;
    QFrame* frame_head;
    QPushButton *SuperModule, *boardRegistration, *emailAddress;
    DualLightBar* dualLightBar; // while a dual-light camera is connected
    QWidget* mainGroupBox;
    QWidget* widget_left;
    QButtonGroup *buttonGroup_color, *buttonGroup_function, *buttonGroup_temp, *buttonGroup;
    QPushButton *palette1, *palette2, *palette3, *universal, *enhance, *highContrast;
    QPushButton *vFlip, *hFlip, *rotate, *setting;
    QStackedWidget* stackedWidget;
    QWidget *page, *page_2;
    ViewPort* viewport;
    Hot3DWidget* widget3D;
    QWidget* widget_temp;
    QPushButton *Low, *High;
    ThermoMeter* thermoMeter;
    VerRangerSlider* tempRange;
    QWidget* widget_function;
    QPushButton* snapImage;
    QLabel *other, *imageFile;
    QPushButton* record;
    QLabel *recordHint, *recordTime, *videoFile;
    QPushButton* tempAlarm;
    QLabel* other1;
    QLineEdit* tempAlarmValue;
    QLabel* label_temp;
    QPushButton* ResetCalibration;
    QPushButton *goldenBoard, *saveReference, *loadReference;
    QPushButton *pcba_quickFind, *boardCompare, *hotField, *pointTemp, *rectTemp, *polygonRegion, *regionFind,
        *leakFind;
    QFrame* frame_end;
    QLabel *connectHint, *connectIcon, *idHint, *deviceId;
    QLabel* statusNotice; // a short notice of what a command did, for a few seconds
};
