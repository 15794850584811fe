#include "doctor/doctor_cli.h"

#include <CLI/CLI.hpp>
#include <string>

#include "doctor/report.h"
#include "doctor/settings_check.h"
#include "settings/settings_file.h"

int runDoctor(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Shows what the Veltrane plugin will read from its settings file, and warns where the text "
                 "and the value it reads part ways. Never changes the file, except --write-defaults on a "
                 "missing one.\nExit status: 0 nothing to warn about, 1 warnings, 2 the file can't be read.",
                 "veltrane-doctor"};
    std::string path = kSettingsFileName;
    bool quiet = false;
    bool writeDefaults = false;
    app.add_option("path", path, "the settings file to check")->capture_default_str();
    app.add_flag("-q,--quiet", quiet, "print only the warnings");
    app.add_flag("--write-defaults", writeDefaults,
                 "when the file is missing, write the default file the plugin would write (45 entries)");
    app.set_version_flag("--version", VELTRANE_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? 0 : 2;
    }

    if (!quiet) out << "veltrane-doctor " << VELTRANE_VERSION << "\n";
    if (writeDefaults) {
        SettingsFile file;
        file.setPath(profilePath(path));
        if (file.exists()) {
            err << file.getPath() << " exists; --write-defaults writes only a missing file. Nothing written.\n";
        } else {
            file.writeDefaults();
            if (!quiet) out << "Wrote the default settings file " << file.getPath() << ".\n";
        }
    }
    const SettingsCheck check = checkSettingsFile(path);
    printReport(out, check, quiet);
    return exitStatus(check);
}
