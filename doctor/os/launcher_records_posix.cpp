#include "doctor/os/launcher_records.h"

// The launchers run on Windows (or under Wine or Proton, where the Windows doctor reads them).
LauncherRecords readLauncherRecords() {
    LauncherRecords records;
    records.whyNot = "only the Windows doctor can read the launchers' records";
    return records;
}
