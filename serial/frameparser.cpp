#include "serial/frameparser.h"

#include "serial/protocolstr.h"

void FrameParser::reset()
{
    state = State::Start;
    frame = Frame();
    length = 0;
}

void FrameParser::feed(const QByteArray& chunk)
{
    for (const char c : chunk)
        take(uint8_t(c));
}

void FrameParser::take(uint8_t byte)
{
    switch (state) {
    case State::Start:
        if (byte == protocolstr::kStart)
            state = State::Group;
        return;
    case State::Group:
        if (byte < 1 || byte > 76)
            return reset();
        frame.group = byte;
        state = State::Command;
        return;
    case State::Command:
        frame.command = byte;
        state = State::Fourth;
        return;
    case State::Fourth:
        frame.fourth = byte;
        state = State::LengthHigh;
        return;
    case State::LengthHigh:
        length = byte * 256;
        state = State::LengthLow;
        return;
    case State::LengthLow:
        length += byte;
        if (length == 0 || length > protocolstr::kLargestPayload)
            return reset();
        frame.payload.reserve(length);
        state = State::Payload;
        return;
    case State::Payload:
        frame.payload.append(char(byte));
        if (frame.payload.size() == length) {
            const Frame complete = frame;
            reset();
            deliver(complete);
        }
        return;
    }
}
