#include "view/imageregistrate.h"
#include "matcher/classfile.h"

#include "core/configmanager.h"
#include "core/log.h"
#include "matcher/line2d.h"

#include <QDir>
#include <QDateTime>
#include <QFileInfo>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <array>
#include <cmath>
#include <thread>

namespace {

constexpr size_t kCachedTemplates = 30;
constexpr float kMatchThreshold = 45.0f;
const cv::Size kOverlaySize(797, 597);
constexpr double kLargestAspectMismatch = 0.12; // of the two outlines' side ratios
constexpr double kLargestCornerError = 4.0;     // pixels, of the registered outline

QString pcbFolder()
{
    return ConfigManager::getInstance()->storage().registration + QLatin1Char('/');
}

// The board's outline: the largest minimum-area rectangle around a contour of the edges (of
// any colour channel: a green board on a grey bench may have the bench's brightness), its
// centre within the region when one is given.
bool outlineOf(const cv::Mat& image, int aperture, cv::RotatedRect& outline, const cv::Rect2f& region = cv::Rect2f())
{
    std::vector<cv::Mat> channels;
    cv::split(image, channels);
    cv::Mat edges = cv::Mat::zeros(image.size(), CV_8U);
    for (const cv::Mat& channel : channels) {
        cv::Mat channelEdges;
        cv::Canny(channel, channelEdges, 10, 210, aperture);
        edges |= channelEdges;
    }
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(edges, contours, hierarchy, cv::RETR_TREE, cv::CHAIN_APPROX_SIMPLE);
    double largest = 0;
    for (const auto& contour : contours) {
        const cv::RotatedRect r = cv::minAreaRect(contour);
        if (!region.empty() && !region.contains(r.center))
            continue;
        if (r.size.area() > largest) {
            largest = r.size.area();
            outline = r;
        }
    }
    return largest > 0;
}

// Top-left, top-right, bottom-right, bottom-left of a rectangle turned by less than 45 degrees.
std::array<cv::Point2f, 4> cornersOf(const cv::RotatedRect& r)
{
    cv::Point2f p[4];
    r.points(p);
    std::array<cv::Point2f, 4> c;
    auto pick = [&p](auto better) { return *std::min_element(p, p + 4, better); };
    c[0] = pick([](auto a, auto b) { return a.x + a.y < b.x + b.y; });
    c[2] = pick([](auto a, auto b) { return a.x + a.y > b.x + b.y; });
    c[1] = pick([](auto a, auto b) { return a.x - a.y > b.x - b.y; });
    c[3] = pick([](auto a, auto b) { return a.x - a.y < b.x - b.y; });
    return c;
}

// The affine map that brings the four corners onto the others best (least squares).
cv::Matx33d affineBetween(const std::array<cv::Point2f, 4>& from, const std::array<cv::Point2f, 4>& to)
{
    cv::Mat a = cv::Mat::zeros(8, 6, CV_64F), b(8, 1, CV_64F);
    for (int i = 0; i < 4; ++i) {
        const double x = from[size_t(i)].x, y = from[size_t(i)].y;
        double* u = a.ptr<double>(2 * i);
        double* v = a.ptr<double>(2 * i + 1);
        u[0] = x, u[1] = y, u[2] = 1;
        v[3] = x, v[4] = y, v[5] = 1;
        b.at<double>(2 * i) = to[size_t(i)].x;
        b.at<double>(2 * i + 1) = to[size_t(i)].y;
    }
    cv::Mat p;
    if (!cv::solve(a, b, p, cv::DECOMP_SVD))
        return cv::Matx33d::eye();
    const double* m = p.ptr<double>();
    return {m[0], m[1], m[2], m[3], m[4], m[5], 0, 0, 1};
}

cv::Mat asAffine(const cv::Matx33d& m, int type)
{
    cv::Mat a = (cv::Mat_<double>(2, 3) << m(0, 0), m(0, 1), m(0, 2), m(1, 0), m(1, 1), m(1, 2));
    a.convertTo(a, type);
    return a;
}

double sideRatio(const cv::RotatedRect& r)
{
    const double a = r.size.width, b = r.size.height;
    return std::max(a, b) / std::max(1.0, std::min(a, b));
}

QImage toQImage(const cv::Mat& grey)
{
    QImage image(grey.data, grey.cols, grey.rows, int(grey.step), QImage::Format_Grayscale8);
    return image.copy();
}

} // namespace

imageRegistrate::imageRegistrate() = default;

imageRegistrate::~imageRegistrate()
{
    stopRequested = true;
    if (worker.joinable())
        worker.join();
}

void imageRegistrate::setTemplateFiles(const QString& test, const QString& info)
{
    std::lock_guard<std::mutex> lock(mutex);
    testName = test;
    infoName = info;
}

void imageRegistrate::setPictureName(const QString& name)
{
    std::lock_guard<std::mutex> lock(mutex);
    pictureName = name;
}

void imageRegistrate::setThermalImage(const cv::Mat& thermal, const cv::Mat& second)
{
    std::lock_guard<std::mutex> lock(mutex);
    thermalImage = thermal.clone();
    secondImage = second.clone();
}

void imageRegistrate::setRotation(int degrees)
{
    const int codes[] = {cv::ROTATE_90_CLOCKWISE, cv::ROTATE_180, cv::ROTATE_90_COUNTERCLOCKWISE};
    if (degrees != 90 && degrees != 180 && degrees != 270)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    if (!thermalImage.empty())
        cv::rotate(thermalImage, thermalImage, codes[degrees / 90 - 1]);
}

bool imageRegistrate::start()
{
    std::unique_lock<std::mutex> lock(mutex);
    if (running)
        return false;
    if (worker.joinable()) {
        // The previous run has ended; joined without the lock, which its last steps may take.
        std::thread previous = std::move(worker);
        lock.unlock();
        previous.join();
        lock.lock();
        if (running)
            return false;
    }
    Inputs inputs;
    inputs.templatePath = pcbFolder() + testName;
    inputs.infoPath = infoName.isEmpty() ? QString() : pcbFolder() + infoName;
    inputs.picturePath = QFileInfo(pictureName).isAbsolute() ? pictureName : pcbFolder() + "2Dpicture/" + pictureName;
    inputs.thermal = thermalImage.clone();
    running = true;
    finishedRun = false;
    status = QStringLiteral("runing beging");
    stopRequested = false;
    worker = std::thread(&imageRegistrate::run, this, std::move(inputs));
    return true;
}

bool imageRegistrate::isRunning() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return running;
}

void imageRegistrate::run(Inputs inputs)
{
    Registered registered;
    QString failure;
    bool ok = false;
    try {
        ok = registrate(inputs, registered, failure);
    } catch (const cv::Exception& e) {
        // A damaged template file or an image the matcher cannot take ends the run, not the
        // program.
        failure = QString::fromStdString(e.what()).simplified();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    if (!ok && stopRequested)
        failure = QStringLiteral("stopped");
    if (!ok)
        LOG_WARNING(LOG_OTHER) << "registration failed:" << failure;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (ok) {
            cv::Mat blend;
            cv::addWeighted(registered.grey, 0.4, inputs.thermal, 0.6, 3.0, blend);
            result = toQImage(blend);
            registeredGrey = registered.grey;
            overlay = registered.colour;
            ready = true;
        }
        finishedRun = ok;
        lastFailure = failure;
        running = false;
        status.clear();
    }
    emit registrationDone(ok, failure);
}

std::shared_ptr<cv::FileStorage> imageRegistrate::templateFile(const QString& path, QString& failure)
{
    // Known by path, time and size: a class trained again while the program runs is read again.
    const QFileInfo info(path);
    const QString key = path + QLatin1Char('|') + QString::number(info.lastModified().toMSecsSinceEpoch()) +
                        QLatin1Char('|') + QString::number(info.size());
    {
        std::lock_guard<std::mutex> lock(mutex);
        const auto cached = templateCache.find(key);
        if (cached != templateCache.end())
            return cached->second;
    }
    // Parsed without the lock the view takes every frame.
    auto file = classfile::read(path, failure);
    if (!file || !file->isOpened())
        return file; // not kept: it may be mended
    std::lock_guard<std::mutex> lock(mutex);
    if (templateCache.size() >= kCachedTemplates)
        templateCache.erase(templateCache.begin());
    templateCache[key] = file;
    return file;
}

bool imageRegistrate::registrate(const Inputs& in, Registered& registered, QString& failure)
{
    // 1-3. The matcher and the class of the template file.
    line2d::Detector detector(200, {2, 4}, 30.0f, 30.0f);
    if (QFileInfo(in.templatePath).size() <= 0) {
        LOG_INFO(LOG_OTHER) << "No test file";
        failure = QStringLiteral("No test file");
        return false;
    }
    const std::shared_ptr<cv::FileStorage> file = templateFile(in.templatePath, failure);
    if (!file)
        return false;
    if (!file->isOpened()) {
        failure = QStringLiteral("template file unreadable");
        return false;
    }
    detector.readClass(file->root());
    if (detector.numTemplates("test") == 0) {
        failure = QStringLiteral("the template file holds no class \"test\"");
        return false;
    }
    if (in.thermal.empty()) {
        failure = QStringLiteral("no thermal picture");
        return false;
    }

    // 4. The board in the thermal picture.
    // The thermal picture registered with, kept for a look afterwards.
    QDir().mkpath(pcbFolder() + "hotimage");
    cv::imwrite((pcbFolder() + "hotimage/hotImage.jpg").toStdString(), in.thermal);
    const std::vector<line2d::Match> matches = detector.match(in.thermal, kMatchThreshold, {"test"});
    if (matches.empty()) {
        LOG_INFO(LOG_OTHER) << "Low similarity";
        failure = QStringLiteral("Low similarity");
        return false;
    }
    const line2d::Match& best = matches.front();
    LOG_INFO(LOG_OTHER) << "registration: board found at" << best.x << best.y << "similarity" << best.similarity;

    // 5. The match drawn on a working copy, for whoever wants to see what was found.
    const line2d::Template& found = detector.getTemplates("test", best.template_id)[0];
    cv::Mat drawn;
    cv::cvtColor(in.thermal, drawn, cv::COLOR_GRAY2BGR);
    for (size_t i = 0; i < found.features.size(); ++i) {
        const cv::Point p(best.x + found.features[i].x, best.y + found.features[i].y);
        cv::circle(drawn, p, 2, cv::Scalar(0, 255, 0));
        if (i > 0)
            cv::line(drawn, p, cv::Point(best.x + found.features[i - 1].x, best.y + found.features[i - 1].y),
                     cv::Scalar(0, 128, 0));
    }
    QDir().mkpath(pcbFolder() + "case2");
    cv::imwrite((pcbFolder() + "case2/match.png").toStdString(), drawn);
    if (stopRequested)
        return false;

    // 6. The board's outline in the thermal picture, found at half size.
    // Only around the board the matcher found: another warm object is not the board.
    const cv::Rect2f matched(float(best.x), float(best.y), float(found.width), float(found.height));
    const cv::Rect2f around(matched.x - matched.width / 4, matched.y - matched.height / 4, matched.width * 1.5f,
                            matched.height * 1.5f);
    cv::Mat half;
    cv::pyrDown(in.thermal, half);
    cv::RotatedRect thermalOutline;
    if (!outlineOf(half, 3, thermalOutline,
                   cv::Rect2f(around.x / 2, around.y / 2, around.width / 2, around.height / 2))) {
        failure = QStringLiteral("no board outline in the thermal picture");
        return false;
    }
    thermalOutline.center *= 2.0f;
    thermalOutline.size = thermalOutline.size * 2.0f;
    // Placed to the pixel at full size when the same outline shows there.
    cv::RotatedRect fullOutline;
    if (outlineOf(in.thermal, 3, fullOutline, around) &&
        cv::norm(fullOutline.center - thermalOutline.center) < 0.05 * thermalOutline.size.width &&
        std::abs(fullOutline.size.area() / thermalOutline.size.area() - 1.0) < 0.1)
        thermalOutline = fullOutline;

    // 7. The photograph: its outline onto the thermal one, a first warp, the outline again.
    const cv::Mat colour = cv::imread(in.picturePath.toStdString(), cv::IMREAD_COLOR);
    if (colour.empty()) {
        failure = QStringLiteral("picture unreadable: ") + in.picturePath;
        return false;
    }
    cv::Mat photo;
    cv::cvtColor(colour, photo, cv::COLOR_BGR2GRAY);
    cv::Matx33d prior = cv::Matx33d::eye(); // the info file's turn and scale of the template found
    if (!in.infoPath.isEmpty() && QFileInfo::exists(in.infoPath)) {
        const std::shared_ptr<cv::FileStorage> info = classfile::read(in.infoPath, failure);
        if (!info)
            return false;
        const cv::FileNode infos = (*info)["infos"];
        const cv::FileNode entry =
            infos.isSeq() && size_t(best.template_id) < infos.size() ? infos[best.template_id] : cv::FileNode();
        if (!entry.empty()) {
            const float angle = float(entry["angle"]), scale = float(entry["scale"]);
            if (!std::isfinite(angle) || !std::isfinite(scale) || scale <= 0.0f || !entry["scale"].isReal()) {
                failure = QStringLiteral("the info file's turn or scale is unusable");
                return false;
            }
            const cv::Mat r = cv::getRotationMatrix2D(cv::Point2f(photo.cols / 2.f, photo.rows / 2.f), angle, scale);
            prior = {r.at<double>(0, 0), r.at<double>(0, 1), r.at<double>(0, 2), r.at<double>(1, 0),
                     r.at<double>(1, 1), r.at<double>(1, 2), 0, 0, 1};
        }
    }
    cv::Mat turned;
    cv::warpAffine(colour, turned, asAffine(prior, CV_64F), photo.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::RotatedRect photoOutline;
    if (!outlineOf(turned, 5, photoOutline)) {
        failure = QStringLiteral("no board outline in the picture");
        return false;
    }
    if (std::abs(sideRatio(photoOutline) / sideRatio(thermalOutline) - 1.0) > kLargestAspectMismatch) {
        failure = QStringLiteral("the picture's board has another shape");
        return false;
    }
    const std::array<cv::Point2f, 4> target = cornersOf(thermalOutline);
    const cv::Matx33d first = affineBetween(cornersOf(photoOutline), target) * prior;
    cv::Mat warped;
    // Replicated at the border: the picture's own edge must not look like an outline.
    cv::warpAffine(colour, warped, asAffine(first, CV_64F), in.thermal.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::RotatedRect warpedOutline;
    cv::Matx33d fit = first;
    if (outlineOf(warped, 3, warpedOutline))
        fit = affineBetween(cornersOf(warpedOutline), target) * first;
    cv::Mat landedColour;
    cv::warpAffine(colour, landedColour, asAffine(fit, CV_32F), in.thermal.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::cvtColor(landedColour, registered.grey, cv::COLOR_BGR2GRAY);
    // The overlay in colour and at the size it is blended at, sharper than the thermal
    // picture's grid.
    const cv::Matx33d toOverlay(double(kOverlaySize.width) / in.thermal.cols, 0, 0, 0,
                                double(kOverlaySize.height) / in.thermal.rows, 0, 0, 0, 1);
    cv::Mat large;
    cv::warpAffine(colour, large, asAffine(toOverlay * fit, CV_32F), kOverlaySize, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::cvtColor(large, registered.colour, cv::COLOR_BGR2RGB);
    if (stopRequested)
        return false;

    // The photograph's content must stand where the board's does: the class found in the
    // thermal picture must score better on the registered photograph than on it turned over or
    // round about the board's centre (the outline alone cannot tell a photograph upside down).
    auto scoreOn = [&](const cv::Mat& image) {
        float score = 0;
        for (const line2d::Match& m : detector.match(image, 0.0f, {"test"}))
            if (m.template_id == best.template_id && std::abs(m.x - best.x) <= 6 && std::abs(m.y - best.y) <= 6)
                score = std::max(score, m.similarity);
        return score;
    };
    const float photoScore = scoreOn(registered.grey);
    float turnedScore = 0;
    const cv::Point2f c = thermalOutline.center;
    for (const cv::Matx23d& turn : {cv::Matx23d(1, 0, 0, 0, -1, 2 * c.y), cv::Matx23d(-1, 0, 2 * c.x, 0, 1, 0),
                                    cv::Matx23d(-1, 0, 2 * c.x, 0, -1, 2 * c.y)}) {
        cv::Mat turnedOver;
        cv::warpAffine(registered.grey, turnedOver, turn, registered.grey.size(), cv::INTER_NEAREST, cv::BORDER_REPLICATE);
        turnedScore = std::max(turnedScore, scoreOn(turnedOver));
    }
    LOG_INFO(LOG_OTHER) << "registration: the class scores" << photoScore << "on the photograph," << turnedScore
                        << "on it turned over";
    if (photoScore <= turnedScore) {
        failure = QStringLiteral("the picture's parts are not where the board's are (turned over or another board)");
        return false;
    }

    // The registered photograph's outline must lie on the thermal one.
    cv::RotatedRect registeredOutline;
    if (!outlineOf(landedColour, 3, registeredOutline)) {
        failure = QStringLiteral("no board outline in the registered picture");
        return false;
    }
    const std::array<cv::Point2f, 4> landed = cornersOf(registeredOutline);
    double error = 0;
    for (size_t i = 0; i < landed.size(); ++i)
        error = std::max(error, double(cv::norm(landed[i] - target[i])));
    LOG_INFO(LOG_OTHER) << "registration: outline corners within" << error << "pixels";
    if (error > kLargestCornerError) {
        failure = QStringLiteral("the picture's outline does not settle on the board (%1 pixels off)").arg(error, 0, 'f', 1);
        return false;
    }
    return true;
}

QImage imageRegistrate::blendOverlay(const QImage& viewImage, const FrameRenderer::Options& orientation) const
{
    cv::Mat photo;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!ready || viewImage.isNull())
            return QImage();
        photo = overlay; // never written again: a new result is a new matrix
    }
    const QImage turned = FrameRenderer::oriented(
        QImage(photo.data, photo.cols, photo.rows, int(photo.step), QImage::Format_RGB888), orientation);
    const cv::Mat photoTurned(turned.height(), turned.width(), CV_8UC3, const_cast<uchar*>(turned.constBits()),
                              size_t(turned.bytesPerLine()));
    const QImage rgb = viewImage.convertToFormat(QImage::Format_RGB888);
    const cv::Mat view(rgb.height(), rgb.width(), CV_8UC3, const_cast<uchar*>(rgb.constBits()), size_t(rgb.bytesPerLine()));
    cv::Mat viewSized, blend;
    cv::resize(view, viewSized, photoTurned.size());
    cv::addWeighted(photoTurned, 0.7, viewSized, 0.3, 3.0, blend);
    return QImage(blend.data, blend.cols, blend.rows, int(blend.step), QImage::Format_RGB888).copy();
}

QImage imageRegistrate::getResult() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return result;
}

QString imageRegistrate::failure() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return lastFailure;
}

QString imageRegistrate::getStatus() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return status;
}

bool imageRegistrate::isFinished() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return finishedRun;
}

bool imageRegistrate::overlayReady() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return ready;
}

cv::Mat imageRegistrate::registeredPicture() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return registeredGrey.clone();
}

void imageRegistrate::reset()
{
    std::lock_guard<std::mutex> lock(mutex);
    result = QImage();
    overlay.release();
    registeredGrey.release();
    ready = finishedRun = false;
}
