#include "serial/uarthandle.h"

#include "serial/protocolstr.h"

uarthandle::uarthandle() : parser([this](const FrameParser::Frame& frame) { onFrame(frame); })
{
    start();
}

uarthandle::~uarthandle()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        chunks.clear();
        stopRequested = true;
    }
    chunkReady.notify_all();
    wait();
}

void uarthandle::push(const QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        chunks.push_back(chunk);
    }
    chunkReady.notify_one();
}

void uarthandle::discardPending()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        chunks.clear();
        resetRequested = true;
    }
    chunkReady.notify_one();
}

void uarthandle::run()
{
    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock<std::mutex> lock(mutex);
            chunkReady.wait(lock, [this] { return stopRequested || resetRequested || !chunks.empty(); });
            if (stopRequested)
                return;
            if (resetRequested) {
                resetRequested = false;
                parser.reset();
            }
            if (chunks.empty())
                continue;
            chunk = std::move(chunks.front());
            chunks.pop_front();
        }
        parser.feed(chunk);
    }
}

void uarthandle::onFrame(const FrameParser::Frame& frame)
{
    if (frame.group != protocolstr::kLinkGroup)
        return;
    if (frame.command == protocolstr::kHandshake)
        emit IsShakeHandsMsg(frame.payload);
    else if (frame.command == protocolstr::kReadRecord)
        emit IsReadDataMsg(frame.payload);
}
