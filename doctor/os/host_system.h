#pragma once
// Which system the doctor runs on, where that changes what the profile functions read: Wine
// (and Proton, built on it) reads some settings files otherwise than Windows.

#include <string>

// Wine's version ("9.0") when the doctor runs under Wine or Proton; empty on Windows and in
// native builds.
std::string wineVersion();
