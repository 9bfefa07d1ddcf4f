#include "filterhost/Locations.h"

#include <filesystem>
#include <system_error>

namespace filterhost {

std::string ExecutableDir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return ".";
    return exe.parent_path().string();
}

std::string FirstExistingDir(const std::vector<std::string>& candidates) {
    // "bin/../plugins" is shown as "plugins" in messages and help.
    auto normal = [](const std::string& dir) {
        return std::filesystem::path(dir).lexically_normal().string();
    };
    for (const auto& dir : candidates) {
        std::error_code ec;
        if (std::filesystem::is_directory(dir, ec)) return normal(dir);
    }
    return candidates.empty() ? std::string() : normal(candidates.back());
}

}  // namespace filterhost
