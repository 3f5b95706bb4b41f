#pragma once

#include "serial/frameparser.h"

#include <QByteArray>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

// Parses the chunks the serial port receives on a thread of its own and reports the link's
// replies: a handshake reply and a calibration record. The port (GUI thread) pushes chunks;
// the queue between the two threads is guarded, and the thread sleeps until a chunk or the
// end arrives.
class uarthandle : public QThread
{
    Q_OBJECT

public:
    uarthandle();
    ~uarthandle() override;

    void push(const QByteArray& chunk);
    // The port was closed or lost: bytes queued so far and a frame begun are dropped, so no
    // reply is pieced together from two ports or two connections.
    void discardPending();

signals:
    void IsShakeHandsMsg(QByteArray data);
    void IsReadDataMsg(QByteArray data);

protected:
    void run() override;

private:
    void onFrame(const FrameParser::Frame& frame);

    std::mutex mutex;
    std::condition_variable chunkReady;
    std::deque<QByteArray> chunks;
    bool stopRequested = false;
    bool resetRequested = false;
    FrameParser parser; // the thread's own
};
