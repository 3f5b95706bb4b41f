// The fake V4L2 camera behaves as a uvcvideo node does for the calls the back-end makes, so
// the back-end's tests mean something for a real camera.
#include "sdk/v4l2fake/fakev4l2.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <sys/mman.h>

namespace {

class FakeDevice : public ::testing::Test
{
protected:
    QTemporaryDir sysfs;
    tcfake::FakeV4l2 fake{sysfs.path().toStdString()};

    static QString read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }
    int openNode(const char* path)
    {
        const int fd = fake.open(path, O_RDWR | O_NONBLOCK);
        EXPECT_GE(fd, 0) << std::strerror(errno);
        return fd;
    }
    // Sets the format, maps count buffers, queues them and starts the stream.
    std::vector<void*> stream(int fd, uint32_t fourcc, uint32_t width, uint32_t height, uint32_t count = 3)
    {
        v4l2_format format{};
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        format.fmt.pix.pixelformat = fourcc;
        format.fmt.pix.width = width;
        format.fmt.pix.height = height;
        EXPECT_EQ(fake.ioctl(fd, VIDIOC_S_FMT, &format), 0);
        v4l2_requestbuffers request{};
        request.count = count;
        request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        request.memory = V4L2_MEMORY_MMAP;
        EXPECT_EQ(fake.ioctl(fd, VIDIOC_REQBUFS, &request), 0);
        std::vector<void*> maps;
        for (uint32_t i = 0; i < request.count; ++i) {
            v4l2_buffer buffer{};
            buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            buffer.memory = V4L2_MEMORY_MMAP;
            buffer.index = i;
            EXPECT_EQ(fake.ioctl(fd, VIDIOC_QUERYBUF, &buffer), 0);
            maps.push_back(fake.mmap(buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, buffer.m.offset));
            EXPECT_NE(maps.back(), MAP_FAILED);
            EXPECT_EQ(fake.ioctl(fd, VIDIOC_QBUF, &buffer), 0);
        }
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        EXPECT_EQ(fake.ioctl(fd, VIDIOC_STREAMON, &type), 0);
        return maps;
    }
    // Waits for the next frame and dequeues it: 0 or errno.
    int nextFrame(int fd, v4l2_buffer& buffer)
    {
        pollfd p{fd, POLLIN, 0};
        if (fake.poll(&p, 1, 2000) != 1)
            return ETIMEDOUT;
        buffer = {};
        buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buffer.memory = V4L2_MEMORY_MMAP;
        return fake.ioctl(fd, VIDIOC_DQBUF, &buffer) == 0 ? 0 : errno;
    }
};

TEST_F(FakeDevice, WritesTheSysfsEntriesOfAUsbCameraAndRemovesThemWhenUnplugged)
{
    tcfake::FakeCamera camera;
    camera.node = "video4";
    camera.productId = 0x5840;
    camera.serial = "SER42";
    fake.plug(camera);
    const QString node = sysfs.path() + "/class/video4linux/video4";
    const QString usb = QFileInfo(node + "/device").canonicalFilePath() + "/..";
    EXPECT_EQ(read(usb + "/idVendor"), "0bda");
    EXPECT_EQ(read(usb + "/idProduct"), "5840");
    EXPECT_EQ(read(usb + "/product"), "USB Camera");
    EXPECT_EQ(read(usb + "/serial"), "SER42");
    EXPECT_EQ(read(node + "/index"), "0");
    EXPECT_EQ(read(sysfs.path() + "/class/video4linux/video5/index"), "1") << "the metadata node";
    EXPECT_EQ(read(sysfs.path() + "/bus/usb/devices/1-5/idProduct"), "5840");

    fake.unplug("video4");
    EXPECT_FALSE(QFileInfo::exists(node));
    EXPECT_FALSE(QFileInfo::exists(sysfs.path() + "/class/video4linux/video5"));
    EXPECT_FALSE(QFileInfo::exists(usb + "/idVendor"));
    EXPECT_LT(fake.open("/dev/video4", O_RDWR), 0);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(FakeDevice, TellsItsCapabilitiesFormatsSizesAndRates)
{
    tcfake::FakeCamera camera;
    camera.node = "video0";
    fake.plug(camera);
    const int fd = openNode("/dev/video0");
    v4l2_capability cap{};
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_QUERYCAP, &cap), 0);
    EXPECT_TRUE(cap.device_caps & V4L2_CAP_VIDEO_CAPTURE);
    EXPECT_TRUE(cap.device_caps & V4L2_CAP_STREAMING);

    v4l2_fmtdesc format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FMT, &format), 0);
    EXPECT_EQ(format.pixelformat, uint32_t(V4L2_PIX_FMT_YUYV));
    format.index = 1;
    EXPECT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FMT, &format), -1);
    EXPECT_EQ(errno, EINVAL);

    v4l2_frmsizeenum size{};
    size.pixel_format = V4L2_PIX_FMT_YUYV;
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size), 0);
    EXPECT_EQ(size.type, uint32_t(V4L2_FRMSIZE_TYPE_DISCRETE));
    EXPECT_EQ(size.discrete.width, 256u);
    EXPECT_EQ(size.discrete.height, 384u) << "picture and temperatures stacked";
    size.index = 1;
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &size), 0);
    EXPECT_EQ(size.discrete.height, 192u) << "the picture alone";

    v4l2_frmivalenum interval{};
    interval.pixel_format = V4L2_PIX_FMT_YUYV;
    interval.width = 256;
    interval.height = 384;
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval), 0);
    EXPECT_EQ(interval.discrete.denominator / interval.discrete.numerator, 25u);
    interval.height = 100;
    EXPECT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval), -1);
    EXPECT_EQ(fake.close(fd), 0);

    const int metadata = openNode("/dev/video1");
    ASSERT_EQ(fake.ioctl(metadata, VIDIOC_QUERYCAP, &cap), 0);
    EXPECT_FALSE(cap.device_caps & V4L2_CAP_VIDEO_CAPTURE);
    EXPECT_TRUE(cap.device_caps & V4L2_CAP_META_CAPTURE);
    fake.close(metadata);
    EXPECT_EQ(fake.openDescriptors(), 0);
}

TEST_F(FakeDevice, StreamsInFrameTemperaturesOfTheScene)
{
    tcfake::FakeCamera camera;
    camera.node = "video2";
    camera.width = 160;
    camera.height = 120;
    camera.fps = 50;
    fake.plug(camera);
    const int fd = openNode("/dev/video2");
    const std::vector<void*> maps = stream(fd, V4L2_PIX_FMT_YUYV, 160, 240);
    v4l2_buffer buffer{};
    ASSERT_EQ(nextFrame(fd, buffer), 0);
    EXPECT_EQ(buffer.bytesused, 160u * 240 * 2);
    const auto* words = static_cast<const uint16_t*>(maps[buffer.index]);
    int hotX = 0, hotY = 0;
    const uint16_t hottest = tcfake::hottestWord(camera, &hotX, &hotY);
    EXPECT_EQ(words[(120 + hotY) * 160 + hotX], hottest);
    EXPECT_NEAR(hottest / 64.0 - 273.15, 24 + 8 * 0.35 + 6 * 0.7 + 45, 0.5);
    EXPECT_EQ(words[(120 + 10) * 160 + 20], tcfake::temperatureWord(camera, 20, 10));
    EXPECT_EQ(words[hotY * 160 + hotX] >> 8, 128) << "chroma of a grey picture";

    // Nothing is ready before the next frame is due; a queued buffer comes back in time.
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_QBUF, &buffer), 0);
    ASSERT_EQ(nextFrame(fd, buffer), 0);
    EXPECT_EQ(buffer.sequence, 1u);

    // Not while the buffers are mapped and the stream runs.
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(fake.ioctl(fd, VIDIOC_S_FMT, &format), -1);
    EXPECT_EQ(errno, EBUSY);
    const int second = openNode("/dev/video2");
    v4l2_requestbuffers request{};
    request.count = 2;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    EXPECT_EQ(fake.ioctl(second, VIDIOC_REQBUFS, &request), -1);
    EXPECT_EQ(errno, EBUSY) << "another descriptor streams";
    fake.close(second);

    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    EXPECT_EQ(fake.ioctl(fd, VIDIOC_STREAMOFF, &type), 0);
    for (void* map : maps)
        EXPECT_EQ(fake.munmap(map, 160 * 240 * 2), 0);
    EXPECT_EQ(fake.mappedBuffers(), 0);
    fake.close(fd);
}

TEST_F(FakeDevice, StreamsY16CountsAndThePictureAloneOnRequest)
{
    tcfake::FakeCamera camera =
        tcfake::FakeCamera::parse("video6 layout=y16 width=256 height=192 fps=30 vid=0bda pid=5840");
    fake.plug(camera);
    const int fd = openNode("/dev/video6");
    v4l2_fmtdesc format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_ENUM_FMT, &format), 0);
    EXPECT_EQ(format.pixelformat, uint32_t(V4L2_PIX_FMT_Y16));
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {1, 14};
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_S_PARM, &parm), 0);
    EXPECT_EQ(parm.parm.capture.timeperframe.denominator, 15u) << "the nearest rate offered";
    const std::vector<void*> maps = stream(fd, V4L2_PIX_FMT_Y16, 256, 192, 2);
    v4l2_buffer buffer{};
    ASSERT_EQ(nextFrame(fd, buffer), 0);
    const auto* words = static_cast<const uint16_t*>(maps[buffer.index]);
    EXPECT_EQ(words[50 * 256 + 60], tcfake::rawCount(camera, 60, 50));
    ASSERT_EQ(fake.ioctl(fd, VIDIOC_QBUF, &buffer), 0);
    pollfd waiting{fd, POLLIN, 0};
    EXPECT_EQ(fake.poll(&waiting, 1, -1), 1) << "no time-out: until the next frame";
    fake.close(fd);
    for (void* map : maps)
        fake.munmap(map, 0);
    EXPECT_EQ(fake.mappedBuffers(), 0);

    // An offer that is not on the list becomes one that is.
    const int other = openNode("/dev/video6");
    v4l2_format asked{};
    asked.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    asked.fmt.pix.pixelformat = V4L2_PIX_FMT_MJPEG;
    asked.fmt.pix.width = 640;
    asked.fmt.pix.height = 480;
    ASSERT_EQ(fake.ioctl(other, VIDIOC_S_FMT, &asked), 0);
    EXPECT_EQ(asked.fmt.pix.pixelformat, uint32_t(V4L2_PIX_FMT_Y16));
    EXPECT_EQ(asked.fmt.pix.width, 256u);
    fake.close(other);
}

TEST_F(FakeDevice, ADeviceThatVanishesMidStreamFailsWithENODEV)
{
    tcfake::FakeCamera camera = tcfake::FakeCamera::parse("video3 width=160 height=120 fps=100 vanish=3");
    fake.plug(camera);
    const int fd = openNode("/dev/video3");
    const std::vector<void*> maps = stream(fd, V4L2_PIX_FMT_YUYV, 160, 240, 4);
    v4l2_buffer buffer{};
    int frames = 0, error = 0;
    while ((error = nextFrame(fd, buffer)) == 0) {
        ++frames;
        fake.ioctl(fd, VIDIOC_QBUF, &buffer);
    }
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(error, ENODEV);
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(fake.poll(&p, 1, 100), 1);
    EXPECT_TRUE(p.revents & POLLERR);
    v4l2_capability cap{};
    EXPECT_EQ(fake.ioctl(fd, VIDIOC_QUERYCAP, &cap), -1);
    EXPECT_EQ(errno, ENODEV);
    EXPECT_FALSE(fake.plugged("video3"));
    EXPECT_FALSE(QFileInfo::exists(sysfs.path() + "/class/video4linux/video3"));
    for (void* map : maps)
        EXPECT_EQ(fake.munmap(map, 0), 0);
    EXPECT_EQ(fake.close(fd), 0);
}

TEST_F(FakeDevice, ACameraWithoutAccessRightsRefusesTheOpen)
{
    fake.plug(tcfake::FakeCamera::parse("video8 access=denied"));
    EXPECT_EQ(fake.open("/dev/video8", O_RDWR), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_TRUE(QFileInfo::exists(sysfs.path() + "/class/video4linux/video8/device"))
        << "listed all the same, as the kernel lists a node the user cannot open";
    EXPECT_TRUE(fake.ownsPath("/dev/video8"));
    EXPECT_FALSE(fake.ownsPath("/dev/null"));
}

} // namespace
