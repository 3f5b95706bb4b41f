#include "core/globals.h"

QString gAppDir;
QString gProductName;
int gLanguageIndex = 0;
QString gUpdateHost;
QString gUpdatePort;
