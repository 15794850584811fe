#include "doctor/settings/near_names.h"

#include <algorithm>

#include "platform/profile_text.h"

namespace {

// The name without what copies and hidden extensions add: blanks, "(1)", "- copy", "copy of".
std::string withoutCopyMarks(std::string name) {
    for (const std::string mark : {"copy of ", "- copy", " copy"}) {
        for (std::size_t at = name.find(mark); at != std::string::npos; at = name.find(mark))
            name.erase(at, mark.size());
    }
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '(') {
            std::size_t j = i + 1;
            while (j < name.size() && name[j] >= '0' && name[j] <= '9') ++j;
            if (j > i + 1 && j < name.size() && name[j] == ')') {
                i = j;
                continue;
            }
        }
        if (name[i] != ' ' && name[i] != '\t') out += name[i];
    }
    return out;
}

}  // namespace

std::vector<std::string> nearNames(const std::vector<std::string>& names, const std::string& wanted) {
    const std::string target = profile_text::lowerAscii(wanted);
    const std::size_t dot = target.rfind('.');
    const std::string stem = target.substr(0, dot);
    std::vector<std::string> near;
    for (const std::string& name : names) {
        const std::string lower = profile_text::lowerAscii(name);
        if (lower == target || profile_text::endsWithName(name, ".bak")) continue;
        std::string rest = withoutCopyMarks(lower);
        if (rest.compare(0, stem.size(), stem) != 0) continue;
        rest.erase(0, stem.size());
        // What is left is a chain of text-file extensions: ".ini.txt", ".txt", ".ini.ini", ".ini".
        bool extensionsOnly = !rest.empty();
        while (extensionsOnly && !rest.empty()) {
            if (rest.compare(0, 4, ".ini") == 0 || rest.compare(0, 4, ".txt") == 0) rest.erase(0, 4);
            else extensionsOnly = false;
        }
        if (extensionsOnly) near.push_back(name);
    }
    return near;
}

std::string renameAdvice(const std::string& nearName, const std::string& wanted) {
    return "\"" + nearName + "\" is here, and the plugin never reads it: rename it to " + wanted +
           ". Explorer may hide the end of the name: in File Explorer choose View > Show > File name "
           "extensions (Windows 11) or tick View > File name extensions (Windows 10) to see the whole name";
}
