#include "filterhost/ModuleVersion.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <vector>

namespace filterhost {

std::string AboutVersion(const std::string& modulePath, const std::string& name) {
    std::ifstream in(modulePath, std::ios::binary);
    if (!in || name.empty()) return {};
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string key = name + " ";
    for (size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1)) {
        // A version starts with a digit and runs over digits, letters and dots.
        size_t end = at + key.size();
        if (end >= bytes.size() || !std::isdigit(static_cast<unsigned char>(bytes[end]))) continue;
        while (end < bytes.size() &&
               (std::isalnum(static_cast<unsigned char>(bytes[end])) || bytes[end] == '.'))
            ++end;
        return bytes.substr(at + key.size(), end - at - key.size());
    }
    return {};
}

}  // namespace filterhost
