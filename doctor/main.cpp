// veltrane-doctor: what the plugin will read from its settings file.

#include <iostream>

#include "doctor/console.h"
#include "doctor/doctor_cli.h"

int main(int argc, char** argv) {
    const int status = runDoctor(argc, argv, std::cout, std::cerr);
    if (ownsConsoleAlone()) waitForEnter();
    return status;
}
