#include "tools/settingdialog.h"

#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "tools/numberfield.h"
#include "tools/settingfunc.h"
#include "view/horrangerslider.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const kSounds[] = {"01-Chime.wav", "02-Ding.wav", "03-Falling.wav", "04-Rising.wav",
                               "05-Dry.wav",   "06-Dry.wav",  "07-Ring.wav",    "08-Bell.wav"};

// The six correction values: their keys in the order they are read, defaults, decimals shown
// and the physical range a value must lie in.
struct Correction
{
    const char* key;
    const char* defaultText;
    int decimals;
    double low, high;
};
constexpr Correction kEmission{"emiss", "1.00", 2, 0.01, 1.0};
constexpr Correction kDistance{"distan", "0.25", 2, 0.01, 1000.0};
constexpr Correction kHumidity{"humi", "0.50", 2, 0.0, 1.0};
constexpr Correction kOffset{"fix", "0.0", 1, -100.0, 100.0};
constexpr Correction kReflected{"refltmp", "25.0", 1, -50.0, 600.0};
constexpr Correction kAmbient{"airtmp", "25.0", 1, -50.0, 100.0};

// The stored value with the decimals the field shows, or more where those would change it.
QString fieldText(float value, int decimals)
{
    const QString text = QString::number(double(value), 'f', decimals);
    return text.toFloat() == value ? text : QString::number(double(value), 'g', 6);
}

int shown(int celsius, const QString& unit)
{
    return unit == QLatin1String("F") ? int(celsius * 1.8 + 32.0) : celsius;
}

template <class T> T* named(QWidget* parent, const char* name)
{
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* checkable(QWidget* parent, const char* name, QButtonGroup* group)
{
    auto* button = named<QPushButton>(parent, name);
    button->setCheckable(true);
    button->setCursor(Qt::PointingHandCursor);
    group->addButton(button);
    return button;
}

const char kStyle[] = R"(
QDialog#settingDialog { background-color: rgb(8, 36, 64); }
QWidget { color: rgb(210, 220, 230); font-family: "Microsoft YaHei"; font-size: 13px; }
QFrame#titleBar { background-color: rgb(6, 32, 58); }
QPushButton { background-color: rgb(14, 50, 84); border: 1px solid rgb(28, 72, 110); border-radius: 3px; padding: 4px 10px; }
QPushButton:checked { background-color: rgb(0, 110, 170); border-color: rgb(0, 170, 255); color: white; }
QPushButton#close { background: transparent; border: none; }
QLineEdit, QComboBox { background-color: rgb(4, 22, 40); border: 1px solid rgb(28, 72, 110); padding: 3px; }
QComboBox QAbstractItemView { background-color: rgb(4, 22, 40); color: rgb(210, 220, 230); selection-background-color: rgb(0, 110, 170); }
QFileDialog, QFileDialog QWidget { background-color: rgb(8, 36, 64); color: rgb(210, 220, 230); }
QFileDialog QAbstractItemView { background-color: rgb(4, 22, 40); selection-background-color: rgb(0, 110, 170); }
QLineEdit[invalid="true"] { border-color: rgb(255, 60, 60); }
QFrame#frame { border: 1px solid rgb(28, 72, 110); border-radius: 4px; }
)";

} // namespace

settingDialog::settingDialog(QWidget* parent, settingfunc* receiver) : QDialog(parent), func(receiver)
{
    buildForm();
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    resize(800, 500);
    for (int i = 1; i <= 5; ++i)
        level3D->addItem(QString::number(i));
    for (const char* sound : kSounds)
        alarmVoice->addItem(QLatin1String(sound));
    connect(alarmDuration, &QLineEdit::textChanged, this, [this] { durationValid(); });
    retranslate();
    Initini();
    InitSensorFixParam();
    QMetaObject::connectSlotsByName(this);
}

settingDialog::~settingDialog()
{
    LOG_INFO(LOG_ORVIK) << "~settingDialog";
    func = nullptr;
}

void settingDialog::buildForm()
{
    setObjectName(QStringLiteral("settingDialog"));
    setStyleSheet(QLatin1String(kStyle));
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 12);

    auto* titleBar = named<QFrame>(this, "titleBar");
    auto* head = new QHBoxLayout(titleBar);
    head->setContentsMargins(14, 6, 8, 6);
    title = named<QLabel>(titleBar, "title");
    close = named<QPushButton>(titleBar, "close");
    close->setIcon(QIcon(QStringLiteral(":/image/Orvik/TitleBar/winClose.png")));
    close->setFixedSize(28, 28);
    head->addWidget(title);
    head->addStretch();
    head->addWidget(close);
    root->addWidget(titleBar);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(24, 12, 24, 6);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    auto pair = [&](QLabel*& label, const char* labelName, QPushButton*& on, const char* onName, QPushButton*& off,
                    const char* offName, int row, int column) {
        label = named<QLabel>(this, labelName);
        auto* group = new QButtonGroup(this);
        on = checkable(this, onName, group);
        off = checkable(this, offName, group);
        on->setChecked(true);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(on);
        buttons->addWidget(off);
        buttons->addStretch();
        grid->addWidget(label, row, column);
        grid->addLayout(buttons, row, column + 1);
    };
    pair(mouseTempLabel, "mouseTempLabel", mouseTempOn, "mouseTempOn", mouseTempOffButton, "mouseTempOff", 0, 0);
    pair(tempUnitLabel, "tempUnitLabel", tempUnitC, "tempUnitC", tempUnitF, "tempUnitF", 0, 2);
    pair(saveWinPosLabel, "saveWinPosLabel", saveWinPosOn, "saveWinPosOn", saveWinPosOffButton, "saveWinPosOff", 1, 0);
    pair(saveRotateLabel, "saveRotateLabel", saveRotateOn, "saveRotateOn", saveRotateOffButton, "saveRotateOff", 1, 2);
    alarmVoiceLabel = named<QLabel>(this, "alarmVoiceLabel");
    alarmVoice = named<QComboBox>(this, "alarmVoice");
    alarmDurationLabel = named<QLabel>(this, "alarmDurationLabel");
    alarmDuration = named<QLineEdit>(this, "alarmDuration");
    alarmDuration->setText(QStringLiteral("5"));
    grid->addWidget(alarmVoiceLabel, 2, 0);
    grid->addWidget(alarmVoice, 2, 1);
    grid->addWidget(alarmDurationLabel, 2, 2);
    grid->addWidget(alarmDuration, 2, 3);
    level3DLabel = named<QLabel>(this, "level3DLabel");
    level3D = named<QComboBox>(this, "level3D");
    grid->addWidget(level3DLabel, 3, 0);
    grid->addWidget(level3D, 3, 1);

    rangeLabel = named<QLabel>(this, "rangeLabel");
    tempMin = named<QLabel>(this, "tempMin");
    tempMax = named<QLabel>(this, "tempMax");
    tempMin->setText(QStringLiteral("-10"));
    tempMax->setText(QStringLiteral("93"));
    tempRangeSlider = named<HorRangerSlider>(this, "tempRangeSlider");
    tempRangeSlider->setMinimumHeight(28);
    tempRangeSlider->setValuesChanged([this](int low, int high) { showTempRange(low, high); });
    auto* range = new QHBoxLayout;
    range->addWidget(tempMin);
    range->addWidget(tempRangeSlider, 1);
    range->addWidget(tempMax);
    grid->addWidget(rangeLabel, 4, 0);
    grid->addLayout(range, 4, 1, 1, 3);

    auto folderRow = [&](QLabel*& label, const char* labelName, QLineEdit*& input, const char* inputName,
                         QPushButton*& chooser, const char* chooserName, int row) {
        label = named<QLabel>(this, labelName);
        input = named<QLineEdit>(this, inputName);
        chooser = named<QPushButton>(this, chooserName);
        chooser->setText(QStringLiteral("..."));
        grid->addWidget(label, row, 0);
        grid->addWidget(input, row, 1, 1, 2);
        grid->addWidget(chooser, row, 3, Qt::AlignLeft);
    };
    folderRow(imgPosLabel, "imgPosLabel", imgPosInput, "imgPosInput", imgLocation, "imgLocation", 5);
    folderRow(videoPosLabel, "videoPosLabel", videoPosInput, "videoPosInput", videoLocation, "videoLocation", 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    root->addLayout(grid);

    frame = named<QFrame>(this, "frame");
    auto* correction = new QGridLayout(frame);
    correctionLabel = named<QLabel>(frame, "correctionLabel");
    correction->addWidget(correctionLabel, 0, 0, 1, 6);
    struct Field
    {
        QLabel** label;
        const char* labelName;
        QLineEdit** edit;
        const char* editName;
        const Correction* range;
    } fields[] = {{&emissionLabel, "emissionLabel", &emission, "emission", &kEmission},
                  {&distanceLabel, "distanceLabel", &distance, "distance", &kDistance},
                  {&wetLabel, "wetLabel", &wet, "wet", &kHumidity},
                  {&offsetLabel, "offsetLabel", &offset, "offset", &kOffset},
                  {&reflectLabel, "reflectLabel", &reflect, "reflect", &kReflected},
                  {&environmentLabel, "environmentLabel", &environment, "environment", &kAmbient}};
    for (int i = 0; i < 6; ++i) {
        Field& f = fields[i];
        *f.label = named<QLabel>(frame, f.labelName);
        *f.edit = named<QLineEdit>(frame, f.editName);
        (*f.edit)->setText(QLatin1String(f.range->defaultText));
        // Only physically possible values: anything else would make every temperature wrong.
        connect(*f.edit, &QLineEdit::textChanged, *f.edit, [this, edit = *f.edit, range = f.range] {
            numberfield::mark(edit, {range->low, range->high}, rangeHint(range->low, range->high));
        });
        correction->addWidget(*f.label, 1 + i / 3, (i % 3) * 2);
        correction->addWidget(*f.edit, 1 + i / 3, (i % 3) * 2 + 1);
    }
    defaultParam = named<QPushButton>(frame, "defaultParam");
    correction->addWidget(defaultParam, 3, 5, Qt::AlignRight);
    auto* frameRow = new QHBoxLayout;
    frameRow->setContentsMargins(24, 0, 24, 0);
    frameRow->addWidget(frame);
    root->addLayout(frameRow);
    root->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(24, 0, 24, 0);
    buttons->addStretch();
    OK = named<QPushButton>(this, "OK");
    cancel = named<QPushButton>(this, "cancel");
    apply = named<QPushButton>(this, "apply");
    for (QPushButton* b : {OK, cancel, apply})
        buttons->addWidget(b);
    root->addLayout(buttons);
}

void settingDialog::retranslate()
{
    title->setText(tr("设置"));
    mouseTempLabel->setText(tr("鼠标温度"));
    saveWinPosLabel->setText(tr("保存窗口位置"));
    alarmVoiceLabel->setText(tr("告警声音"));
    level3DLabel->setText(tr("3D对比等级"));
    tempUnitLabel->setText(tr("温度单位"));
    saveRotateLabel->setText(tr("保存旋转和镜像"));
    alarmDurationLabel->setText(tr("告警持续时间(s)"));
    alarmDuration->setToolTip(tr("范围0到99"));
    rangeLabel->setText(tr("速查固定温度"));
    imgPosLabel->setText(tr("抓拍默认存储位置"));
    videoPosLabel->setText(tr("录像默认存储位置"));
    correctionLabel->setText(tr("参数校正"));
    emissionLabel->setText(tr("发射率"));
    distanceLabel->setText(tr("距离"));
    wetLabel->setText(tr("湿度"));
    offsetLabel->setText(tr("修正"));
    reflectLabel->setText(tr("反射温度"));
    environmentLabel->setText(tr("环境温度"));
    defaultParam->setText(tr("恢复默认"));
    OK->setText(tr("确定"));
    cancel->setText(tr("取消"));
    apply->setText(tr("应用"));
    for (QPushButton* on : {mouseTempOn, saveWinPosOn, saveRotateOn})
        on->setText(QStringLiteral("ON"));
    for (QPushButton* off : {mouseTempOffButton, saveWinPosOffButton, saveRotateOffButton})
        off->setText(QStringLiteral("OFF"));
    tempUnitC->setText(QStringLiteral("C"));
    tempUnitF->setText(QStringLiteral("F"));
}

void settingDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void settingDialog::Initini()
{
    LOG_INFO(LOG_ORVIK) << "Initini";
    ConfigManager* config = ConfigManager::getInstance();
    mouseTempOff = config->getEquipmentValue(QStringLiteral("MouseTemp"));
    (mouseTempOff ? mouseTempOffButton : mouseTempOn)->setChecked(true);
    saveWinPosOff = config->getEquipmentValue(QStringLiteral("SaveWinPos"));
    (saveWinPosOff ? saveWinPosOffButton : saveWinPosOn)->setChecked(true);
    if (config->getSettingOrDefault(QStringLiteral("TempUnit")) == QLatin1String("F")) {
        tempUnit = QStringLiteral("F");
        tempUnitF->setChecked(true);
    }
    saveRotateOff = config->getEquipmentValue(QStringLiteral("SaveRotate"));
    (saveRotateOff ? saveRotateOffButton : saveRotateOn)->setChecked(true);
    alarmVoice->setCurrentText(config->getSettingOrDefault(QStringLiteral("WarningSoundName")));
    level3D->setCurrentText(config->getSettingOrDefault(QStringLiteral("3DLevel")));
    alarmDuration->setText(config->getSettingOrDefault(QStringLiteral("SoundIntervalSeconds")));
    const bool highRange = config->getEquipmentValue(QStringLiteral("LowTemperatureMode"));
    config->getFixedTempRange(highRange, rangeMax, rangeMin);
    QFile table(highRange ? QStringLiteral(":/dat/tau_H.DAT") : QStringLiteral(":/dat/tau_L.DAT"));
    if (table.open(QIODevice::ReadOnly))
        table.read(reinterpret_cast<char*>(tauTable), sizeof tauTable);
    showTempRange(rangeMin, rangeMax);
    tempRangeSlider->setValues(rangeMin, rangeMax);
    imgPosInput->setText(config->getPathOrDefault(QStringLiteral("ImagePath")));
    videoPosInput->setText(config->getPathOrDefault(QStringLiteral("VideoPath")));
}

void settingDialog::InitSensorFixParam()
{
    LOG_INFO(LOG_ORVIK) << "InitSensorFixParam";
    // Every camera applies the correction, so every product line shows it: what the
    // temperatures are computed with, which the device manager tells where it runs.
    InitFixParam();
    if (func)
        func->getFixParam(&emiss, &refltmp, &airtmp, &humi, &fix, tauTable, &distan);
    emission->setText(fieldText(emiss, kEmission.decimals));
    distance->setText(fieldText(distan, kDistance.decimals));
    wet->setText(fieldText(humi, kHumidity.decimals));
    offset->setText(fieldText(fix, kOffset.decimals));
    reflect->setText(fieldText(refltmp, kReflected.decimals));
    environment->setText(fieldText(airtmp, kAmbient.decimals));
}

void settingDialog::InitFixParam()
{
    LOG_INFO(LOG_ORVIK) << "InitFixParam";
    ConfigManager* config = ConfigManager::getInstance();
    const struct
    {
        const Correction& correction;
        float& field;
    } values[] = {{kEmission, emiss}, {kHumidity, humi}, {kAmbient, airtmp},
                  {kDistance, distan}, {kReflected, refltmp}, {kOffset, fix}};
    for (const auto& v : values) {
        const QString key = QLatin1String(v.correction.key);
        const QString text = config->getSettingValue(key);
        if (text.isEmpty())
            config->setSettingValue(key, QLatin1String(v.correction.defaultText));
        else
            v.field = text.toFloat();
    }
}

void settingDialog::showTempRange(int min, int max)
{
    rangeMin = min;
    rangeMax = max;
    tempMin->setText(QString::number(shown(min, tempUnit)));
    tempMax->setText(QString::number(shown(max, tempUnit)));
}

void settingDialog::on_tempUnitC_clicked()
{
    tempUnit = QStringLiteral("C");
    showTempRange(rangeMin, rangeMax);
}

void settingDialog::on_tempUnitF_clicked()
{
    tempUnit = QStringLiteral("F");
    showTempRange(rangeMin, rangeMax);
}

QString settingDialog::chooseFolder(const QString& current) const
{
    return QFileDialog::getExistingDirectory(const_cast<settingDialog*>(this), QString(), current,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

void settingDialog::on_imgLocation_clicked()
{
    const QString folder = chooseFolder(imgPosInput->text());
    if (folder.isEmpty())
        return;
    imgPosInput->setText(folder);
    if (func)
        func->setImagePath(imgPosInput->text());
}

void settingDialog::on_videoLocation_clicked()
{
    const QString folder = chooseFolder(videoPosInput->text());
    if (folder.isEmpty())
        return;
    videoPosInput->setText(folder);
    if (func)
        func->setVideoPath(videoPosInput->text());
}

void settingDialog::on_defaultParam_clicked()
{
    const std::pair<QLineEdit*, const Correction*> fields[] = {{emission, &kEmission}, {distance, &kDistance},
                                                               {wet, &kHumidity},     {offset, &kOffset},
                                                               {reflect, &kReflected}, {environment, &kAmbient}};
    for (const auto& [edit, correction] : fields)
        edit->setText(QLatin1String(correction->defaultText));
}

void settingDialog::on_close_clicked()
{
    reject();
}

void settingDialog::on_cancel_clicked()
{
    reject();
}

void settingDialog::on_OK_clicked()
{
    // A refused correction keeps the dialog open on the field to mend.
    if (applyAll())
        accept();
}

void settingDialog::on_apply_clicked()
{
    applyAll();
}

QString settingDialog::rangeHint(double low, double high) const
{
    return tr("范围%1到%2").arg(low).arg(high);
}

bool settingDialog::durationValid()
{
    return numberfield::mark(alarmDuration, {0, 99, true}, rangeHint(0, 99));
}

bool settingDialog::fieldsValid()
{
    // Every field says what is wrong with it; the first such takes the focus.
    QLineEdit* first = durationValid() ? nullptr : alarmDuration;
    const std::pair<QLineEdit*, const Correction*> corrections[] = {
        {emission, &kEmission}, {distance, &kDistance}, {wet, &kHumidity},
        {offset, &kOffset},     {reflect, &kReflected}, {environment, &kAmbient}};
    for (const auto& [edit, range] : corrections)
        if (!numberfield::mark(edit, {range->low, range->high}, rangeHint(range->low, range->high)) && !first)
            first = edit;
    if (!first)
        return true;
    LOG_WARNING(LOG_ORVIK) << "setting refused:" << first->objectName() << first->text();
    first->setFocus();
    first->selectAll();
    return false;
}

bool settingDialog::applyAll()
{
    // A value that is no number of its domain is stored nowhere: nothing changes.
    if (!fieldsValid())
        return false;
    ConfigManager* config = ConfigManager::getInstance();
    config->setEquipmentValue(QStringLiteral("MouseTemp"), mouseTempOff);
    if (func)
        func->setMouseTemp(!mouseTempOff);
    config->setSettingValue(QStringLiteral("TempUnit"), tempUnit);
    if (func)
        func->setTempUnit(tempUnit);
    config->setEquipmentValue(QStringLiteral("SaveWinPos"), saveWinPosOff);
    config->setEquipmentValue(QStringLiteral("SaveRotate"), saveRotateOff);
    config->setSettingValue(QStringLiteral("3DLevel"), level3D->currentText());
    if (func)
        func->set3DLevel(level3D->currentText().toInt(nullptr, 10));
    double seconds = 0.0;
    numberfield::read(alarmDuration->text(), {0, 99, true}, seconds);
    config->setSettingValue(QStringLiteral("SoundIntervalSeconds"), QString::number(int(seconds)));
    config->setSettingValue(QStringLiteral("WarningSoundName"), alarmVoice->currentText());
    config->setPathValue(QStringLiteral("ImagePath"), imgPosInput->text());
    config->setPathValue(QStringLiteral("VideoPath"), videoPosInput->text());
    if (func)
        func->setStorageAndAlarm(imgPosInput->text(), videoPosInput->text(), alarmVoice->currentText(), int(seconds));
    if (config->getEquipmentValue(QStringLiteral("LowTemperatureMode")))
        config->setHighFixedTemp(rangeMax, rangeMin);
    else
        config->setLowFixedTemp(rangeMax, rangeMin);
    if (func)
        func->setFixedTempRange(rangeMin, rangeMax);
    applyCorrection();
    return true;
}

void settingDialog::applyCorrection()
{
    const auto value = [](const QLineEdit* edit, const Correction& range) {
        double v = 0.0;
        numberfield::read(edit->text(), {range.low, range.high}, v);
        return float(v);
    };
    const float emissivity = value(emission, kEmission), dist = value(distance, kDistance),
                humidity = value(wet, kHumidity), correction = value(offset, kOffset),
                reflected = value(reflect, kReflected), ambient = value(environment, kAmbient);
    ConfigManager* config = ConfigManager::getInstance();
    auto store = [&](const char* key, float v) {
        config->setSettingValue(QLatin1String(key), QString::number(double(v), 'g', 6));
    };
    store("emiss", emissivity);
    store("refltmp", reflected);
    store("airtmp", ambient);
    store("humi", humidity);
    store("fix", correction);
    store("distan", dist);
    if (!func)
        return;
    // Sent when it differs from what the temperatures are computed with now.
    float e = 0.0f, r = 0.0f, a = 0.0f, h = 0.0f, f = 0.0f, d = 0.0f;
    func->getFixParam(&e, &r, &a, &h, &f, tauTable, &d);
    if (e != emissivity || r != reflected || a != ambient || h != humidity || f != correction || d != dist)
        func->setFixParam(emissivity, reflected, ambient, humidity, dist, correction);
}

void settingDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        pressPos = event->pos();
    }
    QDialog::mousePressEvent(event);
}

void settingDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging) {
        // The title bar stays on the screen, so the dialog can always be taken back.
        QPoint to = event->globalPos() - pressPos;
        if (const QScreen* shownOn = screen()) {
            const QRect area = shownOn->availableGeometry();
            to.setX(std::clamp(to.x(), area.left() - width() + 80, area.right() - 80));
            to.setY(std::clamp(to.y(), area.top(), area.bottom() - 40));
        }
        move(to);
    }
    QDialog::mouseMoveEvent(event);
}

void settingDialog::mouseReleaseEvent(QMouseEvent* event)
{
    dragging = false;
    QDialog::mouseReleaseEvent(event);
}
