// The PE reader over any bytes: a DLL from the internet, damaged, cut off or made to mislead.
// It must return, within its limits, and say nothing it did not read: no image, then no
// imports, exports or version; every name without NUL and within the longest a name may be;
// what it reports of the imports, importsFrom gives back; and the version it shows is short.

#include <cstddef>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "pe/pe_image.h"

namespace {

void checkName(const std::string& name, const char* what) {
    FUZZ_CHECK(name.find('\0') == std::string::npos, "a NUL inside %s \"%s\"", what, name.c_str());
    FUZZ_CHECK(name.size() <= pe::kLongestName, "%s of %zu characters", what, name.size());
}

}  // namespace

void checkInput(std::string_view bytes) {
    const pe::Image image = pe::readImage(bytes);
    FUZZ_CHECK(!pe::machineName(image).empty(), "no name for machine %u", image.machine);
    if (!image.isPe) {
        FUZZ_CHECK(image.imports.empty() && image.exports.empty() && !image.fileVersion &&
                       image.versionStrings.empty(),
                   "no PE image, yet it read tables from it");
        return;
    }

    std::size_t names = image.exports.size(), characters = 0;
    for (const std::string& name : image.exports) {
        checkName(name, "an export");
        characters += name.size();
    }
    FUZZ_CHECK(image.imports.size() <= pe::kMostDlls, "%zu DLLs imported from", image.imports.size());
    for (const pe::Import& import : image.imports) {
        checkName(import.dll, "a DLL's name");
        for (const std::string& function : import.functions) {
            checkName(function, "an import");
            characters += function.size();
        }
        names += import.functions.size();
        const std::size_t found = pe::importsFrom(image, import.dll).size();
        FUZZ_CHECK(found >= import.functions.size(), "importsFrom(\"%s\") gave %zu of its %zu names",
                   import.dll.c_str(), found, import.functions.size());
    }
    FUZZ_CHECK(names <= pe::kMostNames, "%zu names in all", names);
    FUZZ_CHECK(characters <= pe::kMostNameCharacters, "%zu characters of names in all", characters);
    for (const auto& [key, value] : image.versionStrings)
        FUZZ_CHECK(value.find('\0') == std::string::npos, "a NUL inside the version text %s", key.c_str());
    const std::string version = pe::versionText(image);
    FUZZ_CHECK(version.find('\0') == std::string::npos && version.size() <= pe::kLongestVersion + 3,
               "the version shown is %zu bytes or holds a NUL", version.size());
}
