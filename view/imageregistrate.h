#pragma once

#include "view/framerenderer.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <opencv2/core.hpp>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// Lays a photograph of the board (the "2D picture") over the thermal image: the shape matcher
// confirms the board in the thermal image with the trained class "test" of the template file,
// then the board's outline in both pictures gives the affine map that brings the photograph
// onto the thermal image. Files lie under the application's "/PCB/" folder. One run at a time,
// on a thread of its own; the result is handed over under a lock, and the view asks for the
// overlay while it draws.
class imageRegistrate : public QObject
{
    Q_OBJECT

public:
    imageRegistrate();
    // Ends a run that is under way first (it stops at its next step).
    ~imageRegistrate() override;

    // Names below "/PCB/": the template file and the info file.
    void setTemplateFiles(const QString& testName, const QString& infoName);
    // The photograph: a path, or a name below "/PCB/2Dpicture/".
    void setPictureName(const QString& name);
    // The thermal picture (8-bit grey) and its companion.
    void setThermalImage(const cv::Mat& thermal, const cv::Mat& second = cv::Mat());
    // Turns the stored thermal picture by 90, 180 or 270 degrees; other values do nothing.
    void setRotation(int degrees);

    // Starts a run; false while one is under way.
    bool start();
    bool isRunning() const;
    // The view's picture blended with the registered photograph in colour: 0.7 x photograph +
    // 0.3 x picture + 3 at 797 x 597 (597 x 797 turned). The photograph, registered with the
    // camera's frame, is mirrored and turned as the view's picture is. A null image when there
    // is no overlay.
    QImage blendOverlay(const QImage& viewImage, const FrameRenderer::Options& orientation = {}) const;
    QImage getResult() const;
    QString getStatus() const;
    // Why the last run did not register (empty after one that did).
    QString failure() const;
    bool isFinished() const;
    bool overlayReady() const;
    // The registered photograph (grey, at the thermal picture's size); empty without one.
    cv::Mat registeredPicture() const;
    // Forgets the result and the overlay.
    void reset();

signals:
    // After each run, on the run's thread: whether it registered, and why not.
    void registrationDone(bool registered, QString failure);

private:
    struct Inputs
    {
        QString templatePath, infoPath, picturePath;
        cv::Mat thermal;
    };
    struct Registered
    {
        cv::Mat grey;   // at the thermal picture's size
        cv::Mat colour; // RGB at the blend's size
    };
    void run(Inputs inputs);
    bool registrate(const Inputs& inputs, Registered& registered, QString& failure);
    // The parsed class file, from the cache when unchanged; null, with the failure, when it
    // could not be read in time.
    std::shared_ptr<cv::FileStorage> templateFile(const QString& path, QString& failure);

    mutable std::mutex mutex; // everything below
    QString testName, infoName, pictureName;
    cv::Mat thermalImage, secondImage;
    QImage result;
    cv::Mat overlay;        // the registered photograph, RGB, 797 x 597
    cv::Mat registeredGrey; // and grey at the thermal picture's size
    bool ready = false, finishedRun = false, running = false;
    QString status, lastFailure;
    std::map<QString, std::shared_ptr<cv::FileStorage>> templateCache; // at most 30 files

    std::atomic<bool> stopRequested{false};
    std::thread worker;
};
