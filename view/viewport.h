#pragma once

#include "pipeline/devicekind.h"
#include "pipeline/frame.h"
#include "view/framerenderer.h"
#include "view/labelstamps.h"
#include "view/differenceoverlay.h"
#include "view/measurements.h"
#include "view/overlay.h"
#include "view/regionsource.h"
#include "view/superresimage.h"
#include "view/viewgeometry.h"

#include <QCursor>
#include <QImage>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QVector>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

class chartDialog;
class LabelLayout;

// The live image: colours each frame through the palette and grey window, shows it
// letter-boxed with rotation and mirroring, and carries the measurement objects the user
// lays on it with the mouse (points, up to three search regions, up to three chart regions)
// with their temperature labels. In super resolution it shows the frame enlarged twice by the
// network (measurements stay in camera pixels).
class imageRegistrate;

class ViewPort : public QLabel, public RegionSource, public SuperResSink
{
    Q_OBJECT

public:
    enum class Tool
    {
        None,
        Point,
        SearchRect,
        ChartRect,
        Polygon,
    };
    using SelectionKind = Measurements::Kind;
    struct Selection
    {
        bool active = false;
        SelectionKind kind = SelectionKind::Point;
        int index = 0;
        QRect pressRect;
        QPolygon pressPolygon;
        bool moving = false;
        bool resizing = false;
        int handle = 0;
    };
    static constexpr int kMaxSearchRegions = 3;
    static constexpr int kChartSlots = 3;
    static constexpr float kNoFrame = -274.0f;

    explicit ViewPort(QWidget* parent = nullptr);
    ~ViewPort() override;

    // The size the camera announced: measurement objects are fitted to it and the shown frame
    // is dropped until one of that size arrives.
    void setCameraGeometry(int width, int height, int modelIndex);
    // The newest frame: its temperatures, picture and extremes. A frame of another size than
    // the last fits the measurement objects to it first.
    void setFrame(const FramePtr& frame);
    // The part of the frame's span spread over the palette (fractions), and the temperature
    // above which leak find colours a pixel.
    void setGrayWindow(float low, float high);
    // The slider's window in degC. With colourBySpan the picture is coloured from the
    // temperatures, linearly over it; otherwise it only sets leak find's floor.
    void setTemperatureWindow(float lowCelsius, float highCelsius, bool colourBySpan);
    void renderFrame();
    // No camera: the picture is dimmed under a notice, temperatures and readouts are gone
    // until the next frame.
    void showNoCamera();
    bool noCameraShown() const { return noCamera; }
    void setPalette(const unsigned char* palette);
    void setOrientation(int rotation, bool mirrorH, bool mirrorV);
    void setDisplayOptions(const QString& unitLetter, bool showMouseTemperature, bool showHottest);
    void setShowMouseTemperature(bool on) { showMouseTemperature = on; }
    void setUnit(const QString& letter);
    void setBoardCompare(bool on)
    {
        boardCompare = on;
        update();
    }
    void setLeakFind(bool on) { leakFind = on; }
    void setRegionFind(bool on);
    // Refused (false) while the model is not loaded; the log says why.
    bool setSuperResolution(bool on);
    bool superResolutionOn() const { return superResolution; }
    bool superResolutionAvailable() const { return superRes->available(); }

    // SuperResSink: called on the worker's thread.
    void setSuperResFrame(const uint8_t* gray, int width, int height) override;

    void armPointTool();
    void armSearchRectTool();
    void armChartRectTool();
    void armPolygonTool();
    void resetModes();
    void resetAll();
    QPixmap grabImageArea();
    void clearHover() { hoverPoint = QPoint(-1, -1); }

    QPoint imageToWidget(const QPoint& image) const { return geometry.imageToWidget(image); }
    bool widgetToImage(const QPoint& widget, QPoint& image) const;

    // RegionSource
    QSize frameSize() const override { return QSize(frameWidth, frameHeight); }
    float regionAverage(const QRect& rect) const override;
    float regionAverage(const PolygonMask& mask) const override;
    RegionMaximum regionMaximum(const QRect& rect) const override;
    RegionMaximum regionMaximum(const PolygonMask& mask) const override;
    void closeChart(int slot) override;

    // State, for the main window and tests.
    const QVector<QPoint>& measurementPoints() const { return measurements.points; }
    const QVector<QRect>& searchRegionList() const { return measurements.searchRegions; }
    chartDialog* chart(int slot) const { return charts[size_t(slot)]; }
    const QImage& shownImage() const { return displayImage; }
    const FramePtr& shownFrame() const { return frame; }
    const ViewGeometry& viewGeometry() const { return geometry; }
    const Selection& currentSelection() const { return selection; }
    // Where the selected object's delete icon is (widget pixels); empty while none is shown.
    QRect deleteIconRect() const;
    QPoint hoverPosition() const { return hoverPoint; }
    Tool armedTool() const { return tool; }

    // The golden-board comparison's marks over the picture (off: none).
    void setDifferenceOverlay(const DifferenceOverlay& overlay);
    const DifferenceOverlay& differenceOverlay() const { return difference; }

    // Board registration: the photograph registered with the camera's frame shown now (class
    // "test" of "/PCB/test_temple.yaml") and laid over the picture, following its flips and
    // turns. False when there is no frame or a run is under way; registrationFinished() follows.
    bool startRegistration(const QString& picturePath);
    bool registrationShown() const { return registrationOverlay; }
    void removeRegistration();

signals:
    void registrationFinished(bool registered, QString failure);
    // The overlay no longer fits the picture (another camera or none).
    void registrationDropped();
    // A region drawn across the boards in board compare was wider than one board: not kept.
    void regionRefused();

public slots:
    void onUpdateSuperResImage();

protected:
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void arm(Tool armed);
    void clearSelection() { selection = Selection(); }
    void deleteSelected();
    void hitTest(const QPoint& image);
    // The shapes of the points, regions and open charts, in the order a press finds them.
    std::vector<Measurements::Shape> shapes() const;
    bool selectedShape(Measurements::Shape& shape) const;
    Qt::CursorShape resizeCursor(int handle) const;
    bool hover(const QPoint& widget, const QPoint& image);
    void moveSelection(const QPoint& image);
    void resizeSelection(const QPoint& image);
    QRect keptInside(const QRect& rect, int limit) const;
    void setChartRegion(chartDialog* chart, const QRect& rect);
    void setChartRegion(chartDialog* chart, const QPolygon& polygon);
    int freeChartSlot() const;
    void createChart(const QRect* rect, const QPolygon* polygon);
    void closePolygon();
    int chartLimit() const { return boardCompare ? frameWidth / 2 : frameWidth; }
    void fitToFrameSize(int width, int height);
    void fitCharts();
    const float* temperatureData() const;
    float temperatureAt(const QPoint& image) const;
    void paintNoCamera(QPainter& painter);
    bool paintPictureInPlace(QPainter& painter);
    // What both pictures share: the aids, orientation and mirroring.
    FrameRenderer::Options renderOptions() const;
    // A region drawn across the middle, on the board where most of it lies; empty when it
    // is wider than a board.
    QRect onReferenceBoard(QRect rect) const;
    void showRendered(const QImage& image);
    void dropSuperResResult();

    void paintHottest(QPainter& painter, LabelLayout& labels);
    void paintPoints(QPainter& painter, LabelLayout& labels);
    void paintSearchRegions(QPainter& painter, LabelLayout& labels);
    void paintCharts(QPainter& painter, LabelLayout& labels);
    void paintDifference(QPainter& painter, LabelLayout& labels);
    void paintSelectedRectDecorations(QPainter& painter, const QRect& widgetRect);
    // A red marker at the pixel, its temperature among the labels.
    void drawTempLabel(QPainter& painter, LabelLayout& labels, const QPoint& image, float value);
    QRect widgetRectOf(const QRect& image) const;
    // The image area: where the picture is painted, the margins around it.
    QRect pictureArea() const { return QRect(geometry.marginX, geometry.marginY, geometry.areaWidth, geometry.areaHeight); }
    // What a new frame repaints: the picture, and where markers and labels of readings are
    // shown in the margins. (Filling the margins' narrow spans with every frame missed the
    // cache at every row: a tenth of the view's paint.) Whatever else changes the overlay
    // repaints the whole view.
    QRegion frameRegion() const;

    int frameWidth = 800, frameHeight = 600;
    DeviceKind kind = None;
    FramePtr frame; // the frame shown; its size is frameWidth x frameHeight
    bool hasTemperatures = false;
    bool noCamera = true;
    QImage displayImage;
    uint8_t palette[768] = {};
    float grayLow = 0.0f, grayHigh = 1.0f;
    float windowLowCelsius = kNoFrame, windowHighCelsius = kNoFrame;
    bool colourBySpan = false;
    ViewGeometry geometry;
    float frameMax = kNoFrame, frameMin = kNoFrame;
    QPoint frameMaxPos;
    QString unitSymbol = QStringLiteral("°");
    QString unitLetter = QStringLiteral("C");
    bool showMouseTemperature = true, showHottest = true;
    bool boardCompare = false, regionFind = false, leakFind = false, superResolution = false;

    Measurements measurements;
    DifferenceOverlay difference;
    std::array<chartDialog*, kChartSlots> charts{};
    LabelStamps labelStamps{overlay::labelFont()};
    QRegion readingMarkers; // during a paint: where the readings' markers went
    QRegion readingsBeyond; // the readings' markers and labels shown in the margins
    QRegion readingsLaidOut, readingsCovered; // the last paint's readings beyond the picture, and
                                              // what the paints of those readings have covered
    std::array<overlay::OutlineCache, 2 * kChartSlots> outlines; // of each chart's polygon and its twin
    QVector<QPoint> polygonWidgetPoints;
    QPolygon polygonImagePoints;
    bool polygonStarted = false;
    QPoint rubberBandPos;
    bool rubberBandValid = false;
    QPoint pressPos, currentPos;
    bool dragging = false;
    QPoint hoverPoint{-1, -1};
    Tool tool = Tool::None;
    Selection selection;

    QCursor pointCursor, rectCursor, polygonCursor;
    int repaintTimer = 0;
    QElapsedTimer sincePaint; // the timer repaints only a view that frames no longer repaint
    FrameRenderer renderer;

    // The newest enlarged image, written by the worker and taken by the GUI thread.
    std::mutex superResMutex;
    std::vector<uint8_t> superResPending;
    int superResPendingWidth = 0, superResPendingHeight = 0;
    bool superResFresh = false;
    std::vector<uint8_t> superResGray; // the GUI thread's copy
    std::unique_ptr<SuperResImage> superRes;
    std::unique_ptr<imageRegistrate> registration;
    bool registrationOverlay = false;
    void dropRegistration();
};
