#pragma once

#include "view/regionstats.h"

#include <QDialog>
#include <QPointF>
#include <QPolygon>
#include <QRect>
#include <QVector>

class ChartWidget;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QFrame;
class RegionSource;

// A floating window that plots the temperature of one region (and, comparing two boards, of
// its copy on the second board) over the last minute, sampled every 100 ms from the view.
class chartDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kSamples = 601;

    chartDialog(RegionSource* source, QWidget* parent);

    void setSlot(int n);
    int slot() const { return slotNumber; }
    void setUnit(const QString& letter);
    void setReferenceRect(const QRect& rect);
    void setReferencePolygon(const QVector<QPoint>& points);
    void setTestRect(const QRect& rect);
    void setTestPolygon(const QVector<QPoint>& points);
    void setSingleSeries();

    QRect referenceRect() const { return reference.rect; }
    QVector<QPoint> referencePolygon() const { return reference.mask.polygon(); }
    QRect testRect() const { return test.rect; }
    QVector<QPoint> testPolygon() const { return test.mask.polygon(); }
    const PolygonMask& referenceMask() const { return reference.mask; }
    const PolygonMask& testMask() const { return test.mask; }

    // The samples of the quantity shown (maximum or average): only measured values, the
    // newest at x = 600, one every 100 ms.
    const QVector<QPointF>& referenceSeries() const { return shown(referenceSamples); }
    const QVector<QPointF>& testSeries() const { return shown(testSamples); }
    bool isPaused() const { return paused; }
    bool isSingleSeries() const { return singleSeries; }

public slots:
    void handleTimeout();

private slots:
    void on_play_clicked();
    void on_pause_clicked();
    void on_close_clicked();
    void on_merge_toggled(bool checked);
    void on_split_toggled(bool checked);
    void on_maxTemp_toggled(bool checked);
    void on_aveTemp_toggled(bool checked);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Region
    {
        QRect rect;
        PolygonMask mask;
        bool isPolygon() const { return !mask.polygon().isEmpty(); }
    };

    void buildForm();
    void retranslate();
    // Both quantities are sampled all along, so switching shows the other's whole minute.
    struct Samples
    {
        QVector<QPointF> maximum, average;
    };
    void sample(const Region& region, Samples& samples) const;
    const QVector<QPointF>& shown(const Samples& samples) const { return averageMode ? samples.average : samples.maximum; }
    void redraw();
    static void append(QVector<QPointF>& series, float value);
    static int peakOf(const QVector<QPointF>& series);
    void showTimes();

    RegionSource* source;
    int slotNumber = 0;
    bool paused = false;
    bool splitView = false;
    bool singleSeries = false;
    bool averageMode = false;
    QString unitLetter = QStringLiteral("C");
    Region reference, test;
    Samples referenceSamples, testSamples;
    QTimer* sampleTimer;
    bool dragging = false;
    QPoint dragOffset;

    QFrame* titleBar;
    QLabel* title;
    QPushButton *play, *pause, *merge, *split, *maxTemp, *aveTemp, *close;
    QWidget* multiChart;
    QLabel *unit, *standLineColor, *testLineColor, *standDev, *testDev;
    QStackedWidget* stackedWidget;
    ChartWidget *tempChart, *chartLeft, *chartRight;
    QLabel *timeStamp1, *timeStamp2, *timeStamp3, *timeStamp4;
};
