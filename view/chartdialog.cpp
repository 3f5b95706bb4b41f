#include "view/chartdialog.h"

#include "view/chartwidget.h"
#include "view/regionsource.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTime>
#include <QTimer>

#include <cmath>

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QRect& geometry, bool checkable = false)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setCheckable(checkable);
    return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QRect& geometry, const char* style = nullptr)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    if (style)
        label->setStyleSheet(QLatin1String(style));
    return label;
}

QString clockText(const QTime& time)
{
    return QString::asprintf("%02d:%02d:%02d", time.hour(), time.minute(), time.second());
}

} // namespace

chartDialog::chartDialog(RegionSource* regions, QWidget* parent)
    : QDialog(parent), source(regions), sampleTimer(new QTimer(this))
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setWindowOpacity(0.85);
    buildForm();
    showTimes();
    QMetaObject::connectSlotsByName(this);
    connect(sampleTimer, &QTimer::timeout, this, &chartDialog::handleTimeout);
    sampleTimer->start(100);
}

void chartDialog::buildForm()
{
    resize(750, 375);
    setObjectName(QStringLiteral("chartDialog"));
    setStyleSheet(QStringLiteral("QDialog#chartDialog { background-color: rgb(34, 38, 41); }"
                                 "QLabel { color: white; }"
                                 "QPushButton { color: white; background: transparent; border: none; }"
                                 "QPushButton:checked { color: rgb(0, 170, 255); }"
                                 // The main window's alarm frame is styled by the same name.
                                 "QStackedWidget#stackedWidget { border: none; }"));
    titleBar = new QFrame(this);
    titleBar->setObjectName(QStringLiteral("titleBar"));
    titleBar->setGeometry(0, 0, 750, 40);
    titleBar->setStyleSheet(QStringLiteral("background-color: rgb(30, 34, 37);"));
    titleBar->installEventFilter(this);
    titleBar->setAttribute(Qt::WA_Hover);
    title = makeLabel(titleBar, "title", QRect(12, 8, 60, 24));
    title->setFont(QFont(QStringLiteral("微软雅黑"), 11));
    play = makeButton(titleBar, "play", QRect(80, 8, 24, 24));
    play->setIcon(QIcon(QStringLiteral(":/image/common/TitleBar/play.png")));
    pause = makeButton(titleBar, "pause", QRect(110, 8, 24, 24));
    pause->setIcon(QIcon(QStringLiteral(":/image/common/TitleBar/pause.png")));
    multiChart = new QWidget(titleBar);
    multiChart->setObjectName(QStringLiteral("widget_multiChart"));
    multiChart->setGeometry(284, 4, 168, 32);
    merge = makeButton(multiChart, "merge", QRect(0, 4, 80, 24), true);
    split = makeButton(multiChart, "split", QRect(84, 4, 80, 24), true);
    // Room for the English and Spanish texts.
    maxTemp = makeButton(titleBar, "maxTemp", QRect(456, 8, 100, 24), true);
    aveTemp = makeButton(titleBar, "aveTemp", QRect(560, 8, 100, 24), true);
    close = makeButton(titleBar, "close", QRect(712, 6, 28, 28));
    close->setIcon(QIcon(QStringLiteral(":/image/Veltrace/TitleBar/winClose.png")));
    auto* viewGroup = new QButtonGroup(this);
    viewGroup->setObjectName(QStringLiteral("buttonGroup"));
    viewGroup->addButton(merge);
    viewGroup->addButton(split);
    auto* tempGroup = new QButtonGroup(this);
    tempGroup->setObjectName(QStringLiteral("buttonGroup_temp"));
    tempGroup->addButton(maxTemp);
    tempGroup->addButton(aveTemp);
    merge->setChecked(true);
    maxTemp->setChecked(true);

    unit = makeLabel(this, "unit", QRect(20, 46, 40, 20));
    standLineColor = makeLabel(this, "standLineColor", QRect(390, 52, 24, 8), "background-color: rgb(255, 0, 0);");
    standDev = makeLabel(this, "standDev", QRect(420, 46, 160, 20));
    testLineColor = makeLabel(this, "testLineColor", QRect(590, 52, 24, 8), "background-color: rgb(255, 255, 0);");
    testDev = makeLabel(this, "testDev", QRect(620, 46, 128, 20));

    stackedWidget = new QStackedWidget(this);
    stackedWidget->setObjectName(QStringLiteral("stackedWidget"));
    stackedWidget->setGeometry(0, 70, 750, 280);
    auto* pageSingle = new QWidget;
    pageSingle->setObjectName(QStringLiteral("page_single"));
    auto* pageDouble = new QWidget;
    pageDouble->setObjectName(QStringLiteral("page_double"));
    tempChart = new ChartWidget(pageSingle);
    tempChart->setObjectName(QStringLiteral("tempChart"));
    tempChart->setGeometry(20, 0, 720, 280);
    chartLeft = new ChartWidget(pageDouble);
    chartLeft->setObjectName(QStringLiteral("chartLeft"));
    chartLeft->setGeometry(0, 0, 370, 280);
    chartRight = new ChartWidget(pageDouble);
    chartRight->setObjectName(QStringLiteral("chartRight"));
    chartRight->setGeometry(370, 0, 370, 280);
    chartRight->hide();
    stackedWidget->addWidget(pageSingle);
    stackedWidget->addWidget(pageDouble);

    // Left and right under the merged chart: 1 and 4; split, the left chart has 1 and 2, the
    // right chart 3 and 4.
    timeStamp1 = makeLabel(this, "timeStamp_1", QRect(30, 350, 80, 20));
    timeStamp2 = makeLabel(this, "timeStamp_2", QRect(290, 350, 80, 20));
    timeStamp3 = makeLabel(this, "timeStamp_3", QRect(380, 350, 80, 20));
    timeStamp4 = makeLabel(this, "timeStamp_4", QRect(660, 350, 80, 20));
    timeStamp2->hide();
    timeStamp3->hide();
    retranslate();
}

void chartDialog::retranslate()
{
    merge->setText(tr("合并"));
    split->setText(tr("分散"));
    maxTemp->setText(tr("最高温"));
    aveTemp->setText(tr("平均温"));
    standDev->setText(tr("标准样品"));
    testDev->setText(tr("待测样品"));
}

void chartDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

bool chartDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != titleBar)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            dragging = true;
            dragOffset = mouse->globalPos() - frameGeometry().topLeft();
        }
        break;
    }
    case QEvent::MouseMove:
        if (dragging)
            move(static_cast<QMouseEvent*>(event)->globalPos() - dragOffset);
        break;
    case QEvent::MouseButtonRelease:
        dragging = false;
        break;
    case QEvent::HoverEnter:
        raise();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void chartDialog::setSlot(int n)
{
    slotNumber = n;
    title->setText(QStringLiteral("#%1").arg(n + 1));
}

void chartDialog::setUnit(const QString& letter)
{
    unitLetter = letter;
    unit->setText(QStringLiteral("°") + letter);
    for (ChartWidget* chart : {tempChart, chartLeft, chartRight})
        chart->setUnit(letter);
}

void chartDialog::setReferenceRect(const QRect& rect)
{
    reference = {rect, PolygonMask()};
}

void chartDialog::setReferencePolygon(const QVector<QPoint>& points)
{
    const QSize frame = source->frameSize();
    reference = {QRect(), PolygonMask(QPolygon(points), frame.width(), frame.height())};
}

void chartDialog::setTestRect(const QRect& rect)
{
    test = {rect, PolygonMask()};
}

void chartDialog::setTestPolygon(const QVector<QPoint>& points)
{
    const QSize frame = source->frameSize();
    test = {QRect(), PolygonMask(QPolygon(points), frame.width(), frame.height())};
}

void chartDialog::setSingleSeries()
{
    singleSeries = true;
    multiChart->hide();
    standLineColor->setGeometry(testLineColor->geometry());
    standDev->setGeometry(testDev->geometry());
    testLineColor->hide();
    testDev->hide();
    timeStamp2->hide();
    timeStamp3->hide();
}

void chartDialog::sample(const Region& region, Samples& samples) const
{
    const bool polygon = region.isPolygon();
    append(samples.maximum,
           polygon ? source->regionMaximum(region.mask).value : source->regionMaximum(region.rect).value);
    append(samples.average, polygon ? source->regionAverage(region.mask) : source->regionAverage(region.rect));
}

void chartDialog::append(QVector<QPointF>& series, float value)
{
    // The time axis moves on with every sample; a sample without a value (no frame, a region
    // without pixels) keeps its place and is not drawn.
    series.append(QPointF(kSamples, double(value)));
    for (QPointF& point : series)
        point.rx() -= 1;
    if (series.size() > kSamples)
        series.removeFirst();
}

int chartDialog::peakOf(const QVector<QPointF>& series)
{
    double peak = 0.0;
    for (const QPointF& point : series)
        if (point.y() > peak) // NaN and the no-pixel marker -274 never count
            peak = point.y();
    return int(peak);
}

void chartDialog::showTimes()
{
    const QTime now = QTime::currentTime();
    const QString right = clockText(now), left = clockText(now.addSecs(-60));
    timeStamp1->setText(left);
    timeStamp4->setText(right);
    if (splitView) {
        timeStamp2->setText(right);
        timeStamp3->setText(left);
    }
}

void chartDialog::handleTimeout()
{
    sample(reference, referenceSamples);
    if (!singleSeries)
        sample(test, testSamples);
    if (paused)
        return;
    showTimes();
    redraw();
}

void chartDialog::redraw()
{
    const QVector<QPointF>& referencePoints = shown(referenceSamples);
    const QVector<QPointF>& testPoints = shown(testSamples);
    const int referencePeak = peakOf(referencePoints);
    if (splitView) {
        const int top = std::max(referencePeak, peakOf(testPoints));
        chartLeft->setYTop(top);
        chartRight->setYTop(top);
        chartLeft->setReferenceData(referencePoints);
        chartRight->setTestData(testPoints);
    } else if (singleSeries) {
        tempChart->setYTop(referencePeak);
        tempChart->setReferenceData(referencePoints);
    } else {
        tempChart->setYTop(std::max(referencePeak, peakOf(testPoints)));
        tempChart->setReferenceData(referencePoints);
        tempChart->setTestData(testPoints);
    }
}

void chartDialog::on_play_clicked()
{
    paused = false;
}

void chartDialog::on_pause_clicked()
{
    paused = true;
}

void chartDialog::on_close_clicked()
{
    QDialog::close();
    source->closeChart(slotNumber);
}

void chartDialog::on_merge_toggled(bool checked)
{
    if (!checked)
        return;
    splitView = false;
    stackedWidget->setCurrentIndex(0);
    chartRight->hide();
    timeStamp2->hide();
    timeStamp3->hide();
    redraw();
}

void chartDialog::on_split_toggled(bool checked)
{
    if (!checked)
        return;
    splitView = true;
    stackedWidget->setCurrentIndex(1);
    chartRight->show();
    timeStamp2->show();
    timeStamp3->show();
    showTimes();
    redraw();
}

void chartDialog::on_maxTemp_toggled(bool checked)
{
    if (!checked)
        return;
    averageMode = false;
    redraw();
}

void chartDialog::on_aveTemp_toggled(bool checked)
{
    if (!checked)
        return;
    averageMode = true;
    redraw();
}
