#pragma once

#include <QSoundEffect>
#include <QString>

// The temperature alarm's sound: one of the sounds built into the program, played a set
// number of rounds.
class AlarmSound
{
public:
    AlarmSound() = default;

    // Starts the named sound (a file name under qrc:/Sound/) for that many rounds. False, and
    // nothing played, when the program carries no sound of that name.
    bool play(const QString& name, int rounds);
    void stop() { player.stop(); }

    // What the player was asked for last, and how often a sound was started.
    const QSoundEffect& effect() const { return player; }
    int starts() const { return startCount; }

private:
    QSoundEffect player;
    int startCount = 0;
};
