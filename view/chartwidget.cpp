#include "view/chartwidget.h"

#include "core/configmanager.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr double kNoValue = -274.0; // a region maximum without pixels

} // namespace

using namespace QtCharts;

namespace {

bool highTemperatureRange()
{
    return ConfigManager::getInstance()->getEquipmentValue(QStringLiteral("LowTemperatureMode"));
}

} // namespace

ChartWidget::ChartWidget(QWidget* parent)
    : QWidget(parent), chart(new QChart), referenceLine(new QLineSeries), testLine(new QLineSeries),
      xAxis(new QValueAxis), yAxis(new QValueAxis)
{
    chart->addSeries(referenceLine);
    chart->addSeries(testLine);
    const QPen grid(Qt::gray, 1, Qt::DashLine);
    xAxis->setRange(0, 600);
    xAxis->setTickCount(7);
    xAxis->setLabelsVisible(false);
    xAxis->setTitleVisible(false);
    xAxis->setGridLinePen(grid);
    yAxis->setRange(0, 50);
    yAxis->setTickCount(6);
    yAxis->setLabelFormat(QStringLiteral("%d"));
    yAxis->setLabelsColor(Qt::white);
    yAxis->setTitleVisible(false);
    yAxis->setGridLinePen(grid);
    chart->addAxis(xAxis, Qt::AlignBottom);
    chart->addAxis(yAxis, Qt::AlignLeft);
    for (QLineSeries* line : {referenceLine, testLine}) {
        line->attachAxis(xAxis);
        line->attachAxis(yAxis);
    }
    referenceLine->setPen(QPen(Qt::red, 3));
    testLine->setPen(QPen(Qt::yellow, 3));
    chart->setMargins(QMargins());
    chart->setBackgroundRoundness(0);
    chart->setBackgroundVisible(false);
    chart->legend()->hide();

    auto* view = new QChartView(chart, this);
    view->setStyleSheet(QStringLiteral("background: transparent"));
    view->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(QMargins());
    layout->addWidget(view);
}

void ChartWidget::applyRange()
{
    const bool fahrenheit = unitLetter == QLatin1String("F");
    if (fahrenheit)
        yAxis->setRange(32, top * 1.8 + 32);
    else
        yAxis->setRange(0, top);
}

void ChartWidget::setUnit(const QString& letter)
{
    unitLetter = letter;
    if (highTemperatureRange())
        yAxis->setRange(letter == QLatin1String("F") ? 32 : 0, letter == QLatin1String("F") ? 1022 : 550);
    else
        applyRange();
}

void ChartWidget::setYTop(int peak)
{
    top = peak < 40 ? 50 : (peak / 10 + 2) * 10;
    if (!highTemperatureRange())
        applyRange();
}

QVector<QPointF> ChartWidget::inUnit(const QVector<QPointF>& points) const
{
    // Samples without a value (a region without pixels: NaN, or the maximum's -274 marker)
    // are left out of the line, not drawn as a dive to the axis; the others keep their place
    // on the time axis.
    const bool fahrenheit = unitLetter == QLatin1String("F");
    QVector<QPointF> drawn;
    drawn.reserve(points.size());
    for (const QPointF& p : points)
        if (std::isfinite(p.y()) && p.y() > kNoValue)
            drawn.append(QPointF(p.x(), fahrenheit ? p.y() * 1.8 + 32 : p.y()));
    return drawn;
}

void ChartWidget::setReferenceData(const QVector<QPointF>& points)
{
    referenceLine->replace(inUnit(points));
}

void ChartWidget::setTestData(const QVector<QPointF>& points)
{
    testLine->replace(inUnit(points));
}

QVector<QPointF> ChartWidget::referenceLinePoints() const
{
    return referenceLine->pointsVector();
}

double ChartWidget::yMinimum() const
{
    return yAxis->min();
}

double ChartWidget::yMaximum() const
{
    return yAxis->max();
}
