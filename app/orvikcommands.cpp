// The main window's command buttons, keys and diagnosis modes.
#include "app/orvik.h"

#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "view/hot3dwidget.h"
#include "view/palette.h"
#include "view/thermometer.h"
#include "view/verrangerslider.h"
#include "view/viewport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolTip>
#include <QUrl>

void Orvik::selectPalette(int number)
{
    static const PaletteFile files[] = {PaletteFile::Lut1, PaletteFile::Lut3, PaletteFile::Lut12};
    if (number < 1 || number > 3 || !loadPalette(files[number - 1], palette))
        return;
    ui.viewport->setPalette(palette);
    ui.widget3D->setPalette(palette);
    deviceManager->setFusionPalette(palette); // the dual-light picture's infrared colours
    // The strip beside the slider shows the palette the image is coloured with.
    ui.tempRange->setPaletteNumber(number);
    QPushButton* buttons[] = {ui.palette1, ui.palette2, ui.palette3};
    buttons[number - 1]->setChecked(true);
    ConfigManager::getInstance()->setSettingValue(QStringLiteral("Palette"), QString::number(number));
}

void Orvik::selectImageMode(int mode)
{
    if (mode < 0 || mode > 2)
        return;
    deviceManager->setImageMode(mode);
    QPushButton* buttons[] = {ui.universal, ui.enhance, ui.highContrast};
    buttons[mode]->setChecked(true);
    ConfigManager::getInstance()->setSettingValue(QStringLiteral("ImageMode"), QString::number(mode));
}

void Orvik::on_vFlip_clicked()
{
    deviceManager->flipVertical();
    showFlips(); // a refused flip leaves the button as it was
}

void Orvik::on_hFlip_clicked()
{
    deviceManager->flipHorizontal();
    showFlips();
}

void Orvik::showFlips()
{
    // At a quarter turn the frame's vertical mirror is the screen's horizontal one.
    const bool quarter = rotation == 90 || rotation == 270;
    ui.hFlip->setChecked(quarter ? mirroredV : mirroredH);
    ui.vFlip->setChecked(quarter ? mirroredH : mirroredV);
}

void Orvik::on_ResetCalibration_clicked()
{
    if (!connected) {
        showNotice(tr("未连接设备，无法重置校准"));
        return;
    }
    showNotice(deviceManager->resetCalibration() ? tr("已重置校准") : tr("相机未接受重置校准命令"));
}

void Orvik::showNotice(const QString& text)
{
    ui.statusNotice->setText(text);
    noticeTimer->start(5000);
}

void Orvik::endAids()
{
    switchLeakFindOff();
    regionFind = false;
    ui.regionFind->setChecked(false);
    ui.viewport->resetModes();
}

void Orvik::restoreDefaultView()
{
    endAids();
    ui.tempRange->setLeakMode(false);
    rotation = 0;
    mirroredH = mirroredV = false;
    deviceManager->resetOrientation();
    showFlips();
    ui.viewport->resetAll();
    selectImageMode(0);
    selectPalette(1);
}

void Orvik::switchRange(bool high)
{
    if (high != highRange && deviceManager->setLowTemperatureMode(high))
        highRange = high;
    // A refused switch keeps the range in effect selected.
    (highRange ? ui.High : ui.Low)->setChecked(true);
}

void Orvik::enterMode(int mode)
{
    QPushButton* const buttons[] = {ui.pcba_quickFind, ui.hotField, ui.boardCompare};
    buttons[mode]->setChecked(true);
    if (!deviceManager->setFunctionMode(mode))
        return;
    heatField = mode == FunctionModel::HeatField;
    ui.snapImage->setEnabled(!heatField);
    for (QPushButton* tool : {ui.pointTemp, ui.rectTemp, ui.polygonRegion})
        tool->setVisible(!heatField);
    for (QPushButton* aid : {ui.regionFind, ui.leakFind})
        aid->setVisible(mode == FunctionModel::PcbaQuickFind);
    ui.stackedWidget->setCurrentIndex(heatField ? 1 : 0);
    ui.viewport->setBoardCompare(mode == FunctionModel::BoardCompare);
    for (QPushButton* golden : {ui.goldenBoard, ui.saveReference, ui.loadReference})
        golden->setVisible(mode == FunctionModel::BoardCompare);
    if (mode != FunctionModel::BoardCompare)
        setGoldenBoard(false);
    endAids();
}

void Orvik::toggleLeakFind()
{
    // Switching off needs no camera: the mode must never outlive the means to leave it. On,
    // it belongs to the quick check, the only mode that shows its button.
    if (leakFind || (connected && deviceManager->getFunctionMode() == FunctionModel::PcbaQuickFind))
        setLeakFind(!leakFind);
    ui.leakFind->setChecked(leakFind);
}

void Orvik::switchLeakFindOff()
{
    if (leakFind)
        setLeakFind(false);
}

void Orvik::setLeakFind(bool on)
{
    leakFind = on;
    ui.thermoMeter->setLeakMode(on);
    ui.tempRange->setLeakMode(on);
    ui.viewport->setLeakFind(on);
    ui.leakFind->setChecked(on);
}

void Orvik::on_pointTemp_clicked()
{
    if (connected)
        ui.viewport->armPointTool();
}

void Orvik::on_rectTemp_clicked()
{
    if (!connected)
        return;
    if (deviceManager->getFunctionMode() == FunctionModel::PcbaQuickFind)
        ui.viewport->armSearchRectTool();
    else
        ui.viewport->armChartRectTool();
}

void Orvik::on_polygonRegion_clicked()
{
    if (connected)
        ui.viewport->armPolygonTool();
}

void Orvik::on_regionFind_clicked()
{
    if (connected || regionFind) {
        regionFind = !regionFind;
        ui.viewport->setRegionFind(regionFind);
    }
    ui.regionFind->setChecked(regionFind);
}

void Orvik::on_SuperModule_clicked()
{
    const QPoint below = ui.SuperModule->mapToGlobal(ui.SuperModule->rect().bottomLeft());
    if (connected && !superResolution && deviceManager->getDeviceKind() == DualLight) {
        // Its picture is the 800 x 600 fusion already, not a thermal frame to enlarge.
        QToolTip::showText(below, tr("双光融合画面不使用超分辨率"), ui.SuperModule);
    } else if (connected && !superResolution && !ui.viewport->superResolutionAvailable()) {
        // The log holds OpenCV's reason; the user learns that the mode cannot be had.
        QToolTip::showText(below, tr("超分辨率不可用：模型文件无法加载"), ui.SuperModule);
    } else if ((connected || superResolution) && ui.viewport->setSuperResolution(!superResolution)) {
        // Off needs no camera: the mode must never outlive the means to leave it.
        superResolution = !superResolution;
    }
    ui.SuperModule->setCheckable(superResolution);
    ui.SuperModule->setChecked(superResolution);
}

void Orvik::on_boardRegistration_clicked()
{
    QPushButton* button = ui.boardRegistration;
    const QPoint below = button->mapToGlobal(button->rect().bottomLeft());
    if (ui.viewport->registrationShown()) { // the second press
        ui.viewport->removeRegistration();
        button->setCheckable(false);
        return;
    }
    if (!connected) {
        QToolTip::showText(below, tr("未检测到热像仪"), button);
        return;
    }
    const QString picture = QFileDialog::getOpenFileName(
        this, tr("导入2D图片"), ConfigManager::getInstance()->storage().registration + QStringLiteral("/2Dpicture"),
        tr("图片 (*.png *.jpg *.jpeg *.bmp)"));
    if (picture.isEmpty()) {
        QToolTip::showText(below, tr("请导入图片"), button);
        return;
    }
    if (!ui.viewport->startRegistration(picture)) {
        QToolTip::showText(below, tr("未检测到热像仪"), button); // no picture to lay it over
        return;
    }
    LOG_INFO(LOG_ORVIK) << "registration of" << picture;
    button->setEnabled(false);
    button->setText(tr("配准中……"));
}

void Orvik::onRegistrationFinished(bool registered, const QString& failure)
{
    QPushButton* button = ui.boardRegistration;
    button->setEnabled(true);
    button->setText(tr("板图配准"));
    button->setCheckable(registered);
    button->setChecked(registered);
    if (registered) {
        LOG_INFO(LOG_ORVIK) << "board photograph laid over the picture";
        return;
    }
    // What this run found first, then the usual reasons.
    QString found = tr("未能把图片配准到热图像上。");
    if (failure == QLatin1String("Low similarity"))
        found = tr("热图像中没有找到电路板。");
    else if (failure == QLatin1String("No test file"))
        found = tr("缺少电路板模板文件 PCB/test_temple.yaml。");
    else if (failure.startsWith(QLatin1String("picture unreadable")))
        found = tr("图片无法读取。");
    else if (failure.contains(QLatin1String("another shape")) || failure.contains(QLatin1String("parts are not")))
        found = tr("图片中的电路板与热图像中的不符。");
    LOG_WARNING(LOG_ORVIK) << "registration shown as failed:" << failure;
    QStringList reasons{found, QString(), tr("1.2D图片选择错误。"), tr("2.热成像中的物体轮廓过小。"), tr("3.热成像中的物体轮廓不够明显。"),
                        tr("4.热成像中有其他发热物体的轮廓干扰。"), tr("5.热成像中的物体轮廓不完整。")};
    auto* box = new QMessageBox(QMessageBox::Warning, tr("匹配失败的可能原因"), reasons.join(QLatin1Char('\n')),
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("MatchfailBox"));
    box->setDetailedText(failure);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void Orvik::on_webSite_clicked()
{
    openAddress(QUrl(ConfigManager::getWebAddress()));
}

void Orvik::on_emailAddress_clicked()
{
    openAddress(QUrl(QStringLiteral("mailto:") + ConfigManager::getSupportAddress()));
}

void Orvik::openAddress(const QUrl& address)
{
    const QString shown = address.scheme() == QLatin1String("mailto") ? address.path() : address.toString();
    if (QDesktopServices::openUrl(address)) {
        showNotice(tr("已打开 %1").arg(shown));
        return;
    }
    LOG_INFO(LOG_ORVIK) << "no program opens" << address.toString();
    showNotice(tr("没有程序能打开 %1").arg(shown));
}

// ---------------------------------------------------------------- keys

bool Orvik::isCommandKey(const QKeyEvent* event) const
{
    // In the threshold field the keys are typing.
    if (QApplication::focusWidget() == ui.tempAlarmValue)
        return false;
    if (goldenKey(event))
        return true;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_A:
    case Qt::Key_D:
    case Qt::Key_M:
        return !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    case Qt::Key_Up:
    case Qt::Key_Down:
        return modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier;
    default:
        return false;
    }
}

void Orvik::keyReleaseEvent(QKeyEvent* event)
{
    if (!isCommandKey(event)) {
        QMainWindow::keyReleaseEvent(event);
        return;
    }
    if (goldenKey(event)) {
        nudgeGoldenBoard(event->key());
        event->accept();
        return;
    }
    const bool ctrl = event->key() == pressedKey ? pressedWithCtrl
                                                 : (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_A:
        if (!event->isAutoRepeat())
            toggleAlarm();
        break;
    case Qt::Key_D:
        if (!event->isAutoRepeat())
            restoreDefaultView();
        break;
    case Qt::Key_M:
        if (!event->isAutoRepeat())
            toggleLeakFind();
        break;
    default: {
        const bool up = event->key() == Qt::Key_Up;
        if (ctrl)
            ui.tempRange->nudgeBoth(up);
        else
            ui.tempRange->nudge(up);
        break;
    }
    }
    event->accept();
}
