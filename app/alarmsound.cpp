#include "alarmsound.h"

#include "log.h"

#include <QFile>
#include <QUrl>

bool AlarmSound::play(const QString& name, int rounds)
{
    // A name from the settings file never reaches beyond the program's own sounds.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || !QFile::exists(QStringLiteral(":/Sound/") + name)) {
        LOG_INFO(LOG_ORVIK) << "no alarm sound named" << name;
        return false;
    }
    player.setSource(QUrl(QStringLiteral("qrc:/Sound/") + name));
    player.setLoopCount(rounds);
    player.setVolume(0.5);
    player.play();
    ++startCount;
    return true;
}
