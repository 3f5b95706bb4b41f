#pragma once

#include "pipeline/frame.h"
#include "view/heatfieldimage.h"

#include <QImage>
#include <QWidget>

#include <vector>

class QLabel;
class QVBoxLayout;

namespace QtDataVisualization {
class Q3DSurface;
class QHeightMapSurfaceDataProxy;
class QSurface3DSeries;
} // namespace QtDataVisualization

// The 3D heat field: the live frame as a surface whose height is the windowed grey level,
// coloured with the palette, turned with the mouse. Without OpenGL it shows a notice instead.
class Hot3DWidget : public QWidget
{
    Q_OBJECT

public:
    explicit Hot3DWidget(QWidget* parent = nullptr);
    ~Hot3DWidget() override;

    // The surface's size; until the first call it follows the frames.
    void setCameraGeometry(int width, int height, int modelIndex);
    // Palette and level apply at once to the frame shown.
    void setPalette(const unsigned char* palette);
    void setSmoothing(int level);
    void setGrayWindow(float low, float high) { image.setGrayWindow(low, high); }
    // A frame of another size than the camera announced is left out (the camera is changing).
    void setFrame(const FramePtr& frame);
    // No camera: a flat, empty surface until the next frame.
    void clear();

    const HeatFieldImage& heights() const { return image; }
    // False where this computer offers no OpenGL: the notice is shown instead of the graph.
    bool hasGraph() const { return graph != nullptr; }
    QtDataVisualization::Q3DSurface* surface() const { return graph; }
    static bool openGlAvailable();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createGraph();
    void redraw(); // the shown frame again, with the current palette and level
    void showSurface();

    QVBoxLayout* layout;
    QLabel* notice = nullptr;
    QtDataVisualization::Q3DSurface* graph = nullptr;
    QtDataVisualization::QHeightMapSurfaceDataProxy* proxy = nullptr;
    QtDataVisualization::QSurface3DSeries* series = nullptr;
    HeatFieldImage image;
    bool geometryKnown = false;
    FramePtr shown; // the frame on the surface
    // The dual-light camera's 800 x 600 picture brought to the surface's 256 x 192.
    std::vector<uint8_t> reduced;
};
