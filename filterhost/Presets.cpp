#include "filterhost/Presets.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/Params.h"
#include "filterhost/HostLib.h"
#include "filterhost/Locations.h"
#include "hostlib/HostError.h"
#include "tools/ParamFields.h"

namespace filterhost {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> Lines(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw HostError(
            path + ": " +
            (std::filesystem::exists(path, ec) ? "not a regular file" : "no such file"));
    std::ifstream in(path);
    if (!in) throw HostError(path + ": cannot read the preset");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (in.bad()) throw HostError(path + ": cannot read the preset");
    return lines;
}

std::string PresetName(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

}  // namespace

std::string DefaultPresetDir() {
    const char* env = std::getenv("FILTERHOST_PRESET_DIR");
    if (env && *env) return env;
    const std::string exe = ExecutableDir();
    return FirstExistingDir({exe + "/../presets", exe + "/../share/velmora/presets"});
}

std::vector<std::string> PresetFiles(const std::string& dir) {
    std::error_code ec;
    std::vector<std::string> files;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) throw HostError(dir + ": " + ec.message() + " (the presets folder)");
    for (const auto& entry : it) {
        std::error_code typeError;
        if (entry.path().extension() == ".preset" && entry.is_regular_file(typeError))
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ReadPreset(const std::string& path) {
    std::vector<std::string> args;
    for (const std::string& line : Lines(path)) {
        const std::string t = Trim(line);
        if (!t.empty() && t[0] != '#') args.push_back(t);
    }
    return args;
}

std::string PresetDescription(const std::string& path) {
    for (const std::string& line : Lines(path)) {
        const std::string t = Trim(line);
        if (!t.empty() && t[0] == '#') return Trim(t.substr(1));
    }
    return {};
}

std::string ResolvePreset(const std::string& nameOrFile) {
    std::error_code ec;
    if (std::filesystem::exists(nameOrFile, ec)) return nameOrFile;
    const bool looksLikeName =
        nameOrFile.find('/') == std::string::npos && !nameOrFile.ends_with(".preset");
    if (!looksLikeName) throw UsageError("--preset " + nameOrFile + ": no such file");
    const std::string dir = DefaultPresetDir();
    const std::string file = dir + "/" + nameOrFile + ".preset";
    if (std::filesystem::exists(file, ec)) return file;
    std::string known;
    try {
        for (const auto& f : PresetFiles(dir)) known += (known.empty() ? "" : ", ") + PresetName(f);
    } catch (const HostError&) {
    }
    throw UsageError(
        "--preset " + nameOrFile + ": no such preset in " + dir +
        (known.empty() ? std::string(" (it holds none)") : " (there are: " + known + ")"));
}

bool ApplySettingArgs(std::vector<uint8_t>& block, const std::vector<std::string>& args,
                      std::string& error, bool* levelsNamed) {
    velmora::tools::tSlotStarts slots;
    auto set = [&](const std::string& name, const std::string& value) {
        const auto field = velmora::tools::FindField(name);
        if (!field) {
            error = "unknown field '" + name + "' (velmora-params show FILE prints them all)";
            return false;
        }
        slots.BeforeWrite(block, *field, value);
        std::string why;
        if (!velmora::tools::SetField(block, *field, value, why)) {
            error = "bad value '" + value + "' for " + name + " (" + why + ")";
            return false;
        }
        if (!field->Info) return true;
        const std::string_view base = field->Info->Name;
        if (levelsNamed &&
            (base == "FollowAnalysis" || base == "BlackLevel" || base == "WhiteLevel"))
            levelsNamed[field->Slot] = true;
        error = velmora::tools::RangeProblem(block, *field, value);
        return error.empty();
    };
    for (const std::string& arg : args) {
        if (arg == "--auto-levels") {
            for (const auto& [name, value] : velmora::tools::kAutoLevelsFields)
                if (!set(std::string(name), std::string(value))) return false;
            continue;
        }
        const size_t eq = arg.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = "bad setting '" + arg + "' (expected Field=value or --auto-levels)";
            return false;
        }
        if (!set(arg.substr(0, eq), arg.substr(eq + 1))) return false;
    }
    return true;
}

int ListPresets(const std::string& dir) {
    try {
        const auto files = PresetFiles(dir);
        size_t width = 0;
        for (const auto& f : files) width = std::max(width, PresetName(f).size());
        for (const auto& f : files) {
            const std::string name = PresetName(f);
            std::printf("%s%s  %s\n", name.c_str(), std::string(width - name.size(), ' ').c_str(),
                        PresetDescription(f).c_str());
        }
        if (files.empty())
            std::fprintf(stderr, "filterhost: warning: no presets in %s\n", dir.c_str());
        std::fflush(stdout);
        return 0;
    } catch (const HostError& e) {
        std::fprintf(stderr, "filterhost: %s\n", e.what());
        return 1;
    }
}

}  // namespace filterhost
