#pragma once

#include "view/superresnet.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Where the worker delivers each enlarged grey image (2w x 2h bytes); called on the worker's
// thread, so the receiver copies under its own lock.
class SuperResSink
{
public:
    virtual ~SuperResSink() = default;
    virtual void setSuperResFrame(const uint8_t* gray, int width, int height) = 0;
};

// Doubles the resolution of the live grey image on a thread of its own. The GUI thread hands
// in frames of the camera size; a frame is taken only while the worker waits, so frames that
// arrive while it works are skipped and the result is never older than one network run.
// Each result goes to the sink, then updateImage() is emitted. Standard threads and locks,
// which ThreadSanitizer follows, so the hand-over can be checked under it.
class SuperResImage : public QObject
{
    Q_OBJECT

public:
    SuperResImage(SuperResSink* sink, const QString& modelPath);
    ~SuperResImage() override;

    // False when the model could not be loaded; reason() says why. Frames are then ignored.
    bool available() const { return net.loaded(); }
    const QString& reason() const { return unavailable; }

    // The camera's frame size: frames of another byte length are ignored from now on.
    void setSize(int width, int height);
    void setImage(const uint8_t* data, int size);

    // For tests: frames taken and frames skipped because the worker was busy.
    int framesTaken() const;
    int framesSkipped() const;

signals:
    void updateImage();

private:
    void run();
    bool takeFrame(int& width, int& height);

    SuperResSink* sink;
    SuperResNet net;
    QString unavailable;

    mutable std::mutex mutex;
    std::condition_variable frameReady;
    bool running = true;
    bool waiting = false;   // the worker waits for a frame
    bool frameQueued = false;
    int frameWidth = 384, frameHeight = 288;
    std::vector<uint8_t> input; // filled by setImage, then swapped with working
    int taken = 0, skipped = 0;

    // The worker's own: never touched by the GUI thread.
    std::vector<uint8_t> working;
    cv::Mat output;
    bool errorLogged = false;
    std::thread worker; // last: started once everything above exists
};
