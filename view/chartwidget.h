#pragma once

#include <QPointF>
#include <QString>
#include <QVector>
#include <QWidget>

namespace QtCharts {
class QChart;
class QLineSeries;
class QValueAxis;
} // namespace QtCharts

// One temperature-over-time plot: the reference curve in red and the curve under test in
// yellow over the last 600 samples, the Y axis from 0 to a round number above the peak.
class ChartWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ChartWidget(QWidget* parent = nullptr);

    void setUnit(const QString& letter);
    void setYTop(int peak);
    void setReferenceData(const QVector<QPointF>& points);
    void setTestData(const QVector<QPointF>& points);

    // For tests and the dialog: the Y range in force.
    double yMinimum() const;
    double yMaximum() const;
    int yTop() const { return top; }
    // Points of the reference line as drawn (samples without a value are left out).
    QVector<QPointF> referenceLinePoints() const;

private:
    void applyRange();
    QVector<QPointF> inUnit(const QVector<QPointF>& points) const;

    QtCharts::QChart* chart;
    QtCharts::QLineSeries* referenceLine;
    QtCharts::QLineSeries* testLine;
    QtCharts::QValueAxis* xAxis;
    QtCharts::QValueAxis* yAxis;
    QString unitLetter = QStringLiteral("C");
    int top = 50;
};
