#pragma once

#include <QString>

// Process-wide values, set once by start-up before any window or worker exists.
extern QString gAppDir;       // application directory, no trailing separator
extern QString gProductName;  // active product line, "Orvik" in this build
extern int gLanguageIndex;    // 0 Simplified Chinese, 1 English, 2 Spanish
extern QString gUpdateHost;   // update server address
extern QString gUpdatePort;   // update server port, 1..65535 as text
