// Start-up: one copy per session, logging, updater and driver files, the update hand-off, then
// the main window (whose device manager runs the detection program).
#include "app/installdriver.h"
#include "app/orvik.h"
#include "app/softwaretollaunchpromptbox.h"
#include "app/startup.h"
#include "core/configmanager.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/logmanager.h"
#include "platform/keepawake.h"
#include "platform/singleinstance.h"
#include "platform/terminationsignals.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include <opencv2/core/utility.hpp>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    QApplication app(argc, argv);
    // OpenCV on the calling thread only, so that the super-resolution worker keeps to one core.
    // Elsewhere this costs little on the two cores the program is made for: the frame path's
    // pictures are small, and the golden-board comparison, the dual-light fusion and the shape
    // matcher measured as fast or faster without OpenCV's thread pool.
    cv::setNumThreads(1);
    QGuiApplication::setDesktopFileName(QStringLiteral("orvik"));
    // Window managers without the desktop entry show this in the title bar and task switcher.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/image/Orvik/icons/LOGO.png")));
    // Asked to stop by the system: leave as the close button leaves, everything saved.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, [](int number) {
        LOG_INFO(LOG_OTHER) << "signal" << number << ", closing";
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    gAppDir = QCoreApplication::applicationDirPath();
    gProductName = startup::productLine(QCoreApplication::arguments());
    ConfigManager* config = ConfigManager::getInstance();
    gUpdateHost = config->getUpdateHost();
    gUpdatePort = config->getUpdatePort();

    SingleInstance instance(QStringLiteral("Orvik"));
    if (!instance.acquire()) {
        SoftwareTolLaunchPromptBox prompt;
        prompt.setLanguageIndex(gLanguageIndex);
        prompt.exec();
        return 0;
    }

    LogManager::getInstance()->setLogDir(config->storage().logs);
    LogManager::getInstance()->setLogEnabled(true);
    LOG_INFO(LOG_OTHER) << "===============================";
    for (const QString& note : config->takeStartNotes())
        LOG_INFO(LOG_OTHER) << note;
    keepAwake(); // after the log is open, so a missing screen saver service is recorded

    // An installed copy is changed only by its package manager: no hand-over to the updater.
    const bool selfUpdating = !config->storage().installed;
    if (selfUpdating)
        startup::writeProcessPath();
    startup::prepareDriverPackages();
    if (!config->getEquipmentValue(QStringLiteral("DriverInstallate"))) {
        // Only when there is something to install: this system drives its cameras itself.
        if (startup::driverPackagesPresent())
            (new installdriver)->exec();
        config->setEquipmentValue(QStringLiteral("DriverInstallate"), true);
    }
    if (termination.requested())
        return 0; // asked to stop while the driver dialog was open
    if (selfUpdating && startup::handOverWaitingUpdate()) {
        // Until the updater ends this process; should it never come, the next start is not
        // kept out for ever by this windowless copy.
        QTimer::singleShot(120000, &app, [] {
            LOG_INFO(LOG_OTHER) << "the updater did not end this copy, it ends itself";
            QCoreApplication::quit();
        });
        return app.exec();
    }

    auto* window = new Orvik;
    window->show();
    qunsetenv("ORVIK_UPDATE_RESULT");
    if (startup::updateFailed()) {
        auto* notice = new QMessageBox(QMessageBox::Warning, QCoreApplication::translate("Orvik", "警告"),
                                       QCoreApplication::translate("Orvik", "升级未能完成，仍在使用原来的版本。"),
                                       QMessageBox::Ok, window);
        notice->setAttribute(Qt::WA_DeleteOnClose);
        notice->setModal(false);
        notice->show();
    }
    const int result = app.exec();
    delete window;
    return result;
}
