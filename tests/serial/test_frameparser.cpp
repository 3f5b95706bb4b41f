// The link's frame parser and the thread that feeds it (also built with ThreadSanitizer as
// serial_tsan_tests).
#include "serial/frameparser.h"
#include "serial/protocolstr.h"
#include "serial/uarthandle.h"

#include <QTest>

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

struct Collector
{
    std::vector<FrameParser::Frame> frames;
    FrameParser parser{[this](const FrameParser::Frame& f) { frames.push_back(f); }};
};

QByteArray recordReply(int length, char fill)
{
    return bytes({0x44, 0x4C, 0x52, 0, length >> 8, length & 0xFF}) + QByteArray(length, fill);
}

} // namespace

TEST(Protocol, RequestsPutTheLengthHighByteFirst)
{
    EXPECT_EQ(protocolstr::handshake(), bytes({0x44, 0x4C, 0x41, 0, 0, 0}));
    EXPECT_EQ(protocolstr::readRecord(), bytes({0x44, 0x4C, 0x52, 0, 0, 0}));
    EXPECT_EQ(protocolstr::request(3, 0x52, 7, 0x0102), bytes({0x44, 3, 0x52, 7, 1, 2}));
}

TEST(FrameParser, HandshakeReplySplitRecordAndGarbage)
{
    Collector c;
    c.parser.feed(bytes({0x13, 0x00, 0x44, 0x00, 0x44, 0x4C, 0x41, 0x00, 0x00, 0x01, 0x79}));
    ASSERT_EQ(c.frames.size(), 1u) << "garbage and a bad group before the frame are skipped";
    EXPECT_EQ(c.frames[0].command, 0x41);
    EXPECT_EQ(c.frames[0].payload, QByteArray("y"));

    QByteArray record(192, '\0');
    for (int i = 0; i < 192; ++i)
        record[i] = char(i * 7);
    c.parser.feed(bytes({0x44, 0x4C, 0x52, 0x00, 0x00}));
    c.parser.feed(bytes({0xC0}) + record.left(100));
    EXPECT_EQ(c.frames.size(), 1u) << "not complete yet";
    c.parser.feed(record.mid(100));
    ASSERT_EQ(c.frames.size(), 2u);
    EXPECT_EQ(c.frames[1].payload, record);
}

TEST(FrameParser, LengthsOfZeroAndAbove256Reset)
{
    Collector c;
    c.parser.feed(bytes({0x44, 0x4C, 0x52, 0x00, 0x01, 0x01}) + QByteArray(257, 'a'));
    c.parser.feed(bytes({0x44, 0x4C, 0x52, 0x00, 0x00, 0x00}) + bytes({0x79}));
    EXPECT_TRUE(c.frames.empty());
    c.parser.feed(recordReply(256, 'b'));
    ASSERT_EQ(c.frames.size(), 1u) << "the largest payload is taken";
    EXPECT_EQ(c.frames[0].payload.size(), 256);
}

// Random bytes, and random bytes around real frames cut at random places: never a crash,
// and every frame delivered is well formed.
TEST(FrameParser, AMillionRandomBytesNeverBreakIt)
{
    std::mt19937 rng(20261207);
    Collector c;
    const QByteArray real = recordReply(192, 'r');
    int inserted = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray chunk(int(rng() % 512), '\0');
        for (char& b : chunk)
            b = char(rng() % 4 == 0 ? "DLRA"[rng() % 4] : rng());
        if (round % 50 == 0) {
            chunk += real; // after garbage the parser may still be inside a frame: resync first
            ++inserted;
        }
        for (int at = 0; at < chunk.size();) {
            const int piece = 1 + int(rng() % 64);
            c.parser.feed(chunk.mid(at, piece));
            at += piece;
        }
    }
    for (const FrameParser::Frame& f : c.frames) {
        ASSERT_GE(f.group, 1);
        ASSERT_LE(f.group, 76);
        ASSERT_GE(f.payload.size(), 1);
        ASSERT_LE(f.payload.size(), 256);
    }
    int recordsSeen = 0;
    for (const FrameParser::Frame& f : c.frames)
        recordsSeen += f.payload == real.mid(6);
    EXPECT_GT(recordsSeen, 0);
    EXPECT_LE(recordsSeen, inserted);
}

TEST(UartHandle, ChunksPushedFromAnotherThreadArriveAsReplies)
{
    uarthandle handle;
    // Received on this thread, as the serial port's slots are (queued connections).
    QObject receiver;
    int handshakes = 0;
    QList<QByteArray> records;
    QObject::connect(&handle, &uarthandle::IsShakeHandsMsg, &receiver, [&](const QByteArray&) { ++handshakes; });
    QObject::connect(&handle, &uarthandle::IsReadDataMsg, &receiver, [&](const QByteArray& r) { records.append(r); });
    const QByteArray stream = bytes({0x44, 0x4C, 0x41, 0, 0, 1, 0x59}) + recordReply(192, 's') +
                              bytes({0x44, 0x05, 0x41, 0, 0, 1, 0x79}); // another group: dropped
    // One byte at a time from a second thread while the handle's thread parses.
    std::thread writer([&] {
        for (int i = 0; i < 50; ++i)
            for (const char b : stream)
                handle.push(QByteArray(1, b));
    });
    writer.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return records.size() == 50; }, 10000));
    EXPECT_EQ(handshakes, 50);
    EXPECT_EQ(records.first(), QByteArray(192, 's'));
}
