// The doctor's game-folder checks under Wine, over game folders made per case from the real
// Veltrane.asi, the stand-in script host and ASI loader, a stand-in host built without one of
// its functions and a 32-bit DLL: for each, which checks fail, the exit status, and that
// nothing in the folder changed.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "doctor/doctor_cli.h"
#include "tests/support/flat_text.h"
#include "tests/support/settings_text.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void copy(const char* from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// Every file below `folder` with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).u8string()] = entry.is_regular_file() ? readAll(entry.path()) : "/";
    return files;
}

// The numbers of the game-folder checks the report fails ("FAIL 3 Plugin: ..."), leaving out
// what runs now: other tests' games run beside this one.
std::set<int> failedChecks(const std::string& report) {
    std::set<int> failed;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("FAIL ", 0) == 0 && line.size() > 5 && std::isdigit(static_cast<unsigned char>(line[5])))
            failed.insert(line[5] - '0');
    }
    return failed;
}

// A complete game folder: the script hook, its ASI loader under a name the game loads, the
// plugin and its settings file.
void complete(const fs::path& game) {
    copy(VELTRANE_STAND_IN_HOST, game / "ScriptHookRDR2.dll");
    copy(VELTRANE_ASI_LOADER, game / "dinput8.dll");
    copy(VELTRANE_PLUGIN, game / "Veltrane.asi");
    write(game / "Veltrane.ini", joinLines(defaultSettingsLines()));
}

struct Case {
    const char* name;
    std::function<void(const fs::path&)> change;  // made on a complete folder
    std::set<int> failing;
    int status;
    std::vector<std::string> said;  // each in the report
};

TEST(DoctorGameFolder, NamesTheCheckThatFailsAndChangesNothing) {
    const fs::path base = fs::temp_directory_path() / "veltrane-doctor-game-folders";
    fs::remove_all(base);
    const std::vector<Case> cases = {
        {"complete", [](const fs::path&) {}, {}, 0, {"ok 1 Script hook", "has the 9 functions Veltrane.asi uses",
                                                        "ok 2 ASI loader: dinput8.dll", "ok 3 Plugin"}},
        {"loader log says it failed",
         [](const fs::path& game) {
             write(game / "asi-loader.log", "Loading plugins\r\nother.asi: loaded at 0x7ff812340000\r\n"
                                            "Veltrane.asi: failed to load (error 126)\r\n");
         },
         {6}, 1, {"asi-loader.log (", "| Veltrane.asi: failed to load (error 126)"}},
        {"host lacks a function",
         [](const fs::path& game) { copy(VELTRANE_HOST_LACKING, game / "ScriptHookRDR2.dll"); },
         {1}, 1, {"lacks 1 of the 9 functions Veltrane.asi uses (" VELTRANE_HOST_LACKS ")"}},
        {"32-bit host", [](const fs::path& game) { copy(VELTRANE_DLL32, game / "ScriptHookRDR2.dll"); }, {1}, 1,
         {"ScriptHookRDR2.dll is a 32-bit x86 DLL"}},
        {"text file as host", [](const fs::path& game) { write(game / "ScriptHookRDR2.dll", "<html>404</html>"); },
         {1}, 1, {"is no Windows DLL"}},
        {"no loader", [](const fs::path& game) { fs::remove(game / "dinput8.dll"); }, {2}, 1, {"dinput8.dll"}},
        {"a loader's name on another DLL",
         [](const fs::path& game) { copy(VELTRANE_DLL32, game / "dinput8.dll"); },
         {2}, 1, {"dinput8.dll shows no sign of it"}},
        {"two copies of the plugin",
         [](const fs::path& game) {
             copy(VELTRANE_PLUGIN, game / "Veltrane (1).asi");
             copy(VELTRANE_PLUGIN, game / "scripts" / "weather.asi");
         },
         {3}, 1, {"Veltrane (1).asi", "weather.asi", "each copy runs its own pass"}},
        {"Veltrane.ini.txt",
         [](const fs::path& game) { fs::rename(game / "Veltrane.ini", game / "Veltrane.ini.txt"); },
         {5}, 1, {"no Veltrane.ini here, but Veltrane.ini.txt", "File name extensions"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path game = base / c.name;
        complete(game);
        c.change(game);
        const auto before = snapshot(game);
        const std::string folder = game.u8string();
        // --details: each folder check on a line of its own, passes too.
        const char* argv[] = {"veltrane-doctor", "--game", folder.c_str(), "--details"};
        std::ostringstream out, err;
        const int status = runDoctor(4, argv, out, err);
        EXPECT_EQ(status, c.status) << out.str() << err.str();
        EXPECT_EQ(failedChecks(out.str()), c.failing) << out.str();
        for (const std::string& said : c.said) EXPECT_NE(flat(out.str()).find(said), std::string::npos) << said << "\n" << out.str();
        EXPECT_EQ(snapshot(game), before);
    }
    if (!::testing::Test::HasFailure()) fs::remove_all(base);
}

}  // namespace
