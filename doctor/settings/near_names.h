#pragma once
// Names in a folder that a player most likely meant as the settings file: Explorer hides
// known extensions, so Notepad's "Save as" makes "Veltrane.ini.txt" out of "Veltrane.ini",
// and a download or a copy makes "Veltrane (1).ini". The plugin reads none of them.

#include <string>
#include <vector>

// The entries of `names` (one folder's entry names) that stand for `wanted` ("Veltrane.ini")
// without being it: an extra or other extension (".txt", ".ini"), blanks, or a copy's number
// "(1)" or " - Copy". Letter case aside; a name that is `wanted` itself is never near, nor a
// backup (".bak"). In the order given.
std::vector<std::string> nearNames(const std::vector<std::string>& names, const std::string& wanted);

// What to do about one near name, in a sentence or two: rename it to `wanted`, and how to
// make Explorer show the whole name.
std::string renameAdvice(const std::string& nearName, const std::string& wanted);
