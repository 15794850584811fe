#include "plugin/frame_loop.h"

#include "host/script_host.h"
#include "tuning/tuning_pass.h"

IniReader startScript(SettingsFile& settings) {
    settings.setPath(kSettingsFileName);
    if (!settings.exists()) settings.writeDefaults();
    return IniReader{settings.getPath()};
}

void runFrame(SettingsFile& settings, const IniReader& reader) {
    const bool enabled = readSwitch(reader);
    if (!settings.exists()) settings.writeDefaults();
    if (enabled) runTuningPass(reader);
}

namespace {

// The script's settings file and reader belong to the module, not to the script's stack: the
// host deletes a script's fiber wherever it waits when the module unregisters, so nothing on
// that stack is ever destroyed, and what it held on the heap (the file's path and its parts)
// would stay behind at every unload. These are made at each load and destroyed at each unload.
SettingsFile scriptSettings;
IniReader scriptReader;

}  // namespace

void scriptMain() {
    scriptReader = startScript(scriptSettings);
    for (;;) {
        runFrame(scriptSettings, scriptReader);
        scriptWait(0);
    }
}
