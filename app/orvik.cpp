#include "app/orvik.h"

#include "app/windowplacement.h"
#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "device/functionmodel.h"
#include "tools/screengrab.h"
#include "tools/updatetip.h"
#include "view/duallightbar.h"
#include "view/hot3dwidget.h"
#include "view/palette.h"
#include "view/temphint.h"
#include "view/thermometer.h"
#include "view/verrangerslider.h"
#include "view/viewport.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QUrl>
#include <QWindow>

Orvik::Orvik(const FunctionModel::Options& deviceOptions, QWidget* parent) : QMainWindow(parent)
{
    ui.setupUi(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setWindowTitle(gProductName);
    setMouseTracking(true);
    initApplicationSize();
    // The blurred background of the original desktop has no counterpart here: skipped.
    LOG_INFO(LOG_ORVIK) << "tese version 1.0.1";
    qApp->installEventFilter(this);

    const QString version = ConfigManager::getVersion();
    ConfigManager::getInstance()->setVersion(version);
    ui.Version->setText(version);

    ui.language->setView(new QListView(ui.language));
    ui.language->setIconSize(QSize(23, 23));
    ui.language->addItem(QIcon(QStringLiteral(":/image/country/chinese.png")), QStringLiteral("简体中文"));
    ui.language->addItem(QIcon(QStringLiteral(":/image/country/english.png")), QStringLiteral("English"));
    ui.language->addItem(QIcon(QStringLiteral(":/image/country/spalish.png")), QStringLiteral("Español"));
    connect(ui.language, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &Orvik::onLanguageChanged);
    ui.language->setCurrentIndex(gLanguageIndex);
    if (!translator)
        loadQtTranslation();

    initVariable();
    createChildren(deviceOptions);
    initMenuMess();
    initInerface();
    initQTimer();
    restoreSavedState();
    initBasics();
    warnAboutUnwritableFolders();
    QMetaObject::connectSlotsByName(this);
}

Orvik::~Orvik()
{
    LOG_INFO(LOG_ORVIK) << "~Orvik";
    ConfigManager* config = ConfigManager::getInstance();
    const bool savingOff = config->getEquipmentValue(QStringLiteral("SaveWinPos"));
    config->setEquipmentValue(QStringLiteral("SaveWinPos"), savingOff);
    if (!savingOff) {
        const QRect g = geometry();
        config->setSoftwareLocation(g.left(), g.top());
        config->setSoftwareSize(g.width(), g.height());
    }
    qApp->removeEventFilter(this);
    if (recorder)
        recorder->stopRecord(); // the recording so far stays a whole file
    recorder.reset();
    for (QTimer* timer : {recordTimer, alarmSoundTimer, flickerTimer, recordButtonTimer, regionTimer}) {
        timer->stop();
        delete timer;
    }
    alarmPlayer.stop();
    delete deviceManager; // saves its own settings, stops detection and the camera
    deviceManager = nullptr;
    LOG_INFO(LOG_ORVIK) << "-----------------------------------------";
}

QSize Orvik::chooseWindowSize(const QSize& screen)
{
    ConfigManager* config = ConfigManager::getInstance();
    int storedWidth = 0, storedHeight = 0;
    config->getScreenSize(storedWidth, storedHeight);
    QSize window(kDefaultWidth, kDefaultHeight);
    if (QSize(storedWidth, storedHeight) == screen) {
        int width = 0, height = 0;
        config->getSoftwareSize(width, height);
        window = QSize(width, height);
    } else {
        config->setScreenSize(screen.width(), screen.height());
    }
    config->setSoftwareSize(window.width(), window.height());
    return window;
}

namespace {

QList<QRect> availableScreenAreas()
{
    QList<QRect> areas;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas.append(primary->availableGeometry()); // first: where a lost window goes
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas.append(screen->availableGeometry());
    return areas;
}

} // namespace

void Orvik::initApplicationSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(kDefaultWidth, kDefaultHeight);
    const QSize window = chooseWindowSize(screenSize);
    const QSize wanted =
        screenSize.width() >= kDefaultWidth && screenSize.height() >= kDefaultHeight ? window : screenSize;
    // A stored size is never trusted beyond the screen: a huge one would make a window the
    // window system cannot hold.
    resize(placeWindow(0, 0, wanted.width(), wanted.height(), availableScreenAreas(),
                       QSize(kDefaultWidth, kDefaultHeight))
               .size());
}

void Orvik::initVariable()
{
    rotation = recordTicks = alarmLoops = 0;
    LOG_INFO(LOG_ORVIK) << "InitVariable";
}

void Orvik::createChildren(const FunctionModel::Options& deviceOptions)
{
    deviceManager = new FunctionModel(deviceOptions, this);
    connect(deviceManager, &FunctionModel::frameReady, this, &Orvik::presentFrame);
    connect(deviceManager, &FunctionModel::SetSN, this, &Orvik::showID);
    connect(deviceManager, &FunctionModel::setConnected, this, &Orvik::setConnectState);
    connect(deviceManager, &FunctionModel::RotateParam, this, &Orvik::showRotateParam);
    connect(deviceManager, &FunctionModel::setTempUnit, this, &Orvik::changeTempUnit);
    connect(deviceManager, &FunctionModel::sendCameraSize, this, &Orvik::GetCameraSize);
    connect(deviceManager, &FunctionModel::InitTempRange, this, &Orvik::InitTemp);
    tempHint = new TempHint(this);
    updateTip = new UpdateTip(this); // asks the server; shows itself once a package is ready
    connect(deviceManager, &FunctionModel::highRangeUnavailable, tempHint, &QDialog::show);
    // A camera that is there but cannot be used says why (its permission, its calibration).
    connect(deviceManager, &FunctionModel::cameraRefused, this, [this](const QString& message) {
        auto* notice = new QMessageBox(QMessageBox::Warning, tr("警告"), message, QMessageBox::Ok, this);
        notice->setObjectName(QStringLiteral("cameraRefused"));
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->setModal(false);
        notice->show();
    });
    connectDualLight();
    connect(ui.viewport, &ViewPort::registrationFinished, this, &Orvik::onRegistrationFinished);
    connect(ui.viewport, &ViewPort::registrationDropped, this, [this] {
        ui.boardRegistration->setChecked(false);
        ui.boardRegistration->setCheckable(false);
    });
    connect(ui.viewport, &ViewPort::regionRefused, this,
            [this] { showNotice(tr("区域比一块电路板还宽，未添加：请在一块板上画")); });
    LOG_INFO(LOG_ORVIK) << "CreateChildren";
}

void Orvik::connectDualLight()
{
    DualLightBar* bar = ui.dualLightBar;
    connect(deviceManager, &FunctionModel::DoubleConnected, bar, &QWidget::setVisible);
    connect(deviceManager, &FunctionModel::SetDoubleModel, bar, &DualLightBar::setMode);
    connect(bar, &DualLightBar::modeChosen, deviceManager, &FunctionModel::setFusionMode);
    connect(bar, &DualLightBar::moveRequested, deviceManager, [this](int direction) {
        // Up and down as the picture is shown: a flipped or upturned picture turns them round.
        const bool upsideDown = deviceManager->getVFlip() != (deviceManager->getRotation() == 180);
        deviceManager->manualMove(upsideDown && direction < 2 ? 1 - direction : direction);
    });
    connect(bar, &DualLightBar::resetRequested, deviceManager, &FunctionModel::manualReset);
    // Without its factory record the camera aligns its two images only roughly: say so.
    connect(deviceManager, &FunctionModel::GetPortDataErr, this, [this](const QString& message) {
        auto* notice = new QMessageBox(QMessageBox::Warning, tr("警告"), message, QMessageBox::Ok, this);
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->setModal(false);
        notice->show();
    });
}

void Orvik::initMenuMess()
{
    mouseTempOff = deviceManager->getMouseTemp();
    imagePath = deviceManager->getImagePath();
    videoPath = deviceManager->getVideoPath();
    highRange = deviceManager->getLowTemperatureMode();
    alarmOn = deviceManager->getHighTempAlarm();
    warningSoundName = deviceManager->getWarningSoundName();
    alarmLoops = deviceManager->getSoundIntervalSeconds();
    (highRange ? ui.High : ui.Low)->setChecked(true);
    ui.tempAlarmValue->setText(deviceManager->getHighTempThreshold());
    // A typed threshold is kept for the next start.
    connect(ui.tempAlarmValue, &QLineEdit::editingFinished, this, &Orvik::finishThresholdEditing);
    connect(ui.tempAlarmValue, &QLineEdit::textChanged, this, &Orvik::markThreshold);
    LOG_INFO(LOG_ORVIK) << "InitMenuMess";
}

void Orvik::initInerface()
{
    hottestOff = deviceManager->getMaxTempTrack();
    const QString unit = deviceManager->getTempUnit();
    ui.viewport->setDisplayOptions(unit, !mouseTempOff, !hottestOff);
    ui.tempRange->setUnitAndQuickFindRange(unit, deviceManager->getTempRangeMin(), deviceManager->getTempRangeMax());
    ui.thermoMeter->setUnitAndQuickFindRange(unit, deviceManager->getTempRangeMin(), deviceManager->getTempRangeMax());
    showThresholdIn(unit);
    LOG_INFO(LOG_ORVIK) << "InitInerface";
}

void Orvik::initQTimer()
{
    recordTimer = new QTimer(this);
    alarmSoundTimer = new QTimer(this);
    flickerTimer = new QTimer(this);
    recordButtonTimer = new QTimer(this);
    regionTimer = new QTimer(this);
    regionTimer->setSingleShot(true);
    noticeTimer = new QTimer(this);
    noticeTimer->setSingleShot(true);
    connect(noticeTimer, &QTimer::timeout, ui.statusNotice, &QLabel::clear);
    connect(regionTimer, &QTimer::timeout, this, &Orvik::followWindowWhileRecording);
    connect(recordTimer, &QTimer::timeout, this, &Orvik::recordFile);
    connect(recordButtonTimer, &QTimer::timeout, this, &Orvik::SetVideoButtonEable);
    connect(alarmSoundTimer, &QTimer::timeout, this, &Orvik::alarmSound);
    connect(flickerTimer, &QTimer::timeout, this, &Orvik::screenFlicker);
    if (alarmOn)
        armAlarm();
    LOG_INFO(LOG_ORVIK) << "InitQTimer";
}

void Orvik::restoreSavedState()
{
    ConfigManager* config = ConfigManager::getInstance();
    if (!config->getEquipmentValue(QStringLiteral("SaveWinPos"))) {
        int left = 0, top = 0, width = 0, height = 0;
        config->getSoftwareLocation(left, top);
        config->getSoftwareSize(width, height);
        if (left && top && width && height)
            setGeometry(placeWindow(left, top, width, height, availableScreenAreas(), size()));
    }
    if (!config->getEquipmentValue(QStringLiteral("SaveRotate"))) {
        rotation = config->getRotation();
        const bool hFlip = config->getEquipmentValue(QStringLiteral("HorizontalFlip"));
        const bool vFlip = config->getEquipmentValue(QStringLiteral("VerticalFlip"));
        ui.viewport->setOrientation(rotation, hFlip, vFlip);
        mirroredH = hFlip;
        mirroredV = vFlip;
        showFlips();
        // The device manager saves its own orientation at shutdown and flips from it: it must
        // start from what is shown, or the next flip jumps and the next start forgets.
        deviceManager->setOrientation(rotation, hFlip, vFlip);
    }
}

void Orvik::initBasics()
{
    showNewestVideo();
    showNewestSnapshot();
    // The palette and the image mode last chosen.
    ConfigManager* config = ConfigManager::getInstance();
    selectPalette(config->getSettingOrDefault(QStringLiteral("Palette")).toInt());
    ui.widget3D->setSmoothing(deviceManager->getThreeDLevel());
    showAlarmFrame(false);
    selectImageMode(config->getSettingOrDefault(QStringLiteral("ImageMode")).toInt());
    LOG_INFO(LOG_ORVIK) << "InitBasics";
}

void Orvik::warnAboutUnwritableFolders()
{
    QStringList unwritable;
    for (const QString& folder : {imagePath, videoPath})
        if (!StorageFolders::canWrite(folder) && !unwritable.contains(folder))
            unwritable.append(folder);
    if (unwritable.isEmpty())
        return;
    LOG_ERROR(LOG_ORVIK) << "cannot write to" << unwritable.join(QStringLiteral(", "));
    auto* notice = new QMessageBox(QMessageBox::Warning, tr("警告"),
                                   tr("无法写入以下文件夹，抓拍图片和录像将无法保存：") + QStringLiteral("\n\n") +
                                       unwritable.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                                       tr("请在设置中选择其他文件夹。"),
                                   QMessageBox::Ok, this);
    notice->setObjectName(QStringLiteral("folderNotice"));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setModal(false);
    // Once the window is up, so the notice sits on top of it.
    QTimer::singleShot(0, notice, &QWidget::show);
}

// ---------------------------------------------------------------- frames

void Orvik::presentFrame(const FramePtr& frame)
{
    const float minTemp = frame->hasTemperatures() ? frame->minTemp : ViewPort::kNoFrame;
    const float maxTemp = frame->hasTemperatures() ? frame->maxTemp : ViewPort::kNoFrame;
    // The alarm, the colour bar and the slider follow every frame, also those the heat field
    // shows: its heights are spread over the slider's window.
    currentMax = maxTemp;
    ui.thermoMeter->setFrameRange(minTemp, maxTemp);
    ui.tempRange->setFrameRange(minTemp, maxTemp);
    const float low = ui.tempRange->lowWindowFraction(), high = ui.tempRange->highWindowFraction();
    if (heatField) {
        // The view keeps its last picture meanwhile.
        ui.widget3D->setGrayWindow(low, high);
        ui.widget3D->setFrame(frame);
        return;
    }
    const float lowCelsius = ui.tempRange->temperatureAt(ui.tempRange->lowFraction());
    const float highCelsius = ui.tempRange->temperatureAt(ui.tempRange->highFraction());
    if (frame->kind == DualLight) // its fusion is coloured in the camera: from the next frame on
        deviceManager->setTemperatureSpan(ui.tempRange->windowNarrowed(), lowCelsius, highCelsius);
    ui.viewport->setFrame(goldenPicture(frame)); // a difference picture comes in its own colours
    ui.viewport->setGrayWindow(low, high);
    ui.viewport->setTemperatureWindow(lowCelsius, highCelsius, ui.tempRange->windowNarrowed());
    ui.viewport->renderFrame();
}

// ---------------------------------------------------------------- device manager slots

void Orvik::showID(QString id)
{
    ui.deviceId->setText(id);
}

void Orvik::setConnectState(bool state)
{
    connected = state;
    if (!state) {
        // Nothing shown may look live once the camera is gone.
        currentMax = ViewPort::kNoFrame;
        ui.viewport->showNoCamera();
        ui.thermoMeter->setFrameRange(ViewPort::kNoFrame, ViewPort::kNoFrame);
        ui.tempRange->setFrameRange(ViewPort::kNoFrame, ViewPort::kNoFrame);
        ui.widget3D->clear();
        showAlarmFrame(false); // no live temperature is above anything
    }
    ui.connectHint->setText(state ? tr("设备已连接") : tr("设备未连接"));
    ui.connectIcon->setStyleSheet(state ? QStringLiteral("border-image: url(:/image/common/TitleBar/connect.png);")
                                        : QStringLiteral("border-image: url(:/image/common/TitleBar/disconnect.png);"));
}

void Orvik::showRotateParam(int rote, bool hfilp, bool vfilp)
{
    rotation = rote;
    mirroredH = hfilp;
    mirroredV = vfilp;
    ui.viewport->setOrientation(rote, hfilp, vfilp);
    showFlips();
}

void Orvik::changeTempUnit(QString unit)
{
    ui.viewport->setUnit(unit);
    ui.tempRange->setUnit(unit);
    ui.thermoMeter->setUnit(unit);
    showThresholdIn(unit);
}

void Orvik::GetCameraSize(int width, int high, int num)
{
    ui.viewport->setCameraGeometry(width, high, num);
    ui.widget3D->setCameraGeometry(width, high, num);
}

void Orvik::InitTemp(QString temp, int min, int max)
{
    // A new range keeps leak find's window on the same temperatures.
    ui.tempRange->setUnit(temp);
    ui.tempRange->setQuickFindRange(min, max);
    ui.thermoMeter->setUnitAndQuickFindRange(temp, min, max);
}

// ---------------------------------------------------------------- language

void Orvik::loadQtTranslation()
{
    // Qt's own texts (the folder chooser's buttons) in the interface's language, from the start.
    static const char* const files[] = {"qtbase_zh_CN", "qtbase_en", "qtbase_es"};
    if (qtTranslator) {
        qApp->removeTranslator(qtTranslator);
        delete qtTranslator;
    }
    qtTranslator = new QTranslator(this);
    if (gLanguageIndex >= 0 && gLanguageIndex < 3)
        qtTranslator->load(QLatin1String(files[gLanguageIndex]), QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    qApp->installTranslator(qtTranslator);
}

void Orvik::onLanguageChanged()
{
    gLanguageIndex = ui.language->currentIndex();
    static const char* const files[] = {":language/lang_Chinese.qm", ":language/lang_English.qm",
                                        ":language/lang_Espana.qm"};
    // One translator at a time: an old one would answer for texts the new one lacks.
    if (translator) {
        qApp->removeTranslator(translator);
        delete translator;
    }
    translator = new QTranslator(this);
    if (gLanguageIndex >= 0 && gLanguageIndex < 3)
        translator->load(QLatin1String(files[gLanguageIndex]));
    loadQtTranslation();
    qApp->installTranslator(translator);
    ui.retranslateUi(this);
    ui.connectHint->setText(connected ? tr("设备已连接") : tr("设备未连接"));
    ui.record->setText(recording ? tr("停止录像") : tr("开始录像"));
    ConfigManager::getInstance()->setLanguage(QString::number(gLanguageIndex));
}

// ---------------------------------------------------------------- frameless window

Qt::Edges Orvik::edgesAt(const QPoint& p, const QSize& window)
{
    Qt::Edges edges;
    const int w = window.width(), h = window.height();
    if (p.x() >= 1 && p.x() < kResizeBorder)
        edges |= Qt::LeftEdge;
    if (p.x() > w - kResizeBorder && p.x() < w)
        edges |= Qt::RightEdge;
    if (p.y() >= 1 && p.y() < kResizeBorder)
        edges |= Qt::TopEdge;
    if (p.y() > h - kResizeBorder && p.y() < h)
        edges |= Qt::BottomEdge;
    return edges;
}

void Orvik::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const Qt::Edges edges = edgesAt(event->pos(), size());
        if (edges && windowHandle() && windowHandle()->startSystemResize(edges))
            return;
        dragging = true;
        pressPos = event->pos();
    }
    QMainWindow::mousePressEvent(event);
}

void Orvik::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging) {
        move(pos() - pressPos + event->pos());
    } else {
        const Qt::Edges edges = edgesAt(event->pos(), size());
        if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
            setCursor(Qt::SizeFDiagCursor);
        else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
            setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edges & (Qt::TopEdge | Qt::BottomEdge))
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
    }
    QMainWindow::mouseMoveEvent(event);
}

void Orvik::moveEvent(QMoveEvent* event)
{
    if (recorder)
        regionTimer->start(200);
    QMainWindow::moveEvent(event);
}

void Orvik::resizeEvent(QResizeEvent* event)
{
    if (recorder)
        regionTimer->start(200);
    QMainWindow::resizeEvent(event);
}

void Orvik::mouseReleaseEvent(QMouseEvent* event)
{
    dragging = false;
    QMainWindow::mouseReleaseEvent(event);
}

void Orvik::mouseDoubleClickEvent(QMouseEvent* event)
{
    toggleMaximized();
    QMainWindow::mouseDoubleClickEvent(event);
}

void Orvik::toggleMaximized()
{
    if (maximized) {
        showNormal();
        ui.max->setIcon(QIcon(QStringLiteral(":/image/Orvik/TitleBar/maxSr.png")));
    } else {
        showMaximized();
        ui.max->setIcon(QIcon(QStringLiteral(":/image/Orvik/TitleBar/winMax.png")));
    }
    maximized = !maximized;
}

void Orvik::on_min_clicked()
{
    showMinimized();
}

void Orvik::on_max_clicked()
{
    toggleMaximized();
}

void Orvik::on_close_clicked()
{
    close();
}

bool Orvik::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // The window's keys act wherever its focus is (a button, the language box), except in
        // the threshold field while typing; they act once, on release.
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (!widget || widget->window() != this)
            break;
        if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) {
            // Ctrl and Shift count as held at the press: they are often let go before the key.
            pressedKey = key->key();
            pressedWithCtrl = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
            pressedWithShift = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
        }
        if (!isCommandKey(key))
            break;
        if (event->type() == QEvent::KeyRelease)
            keyReleaseEvent(key);
        return true;
    }
    case QEvent::Enter:
        if (watched == ui.mainGroupBox)
            ui.centralwidget->setCursor(Qt::ArrowCursor);
        break;
    case QEvent::Leave:
        if (watched == ui.viewport)
            ui.viewport->clearHover();
        break;
    case QEvent::MouseButtonPress: {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (widget && ui.tempAlarmValue->hasFocus() && widget != ui.tempAlarmValue) {
            const QPoint inParent = ui.tempAlarmValue->parentWidget()->mapFromGlobal(mouse->globalPos());
            if (!ui.tempAlarmValue->geometry().contains(inParent)) {
                ui.tempAlarmValue->clearFocus();
                setFocus();
            }
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        if (watched == ui.imageFile)
            QDesktopServices::openUrl(QUrl::fromLocalFile(imagePath));
        else if (watched == ui.videoFile)
            QDesktopServices::openUrl(QUrl::fromLocalFile(videoPath));
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
