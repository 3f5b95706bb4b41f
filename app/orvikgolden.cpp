// The main window's golden-board comparison: its buttons, keys and reference files.
#include "app/orvik.h"
#include "core/configmanager.h"
#include "core/log.h"
#include "view/viewport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>

#include <cmath>
#include <QPushButton>

void Orvik::setGoldenBoard(bool on)
{
    // Board compare's own: it needs the boards in view.
    on = on && connected && deviceManager->getFunctionMode() == FunctionModel::BoardCompare;
    if (on && !golden.isOn())
        goldenThresholdK = ConfigManager::getInstance()->getSettingOrDefault(QStringLiteral("GoldenThreshold")).toFloat();
    golden.setOn(on);
    ui.goldenBoard->setChecked(on);
    if (!on)
        ui.viewport->setDifferenceOverlay(DifferenceOverlay());
    LOG_INFO(LOG_ORVIK) << "golden-board difference" << (on ? "on" : "off");
}

FramePtr Orvik::goldenPicture(const FramePtr& frame)
{
    if (!golden.isOn())
        return frame;
    DifferenceOverlay overlay;
    const FramePtr shown = golden.compare(frame, goldenThresholdK, overlay);
    ui.viewport->setDifferenceOverlay(overlay);
    return shown;
}

bool Orvik::saveReferenceTo(const QString& path)
{
    const FramePtr frame = ui.viewport->shownFrame(); // a difference picture keeps the live temperatures
    QString why = tr("没有温度数据");
    if (!frame || !GoldenBoard::saveReference(*frame, ui.deviceId->text(), highRange,
                                              deviceManager->sensorCorrection().emissivity, path, &why)) {
        LOG_ERROR(LOG_ORVIK) << "reference not saved:" << path << why;
        showNotice(tr("标准板未能保存：%1").arg(why));
        return false;
    }
    LOG_INFO(LOG_ORVIK) << "reference saved:" << path;
    referenceFolder = QFileInfo(path).absolutePath();
    showNotice(tr("标准板已保存：%1").arg(QFileInfo(path).fileName()));
    return true;
}

bool Orvik::loadReferenceFrom(const QString& path)
{
    const FramePtr live = ui.viewport->shownFrame();
    QString why = tr("没有温度数据");
    if (!connected || deviceManager->getFunctionMode() != FunctionModel::BoardCompare || !live ||
        !live->hasTemperatures() || !golden.loadReference(path, *live, highRange, &why)) {
        LOG_WARNING(LOG_ORVIK) << "reference refused:" << path << why;
        showNotice(tr("标准板文件无法使用：%1").arg(why));
        return false;
    }
    referenceFolder = QFileInfo(path).absolutePath();
    const float emissivity = deviceManager->sensorCorrection().emissivity;
    if (std::abs(golden.loadedEmissivity() - emissivity) > 0.005f)
        LOG_WARNING(LOG_ORVIK) << "reference taken at emissivity" << golden.loadedEmissivity() << ", now" << emissivity;
    LOG_INFO(LOG_ORVIK) << "reference loaded:" << path << "of camera" << golden.loadedCamera();
    setGoldenBoard(true);
    // Another camera of the kind may serve, but the technician should know.
    if (golden.loadedCamera() != ui.deviceId->text())
        showNotice(tr("标准板由另一台相机（%1）拍摄").arg(golden.loadedCamera()));
    return golden.isOn();
}

void Orvik::on_saveReference_clicked()
{
    const QString folder = referenceFolder.isEmpty() ? imagePath : referenceFolder;
    const QString path = QFileDialog::getSaveFileName(this, tr("保存标准板"), folder + QStringLiteral("/reference.ovref"),
                                                      tr("标准板 (*.ovref)"));
    if (!path.isEmpty())
        saveReferenceTo(path);
}

void Orvik::on_loadReference_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("载入标准板"), referenceFolder.isEmpty() ? imagePath : referenceFolder,
                                                      tr("标准板 (*.ovref)"));
    if (!path.isEmpty())
        loadReferenceFrom(path);
}

bool Orvik::goldenKey(const QKeyEvent* event) const
{
    // Shift as it was at the press: it is often let go before the key.
    const bool shift = event->type() == QEvent::KeyRelease && event->key() == pressedKey
                           ? pressedWithShift
                           : (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
    if (!golden.isOn() || !shift)
        return false;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Backspace:
        return true;
    default:
        return false;
    }
}

void Orvik::nudgeGoldenBoard(int key)
{
    // In the camera's pixels and degrees, whatever way the view is turned.
    switch (key) {
    case Qt::Key_Left: golden.nudge(-1, 0, 0); break;
    case Qt::Key_Right: golden.nudge(1, 0, 0); break;
    case Qt::Key_Up: golden.nudge(0, -1, 0); break;
    case Qt::Key_Down: golden.nudge(0, 1, 0); break;
    case Qt::Key_PageUp: golden.nudge(0, 0, 0.5); break;
    case Qt::Key_PageDown: golden.nudge(0, 0, -0.5); break;
    default: golden.resetNudge(); break;
    }
}
