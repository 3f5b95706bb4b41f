#pragma once
// The serial side of a virtual dual-light camera: a pseudo-terminal whose far end answers the
// calibration link as the camera does. A handshake ('D' 'L' 'A' 0 0 0) is answered 'y'; a read
// request ('D' 'L' 'R' 0 0 0) with the camera's 192-byte record. Programs open the path of
// the terminal's other end (or a link to it) like any serial device.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace tcsim {

class SerialResponder
{
public:
    struct Behaviour
    {
        bool answerHandshake = true;
        // The record sent; empty: the camera's own.
        std::vector<uint8_t> record;
        // The camera is unplugged after sending this many bytes of its record reply (-1: never).
        int vanishAfter = -1;
    };

    // linkPath: when not empty, a symbolic link to the terminal created there (replaced if it
    // exists) and removed again at the end.
    explicit SerialResponder(const std::string& linkPath = "");
    SerialResponder(const std::string& linkPath, Behaviour behaviour);
    ~SerialResponder();
    SerialResponder(const SerialResponder&) = delete;
    SerialResponder& operator=(const SerialResponder&) = delete;

    bool ok() const { return master >= 0; }
    // The terminal's path, or the link when one was asked for.
    const std::string& path() const { return portPath; }
    int requestsAnswered() const { return answered.load(); }
    // The record the camera holds.
    static std::vector<uint8_t> cameraRecord();

private:
    void run();
    void answer(uint8_t command);
    bool writeAll(const uint8_t* data, size_t length);

    Behaviour behaviour;
    std::atomic<int> master{-1}; // closed by the thread when the camera vanishes
    int wakeRead = -1, wakeWrite = -1;
    std::string portPath, linkPath;
    std::atomic<int> answered{0};
    std::atomic<bool> vanished{false};
    std::thread thread;
};

} // namespace tcsim
