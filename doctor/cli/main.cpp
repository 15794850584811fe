// veltrane-doctor: what the plugin will read from its settings file.

#include <iostream>
#include <string>
#include <vector>

#include "doctor/os/os.h"
#include "doctor/cli/doctor_cli.h"

int main(int argc, char** argv) {
    // Opened from a file manager on Linux, with no terminal: the doctor runs again in one.
    if (reopenInTerminal(argc, argv)) return 0;
    prepareConsole();
    const std::vector<std::string> arguments = commandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
    // Started by double-click, it may ask before changing anything; from a prompt, never.
    const bool alone = ownsConsoleAlone();
    const int status = runDoctor(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr,
                                 alone ? &std::cin : nullptr);
    if (alone) waitForEnter();
    return status;
}
