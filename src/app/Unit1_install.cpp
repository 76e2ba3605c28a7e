// "&Installieren": the installation run.
#include "app/Unit1.h"

void THauptfenster::SpeedButton4Click() {}
