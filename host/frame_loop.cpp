#include "host/frame_loop.h"

#include "host/script_host.h"
#include "host/tuning_state.h"
#include "tuning/tuning_pass.h"

IniReader startScript(SettingsFile& settings) {
    settings.setPath(kSettingsFileName);
    if (!settings.exists()) settings.writeDefaults();
    return IniReader{settings.getPath()};
}

void runFrame(SettingsFile& settings, const IniReader& reader) {
    tuningState.enabled = reader.readBool(kSettingsSection, kEnabledKey, false) ? 1 : 0;
    if (!settings.exists()) settings.writeDefaults();
    if (tuningState.enabled != 0) runTuningPass(reader);
}

void scriptMain() {
    SettingsFile settings;
    const IniReader reader = startScript(settings);
    for (;;) {
        runFrame(settings, reader);
        scriptWait(0);
    }
}
