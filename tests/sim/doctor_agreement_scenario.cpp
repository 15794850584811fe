// Writes the doctor-agreement run's scenario (tests/sim/doctor_agreement.h) to the file named
// on the command line, for veltrane-sim.exe to play.

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/sim/doctor_agreement.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: doctor_agreement_scenario SCENARIO.json\n");
        return 2;
    }
    const std::filesystem::path path(argv[1]);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << doctor_agreement::scenario().dump(2) << '\n';
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
