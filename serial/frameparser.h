#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>

// Cuts the link's byte stream into frames, byte by byte, across any chunking. Malformed input
// (no 'D' start, a group outside 1..76, a length of 0 or above 256) silently resets it; the
// next 'D' starts a new frame.
class FrameParser
{
public:
    struct Frame
    {
        uint8_t group = 0, command = 0, fourth = 0;
        QByteArray payload;
    };
    using Handler = std::function<void(const Frame&)>;

    explicit FrameParser(Handler onFrame) : deliver(std::move(onFrame)) {}

    void feed(const QByteArray& chunk);
    void reset();

private:
    enum class State
    {
        Start,
        Group,
        Command,
        Fourth,
        LengthHigh,
        LengthLow,
        Payload,
    };
    void take(uint8_t byte);

    Handler deliver;
    State state = State::Start;
    Frame frame;
    int length = 0;
};
