#pragma once

#include "platform/childprocess.h"

#include <QString>

// The device-detection program beside the application (gAppDir + "/detecProcess"), run as
// this process's own child: started, watched and ended by its process id only. It reports the
// attached camera in NameConfig.ini in the storage's detection folder (the program's own
// folder unless that cannot be written), and ends by itself soon after its owner.
class DetectionProgram
{
public:
    static QString resultFilePath();
    static void emptyResultFile();

    bool running() { return process.running(); }
    // Empties the result file, then starts the program.
    void start();
    void stop();

private:
    ChildProcess process;
};
