// The Epic Games Launcher's install records (JSON), as the doctor reads them from a player's
// disk. It reads both texts or says why not; what it read, written back as a record, reads the
// same; a byte order mark or leading blanks change nothing.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "doctor/readers/epic_manifest.h"
#include "fuzz/fuzz_support.h"

namespace {

bool same(const EpicManifest& a, const EpicManifest& b) {
    return a.installLocation == b.installLocation && a.launchExecutable == b.launchExecutable && a.refusal == b.refusal;
}

}  // namespace

void checkInput(std::string_view bytes) {
    const EpicManifest read = readEpicManifest(bytes);
    FUZZ_CHECK(read.refusal.empty() == (!read.installLocation.empty() && !read.launchExecutable.empty()),
               "refusal \"%s\" with location \"%s\" and program \"%s\"", read.refusal.c_str(),
               read.installLocation.c_str(), read.launchExecutable.c_str());

    if (bytes.compare(0, 3, "\xEF\xBB\xBF") != 0) {
        FUZZ_CHECK(same(readEpicManifest("\xEF\xBB\xBF" + std::string(bytes)), read),
                   "a byte order mark changed the reading");
        FUZZ_CHECK(same(readEpicManifest(" \r\n\t" + std::string(bytes)), read), "leading blanks changed the reading");
    }

    if (read.refusal.empty()) {
        const nlohmann::json record = {{"InstallLocation", read.installLocation},
                                       {"LaunchExecutable", read.launchExecutable}};
        std::string written;
        try {
            written = record.dump();
        } catch (const nlohmann::json::type_error&) {
            return;  // texts that are no UTF-8, passed on as written, cannot be written back as JSON
        }
        FUZZ_CHECK(same(readEpicManifest(written), read), "its own record read otherwise: %s", written.c_str());
    }
}
