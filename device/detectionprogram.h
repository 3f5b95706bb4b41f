#pragma once

// The device-detection program beside the application (gAppDir + "/detecProcess"), found and
// stopped by its process name. It reports the attached camera in NameConfig.ini there.
namespace detection {

bool running();
// Empties the result file, then starts the program detached; it ends soon after this process.
void start();
void stop();
void emptyResultFile();

} // namespace detection
