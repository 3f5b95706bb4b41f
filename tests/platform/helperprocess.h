#pragma once

#include <QProcess>
#include <QStringList>

#include <memory>

// Starts the platform test helper and waits (bounded) for its first line of output.
inline std::unique_ptr<QProcess> startHelper(const QStringList& args, QByteArray* firstLine = nullptr,
                                             const QString& program = PLATFORM_HELPER_PATH)
{
    auto process = std::make_unique<QProcess>();
    process->start(program, args);
    if (!process->waitForStarted(5000))
        return nullptr;
    while (!process->canReadLine()) {
        if (!process->waitForReadyRead(10000))
            return nullptr;
    }
    const QByteArray line = process->readLine().trimmed();
    if (firstLine)
        *firstLine = line;
    return process;
}

inline void stopHelper(QProcess& process)
{
    process.kill();
    process.waitForFinished(5000);
}
