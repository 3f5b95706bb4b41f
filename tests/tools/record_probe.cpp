// Records the X11 desktop into a file the way the main window does, for tests that have to
// end a recording from outside: record_probe <file> <seconds> [largest file in bytes].
// Exit 0: recorded and finished; 3: the file could not grow any more and the recording ended.
#include "tools/screengrab.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    if (argc > 3) {
        // The file-size limit stands in for a full disk: writes beyond it fail.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = std::strtoull(argv[3], nullptr, 10);
        const rlimit size{limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
    }
    ScreenGrab grab;
    grab.startRecord(argv[1], 640, 480);
    grab.setRegion(0, 0, 640, 480);
    if (!grab.open())
        return 1;
    std::printf("recording\n");
    std::fflush(stdout);
    QElapsedTimer clock;
    clock.start();
    const qint64 end = std::atoll(argv[2]) * 1000;
    for (int tick = 1; clock.elapsed() < end; ++tick) {
        grab.grabFrame();
        if (grab.writeFailed()) {
            grab.stopRecord();
            return 3;
        }
        const qint64 wait = tick * 100 - clock.elapsed();
        if (wait > 0)
            QThread::msleep(wait);
    }
    grab.stopRecord();
    return 0;
}
