#include "app/orvikform.h"

#include "view/duallightbar.h"

#include "core/configmanager.h"
#include "view/hot3dwidget.h"
#include "view/thermometer.h"
#include "view/verrangerslider.h"
#include "view/viewport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

template <class T> T* named(QWidget* parent, const char* name)
{
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* button(QWidget* parent, const char* name, bool checkable = false)
{
    auto* b = named<QPushButton>(parent, name);
    b->setCheckable(checkable);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

QPushButton* iconButton(QWidget* parent, const char* name, const char* icon, int size = 28)
{
    auto* b = button(parent, name);
    b->setIcon(QIcon(QLatin1String(icon)));
    b->setFixedSize(size, size);
    return b;
}

QFrame* separator(QWidget* parent, const char* name)
{
    auto* line = named<QFrame>(parent, name);
    line->setFrameShape(QFrame::VLine);
    return line;
}

// A dark instrument panel: deep navy background, quiet grey labels, cyan for what is on.
const char kStyle[] = R"(
QWidget { color: rgb(210, 220, 230); font-family: "Microsoft YaHei"; font-size: 13px; }
QWidget#widget_head, QFrame#frame_end { background-color: rgb(6, 32, 58); }
QFrame#frame_head { background-color: rgb(4, 27, 50); border-bottom: 1px solid rgb(20, 60, 95); }
QMessageBox { background-color: rgb(8, 36, 64); }
QMessageBox QTextEdit { background-color: rgb(4, 22, 40); }
QFileDialog, QFileDialog QWidget { background-color: rgb(8, 36, 64); color: rgb(210, 220, 230); }
QFileDialog QAbstractItemView { background-color: rgb(4, 22, 40); selection-background-color: rgb(0, 110, 170); }
QWidget#widget_left, QWidget#widget_temp, QWidget#widget_function { background-color: rgb(8, 36, 64); border-radius: 4px; }
QPushButton { background-color: rgb(14, 50, 84); border: 1px solid rgb(28, 72, 110); border-radius: 3px; padding: 5px 8px; }
QPushButton:hover { border-color: rgb(0, 170, 255); }
QPushButton:checked { background-color: rgb(0, 110, 170); border-color: rgb(0, 170, 255); color: white; }
QPushButton:disabled { color: rgb(100, 115, 130); border-color: rgb(20, 45, 70); }
QPushButton#min, QPushButton#max, QPushButton#close, QPushButton#webSite { background: transparent; border: none; }
QLabel#winTitle { font-size: 16px; color: white; }
QLabel#Version, QLabel#idHint, QLabel#connectHint { color: rgb(140, 160, 180); }
QLabel#deviceId { color: rgb(0, 170, 255); }
QLabel#statusNotice { color: rgb(230, 200, 90); }
QLineEdit#tempAlarmValue { background-color: rgb(4, 22, 40); border: 1px solid rgb(28, 72, 110); padding: 3px; }
QLineEdit#tempAlarmValue[invalid="true"] { border-color: rgb(255, 60, 60); }
QComboBox#language, QComboBox#fusionMode { background-color: rgb(14, 50, 84); border: 1px solid rgb(28, 72, 110); padding: 2px 6px; }
QComboBox#language QAbstractItemView, QComboBox#fusionMode QAbstractItemView { background-color: rgb(14, 50, 84); selection-background-color: rgb(0, 110, 170); }
QFrame#VLine1, QFrame#VLine2, QFrame#VLine3 { color: rgb(28, 72, 110); }
)";

} // namespace

void OrvikForm::setupUi(QMainWindow* window)
{
    window->setObjectName(QStringLiteral("Orvik"));
    window->setStyleSheet(QStringLiteral("QMainWindow#Orvik{\nbackground-color: rgb(0,21,42);\n}") +
                          QLatin1String(kStyle));
    centralwidget = named<QWidget>(window, "centralwidget");
    auto* root = new QVBoxLayout(centralwidget);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    widget_head = named<QWidget>(centralwidget, "widget_head");
    widget_head->setAttribute(Qt::WA_StyledBackground);
    auto* head = new QHBoxLayout(widget_head);
    head->setContentsMargins(10, 4, 6, 4);
    winIcon = named<QLabel>(widget_head, "winIcon");
    winIcon->setMinimumSize(150, 30);
    winIcon->setPixmap(QPixmap(QStringLiteral(":/image/Orvik/icons/LOGO.png")));
    winTitle = named<QLabel>(widget_head, "winTitle");
    Version = named<QLabel>(widget_head, "Version");
    webSite = button(widget_head, "webSite");
    language = named<QComboBox>(widget_head, "language");
    language->setFocusPolicy(Qt::NoFocus); // a chosen language keeps no keys
    min = iconButton(widget_head, "min", ":/image/Orvik/TitleBar/winMin.png");
    max = iconButton(widget_head, "max", ":/image/Orvik/TitleBar/maxSr.png");
    close = iconButton(widget_head, "close", ":/image/Orvik/TitleBar/winClose.png");
    head->addWidget(winIcon);
    head->addWidget(winTitle);
    head->addWidget(separator(widget_head, "VLine1"));
    head->addWidget(Version);
    head->addStretch();
    head->addWidget(webSite);
    head->addWidget(separator(widget_head, "VLine2"));
    head->addWidget(language);
    head->addWidget(separator(widget_head, "VLine3"));
    head->addWidget(min);
    head->addWidget(max);
    head->addWidget(close);
    root->addWidget(widget_head);
    auto* bar = named<QFrame>(centralwidget, "bar");
    bar->setFixedHeight(2);
    bar->setStyleSheet(QStringLiteral("background-color: rgb(0, 170, 255);"));
    root->addWidget(bar);

    frame_head = named<QFrame>(centralwidget, "frame_head");
    auto* tools = new QHBoxLayout(frame_head);
    tools->setContentsMargins(10, 4, 10, 4);
    SuperModule = button(frame_head, "SuperModule");
    boardRegistration = button(frame_head, "boardRegistration");
    emailAddress = button(frame_head, "emailAddress");
    tools->addWidget(SuperModule);
    tools->addWidget(boardRegistration);
    dualLightBar = new DualLightBar(frame_head);
    dualLightBar->hide();
    tools->addSpacing(16);
    tools->addWidget(dualLightBar);
    tools->addStretch();
    tools->addWidget(emailAddress);
    root->addWidget(frame_head);

    mainGroupBox = named<QWidget>(centralwidget, "mainGroupBox");
    auto* main = new QHBoxLayout(mainGroupBox);
    main->setContentsMargins(8, 8, 8, 8);
    main->setSpacing(8);

    widget_left = named<QWidget>(mainGroupBox, "widget_left");
    widget_left->setAttribute(Qt::WA_StyledBackground);
    widget_left->setFixedWidth(150); // the image keeps its size whatever the language
    auto* left = new QVBoxLayout(widget_left);
    buttonGroup_color = new QButtonGroup(window);
    buttonGroup_color->setObjectName(QStringLiteral("buttonGroup_color"));
    const char* palettes[] = {"palette1", "palette2", "palette3"};
    QPushButton** paletteButtons[] = {&palette1, &palette2, &palette3};
    for (int i = 0; i < 3; ++i) {
        *paletteButtons[i] = button(widget_left, palettes[i], true);
        (*paletteButtons[i])->setIcon(QIcon(QStringLiteral(":/image/Orvik/icons/palette%1%1.png").arg(i + 1)));
        (*paletteButtons[i])->setIconSize(QSize(24, 24));
        buttonGroup_color->addButton(*paletteButtons[i]);
        left->addWidget(*paletteButtons[i]);
    }
    left->addSpacing(10);
    buttonGroup_function = new QButtonGroup(window);
    buttonGroup_function->setObjectName(QStringLiteral("buttonGroup_function"));
    universal = button(widget_left, "universal", true);
    enhance = button(widget_left, "enhance", true);
    highContrast = button(widget_left, "highContrast", true);
    for (QPushButton* b : {universal, enhance, highContrast}) {
        buttonGroup_function->addButton(b);
        left->addWidget(b);
    }
    left->addSpacing(10);
    // Checked while the picture is mirrored along that screen axis.
    vFlip = button(widget_left, "vFlip", true);
    hFlip = button(widget_left, "hFlip", true);
    rotate = button(widget_left, "rotate");
    setting = button(widget_left, "setting");
    for (QPushButton* b : {vFlip, hFlip, rotate, setting})
        left->addWidget(b);
    left->addStretch();
    main->addWidget(widget_left);

    stackedWidget = named<QStackedWidget>(mainGroupBox, "stackedWidget");
    page = named<QWidget>(stackedWidget, "page");
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    viewport = named<ViewPort>(page, "viewport");
    viewport->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    viewport->setMinimumSize(320, 240);
    pageLayout->addWidget(viewport);
    page_2 = named<QWidget>(stackedWidget, "page_2");
    auto* page2Layout = new QVBoxLayout(page_2);
    page2Layout->setContentsMargins(0, 0, 0, 0);
    widget3D = named<Hot3DWidget>(page_2, "widget3D");
    page2Layout->addWidget(widget3D);
    stackedWidget->addWidget(page);
    stackedWidget->addWidget(page_2);
    main->addWidget(stackedWidget, 1);

    widget_temp = named<QWidget>(mainGroupBox, "widget_temp");
    widget_temp->setAttribute(Qt::WA_StyledBackground);
    auto* temp = new QGridLayout(widget_temp);
    buttonGroup_temp = new QButtonGroup(window);
    buttonGroup_temp->setObjectName(QStringLiteral("buttonGroup_temp"));
    Low = button(widget_temp, "Low", true);
    High = button(widget_temp, "High", true);
    buttonGroup_temp->addButton(Low);
    buttonGroup_temp->addButton(High);
    thermoMeter = named<ThermoMeter>(widget_temp, "thermoMeter");
    tempRange = named<VerRangerSlider>(widget_temp, "tempRange");
    // Room for three digits before the point ("178.2").
    thermoMeter->setFixedWidth(80);
    tempRange->setFixedWidth(80);
    temp->addWidget(Low, 0, 0);
    temp->addWidget(High, 0, 1);
    temp->addWidget(thermoMeter, 1, 0);
    temp->addWidget(tempRange, 1, 1);
    temp->setRowStretch(1, 1);
    main->addWidget(widget_temp);

    widget_function = named<QWidget>(mainGroupBox, "widget_function");
    widget_function->setAttribute(Qt::WA_StyledBackground);
    widget_function->setFixedWidth(222); // room for the longest English and Spanish texts
    auto* functions = new QVBoxLayout(widget_function);
    snapImage = button(widget_function, "snapImage");
    other = named<QLabel>(widget_function, "other");
    imageFile = named<QLabel>(widget_function, "imageFile");
    record = button(widget_function, "record");
    recordHint = named<QLabel>(widget_function, "recordHint");
    recordTime = named<QLabel>(widget_function, "recordTime");
    videoFile = named<QLabel>(widget_function, "videoFile");
    tempAlarm = button(widget_function, "tempAlarm", true);
    other1 = named<QLabel>(widget_function, "other1");
    tempAlarmValue = named<QLineEdit>(widget_function, "tempAlarmValue");
    tempAlarmValue->setText(QStringLiteral("50.0"));
    label_temp = named<QLabel>(widget_function, "label_temp");
    label_temp->setText(QStringLiteral("°C")); // the main window keeps it in the unit shown
    ResetCalibration = button(widget_function, "ResetCalibration");
    // Compact rows, so the window fits a 768-pixel screen: the two capture buttons side by
    // side over their thumbnails, the alarm button beside its threshold.
    functions->setSpacing(5);
    auto* captureRow = new QHBoxLayout;
    captureRow->addWidget(snapImage);
    captureRow->addWidget(record);
    functions->addLayout(captureRow);
    auto* fileRow = new QHBoxLayout;
    for (QLabel* thumbnail : {imageFile, videoFile}) {
        thumbnail->setFixedSize(75, 45);
        thumbnail->setScaledContents(true);
        thumbnail->setCursor(Qt::PointingHandCursor);
        fileRow->addWidget(thumbnail);
    }
    recordHint->setFixedSize(12, 12);
    functions->addLayout(fileRow);
    auto* recordRow = new QHBoxLayout;
    recordRow->addWidget(other);
    recordRow->addWidget(recordHint);
    recordRow->addStretch();
    recordRow->addWidget(recordTime);
    functions->addLayout(recordRow);
    auto* alarmRow = new QHBoxLayout;
    alarmRow->addWidget(tempAlarm, 1);
    alarmRow->addWidget(other1);
    alarmRow->addWidget(tempAlarmValue);
    alarmRow->addWidget(label_temp);
    tempAlarmValue->setFixedWidth(52);
    functions->addLayout(alarmRow);
    functions->addWidget(ResetCalibration);
    functions->addSpacing(6);
    // The three modes exclude each other; the tools and the two aids stand beside them.
    buttonGroup = new QButtonGroup(window);
    buttonGroup->setObjectName(QStringLiteral("buttonGroup"));
    pcba_quickFind = button(widget_function, "pcba_quickFind", true);
    boardCompare = button(widget_function, "boardCompare", true);
    hotField = button(widget_function, "hotField", true);
    pointTemp = button(widget_function, "pointTemp");
    rectTemp = button(widget_function, "rectTemp");
    polygonRegion = button(widget_function, "polygonRegion");
    regionFind = button(widget_function, "regionFind", true);
    leakFind = button(widget_function, "leakFind", true);
    // Board compare's golden-board difference and its reference file.
    goldenBoard = button(widget_function, "goldenBoard", true);
    saveReference = button(widget_function, "saveReference");
    loadReference = button(widget_function, "loadReference");
    for (QPushButton* b : {pcba_quickFind, boardCompare, hotField})
        buttonGroup->addButton(b);
    pcba_quickFind->setChecked(true);
    for (QPushButton* b : {pcba_quickFind, boardCompare, hotField, pointTemp, rectTemp, polygonRegion, regionFind, leakFind,
                           goldenBoard, saveReference, loadReference})
        functions->addWidget(b);
    for (QPushButton* b : {goldenBoard, saveReference, loadReference})
        b->setVisible(false);
    functions->addStretch();
    main->addWidget(widget_function);
    root->addWidget(mainGroupBox, 1);

    frame_end = named<QFrame>(centralwidget, "frame_end");
    auto* end = new QHBoxLayout(frame_end);
    end->setContentsMargins(12, 4, 12, 4);
    connectIcon = named<QLabel>(frame_end, "connectIcon");
    connectIcon->setFixedSize(16, 16);
    connectHint = named<QLabel>(frame_end, "connectHint");
    idHint = named<QLabel>(frame_end, "idHint");
    deviceId = named<QLabel>(frame_end, "deviceId");
    statusNotice = named<QLabel>(frame_end, "statusNotice");
    end->addWidget(connectIcon);
    end->addWidget(connectHint);
    end->addSpacing(24);
    end->addWidget(idHint);
    end->addWidget(deviceId);
    end->addSpacing(24);
    end->addWidget(statusNotice, 1);
    root->addWidget(frame_end);

    window->setCentralWidget(centralwidget);
    retranslateUi(window);
}

void OrvikForm::retranslateUi(QMainWindow*)
{
    auto tr = [](const char* text) { return QCoreApplication::translate("OrvikForm", text); };
    winTitle->setText(tr("Pellin红外热成像"));
    webSite->setText(tr("项目主页"));
    webSite->setToolTip(ConfigManager::getWebAddress());
    language->setToolTip(tr("界面语言"));
    min->setToolTip(tr("最小化"));
    max->setToolTip(tr("最大化/还原"));
    close->setToolTip(tr("关闭"));
    SuperModule->setToolTip(tr("超分辨率显示"));
    boardRegistration->setToolTip(tr("导入电路板照片，叠加到热图像上；再按一次去掉"));
    dualLightBar->retranslate();
    emailAddress->setText(ConfigManager::getSupportAddress());
    emailAddress->setToolTip(tr("发邮件给技术支持"));
    palette1->setToolTip(tr("调色板：黑红白"));
    palette2->setToolTip(tr("调色板：黑蓝紫白"));
    palette3->setToolTip(tr("调色板：灰度"));
    universal->setToolTip(tr("通用图像模式"));
    enhance->setToolTip(tr("细节增强图像模式"));
    highContrast->setToolTip(tr("高对比图像模式"));
    vFlip->setToolTip(tr("上下翻转图像"));
    hFlip->setToolTip(tr("左右翻转图像"));
    rotate->setToolTip(tr("恢复默认视图（D键）"));
    setting->setToolTip(tr("打开设置"));
    Low->setToolTip(tr("低温测量范围"));
    High->setToolTip(tr("高温测量范围"));
    snapImage->setToolTip(tr("保存当前画面为图片"));
    record->setToolTip(tr("录制屏幕视频"));
    imageFile->setToolTip(tr("打开抓拍文件夹"));
    videoFile->setToolTip(tr("打开录像文件夹"));
    tempAlarm->setToolTip(tr("最高温度超过阈值时报警（A键）"));
    tempAlarmValue->setToolTip(tr("报警阈值"));
    pcba_quickFind->setToolTip(tr("实时图像与全部测量工具"));
    boardCompare->setToolTip(tr("左半为标准板，右半为待测板"));
    hotField->setToolTip(tr("三维热场分布"));
    pointTemp->setToolTip(tr("在图像上点击放置测温点"));
    rectTemp->setToolTip(tr("在图像上拖出矩形区域"));
    polygonRegion->setToolTip(tr("逐点点击多边形，右键或双击结束"));
    regionFind->setToolTip(tr("只给选定区域上色"));
    leakFind->setToolTip(tr("突出最热点附近的温度（M键）"));
    goldenBoard->setToolTip(tr("待测板与标准板逐点相减，标出差异超过阈值的区域（Shift+方向键微调对准）"));
    saveReference->setToolTip(tr("把视野中的整块板保存为标准板文件"));
    loadReference->setToolTip(tr("载入标准板文件，与视野中的整块板比较"));
    SuperModule->setText(tr("超分辨率"));
    boardRegistration->setText(tr("板图配准"));
    universal->setText(tr("通用"));
    enhance->setText(tr("增强"));
    highContrast->setText(tr("高对比"));
    vFlip->setText(tr("垂直翻转"));
    hFlip->setText(tr("水平翻转"));
    rotate->setText(tr("复位"));
    setting->setText(tr("设置"));
    Low->setText(tr("低温"));
    High->setText(tr("高温"));
    snapImage->setText(tr("抓拍图片"));
    record->setText(tr("开始录像"));
    recordTime->setText(QStringLiteral("00:00:00"));
    tempAlarm->setText(tr("高温警告"));
    ResetCalibration->setText(tr("重置校准"));
    ResetCalibration->setToolTip(tr("重新校准显示温度数据"));
    pcba_quickFind->setText(tr("PCBA速查"));
    boardCompare->setText(tr("双板对比"));
    hotField->setText(tr("热场分布"));
    pointTemp->setText(tr("点温度"));
    rectTemp->setText(tr("矩形区域温度"));
    polygonRegion->setText(tr("多边形区域曲线"));
    regionFind->setText(tr("区域细查"));
    leakFind->setText(tr("漏电速查"));
    goldenBoard->setText(tr("标准板差异"));
    saveReference->setText(tr("保存标准板"));
    loadReference->setText(tr("载入标准板"));
    connectHint->setText(tr("设备未连接"));
    idHint->setText(tr("设备ID:"));
}
