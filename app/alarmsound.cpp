#include "app/alarmsound.h"

#include "core/log.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

bool AlarmSound::play(const QString& name, int rounds)
{
    // A name from the settings file never reaches beyond the program's own sounds.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || !QFileInfo(QStringLiteral(":/Sound/") + name).isFile()) {
        LOG_INFO(LOG_ORVIK) << "no alarm sound named" << name;
        return false;
    }
    player.setSource(QUrl(QStringLiteral("qrc:/Sound/") + name));
    player.setLoopCount(std::clamp(rounds, 1, 3600)); // never the player's endless -2
    player.setVolume(0.5);
    player.play();
    ++startCount;
    return true;
}
