// A stand-in external program for the platform tests.
//   sleep                  wait until killed
//   lock <dir>             hold the single-instance lock in <dir>, print "locked" or "refused"
//   screensaver <address>  serve org.freedesktop.ScreenSaver on that bus, print each Inhibit
#include "platform/singleinstance.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QThread>

#include <cstdio>

class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        std::printf("Inhibit %s: %s\n", qPrintable(application), qPrintable(reason));
        std::fflush(stdout);
        return 7;
    }
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == "sleep") {
        std::puts("ready");
        std::fflush(stdout);
        return app.exec();
    }
    if (mode == "lock") {
        SingleInstance instance("Orvik", args.value(2));
        std::puts(instance.acquire() ? "locked" : "refused");
        std::fflush(stdout);
        return app.exec();
    }
    if (mode == "screensaver") {
        QDBusConnection bus = QDBusConnection::connectToBus(args.value(2), "fake");
        FakeScreenSaver saver;
        if (!bus.registerObject("/org/freedesktop/ScreenSaver", &saver, QDBusConnection::ExportAllSlots) ||
            !bus.registerService("org.freedesktop.ScreenSaver"))
            return 2;
        std::puts("ready");
        std::fflush(stdout);
        return app.exec();
    }
    return 1;
}

#include "helper.moc"
