#include "doctor/os/host_system.h"

// A native build is neither Windows nor Wine: its profile functions are the stand-in's.
std::string wineVersion() { return {}; }
