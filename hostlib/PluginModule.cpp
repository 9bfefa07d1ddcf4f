#include "hostlib/PluginModule.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "hostlib/HostError.h"
#include "sdk/PIProperties.h"
#include "sdk/PiplFile.h"

namespace hostlib {

namespace {

uint32_t ReadLE32(const std::vector<uint8_t>& d) {
    return uint32_t(d[0]) | (uint32_t(d[1]) << 8) | (uint32_t(d[2]) << 16) | (uint32_t(d[3]) << 24);
}

std::string FourCCText(uint32_t code) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = char((code >> shift) & 0xFF);
        s += (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return s;
}

struct ModeName {
    uint16_t flag;
    const char* name;
};

// The flag word's bits, high to low.
constexpr ModeName kModeNames[] = {
    {0x8000, "Bitmap"},    {0x4000, "Grayscale"},    {0x2000, "Indexed"},
    {0x1000, "RGB"},       {0x0800, "CMYK"},         {0x0400, "HSL"},
    {0x0200, "HSB"},       {0x0100, "Multichannel"}, {0x0080, "Duotone"},
    {0x0040, "Lab"},       {0x0020, "Gray16"},       {0x0010, "RGB48"},
    {0x0008, "Lab48"},     {0x0004, "CMYK64"},       {0x0002, "DeepMultichannel"},
    {0x0001, "Duotone16"},
};

}  // namespace

std::string PluginInfo::KindText() const {
    return FourCCText(kind);
}

std::string PluginInfo::VersionText() const {
    return std::to_string(version >> 16) + "." + std::to_string(version & 0xFFFF);
}

std::string PluginInfo::ModesText() const {
    if (!hasModes) return "(all modes)";
    std::string s;
    for (const auto& m : kModeNames) {
        if (!(modeFlags & m.flag)) continue;
        if (!s.empty()) s += ' ';
        s += m.name;
    }
    return s.empty() ? "(no modes)" : s;
}

bool PluginInfo::SupportsMode(int16_t imageMode) const {
    uint16_t flag = 0;
    switch (imageMode) {
        case sdk::kModeRGB:
            flag = sdk::kFlagRGB;
            break;
        case sdk::kModeLab:
            flag = sdk::kFlagLab;
            break;
        case sdk::kModeRGB48:
            flag = sdk::kFlagRGB48;
            break;
        case sdk::kModeLab48:
            flag = sdk::kFlagLab48;
            break;
        default:
            return false;
    }
    return !hasModes || (modeFlags & flag) != 0;
}

std::string PluginInfo::ListingLine() const {
    return (category.empty() ? std::string("(no category)") : category) + " / " + name + "  " +
           KindText() + " " + VersionText() + "  " + ModesText();
}

PluginInfo ReadPluginInfo(const std::string& path) {
    std::vector<uint8_t> file;
    std::string error;
    if (!sdk::ReadModuleFile(path, file, error)) throw HostError(error);
    return ReadPluginInfo(path, file.data(), file.size());
}

PluginInfo ReadPluginInfo(const std::string& path, const uint8_t* file, size_t size) {
    std::string error;
    std::vector<uint8_t> section;
    if (!sdk::ElfSectionBytes(file, size, sdk::kPiplSectionName, section, error))
        throw HostError(path + ": not a plug-in module (" + error + ")");
    auto list = sdk::ParsePropertyList(section.data(), section.size());
    if (!list) throw HostError(path + ": not a plug-in module (malformed property list)");

    PluginInfo info;
    info.path = path;
    const sdk::Property* kind = list->Find(sdk::kPropKind);
    if (!kind || kind->data.size() < 4)
        throw HostError(path + ": not a plug-in module (no kind in its property list)");
    info.kind = ReadLE32(kind->data);
    if (info.kind != sdk::kKindFilter)
        throw HostError(path + ": not a filter module (kind " + FourCCText(info.kind) + ")");
    if (const sdk::Property* p = list->Find(sdk::kPropVersion); p && p->data.size() >= 4)
        info.version = ReadLE32(p->data);
    if (const sdk::Property* p = list->Find(sdk::kPropCategory))
        info.category = sdk::PascalString(*p);
    if (const sdk::Property* p = list->Find(sdk::kPropName)) info.name = sdk::PascalString(*p);
    if (info.name.empty())
        throw HostError(path + ": not a plug-in module (no name in its property list)");
    if (const sdk::Property* p = list->Find(sdk::kPropModes); p && p->data.size() >= 2) {
        info.hasModes = true;
        info.modeFlags = uint16_t((p->data[0] << 8) | p->data[1]);
    }
    const sdk::Property* entry = list->Find(sdk::kPropEntryX86);
    info.entryName = entry ? sdk::CString(*entry) : std::string();
    if (info.entryName.empty()) info.entryName = sdk::kEntryPointName;

    std::vector<std::string> symbols;
    if (!sdk::ElfDefinedDynamicSymbols(file, size, symbols, error))
        throw HostError(path + ": not a loadable module (" + error + ")");
    if (std::find(symbols.begin(), symbols.end(), info.entryName) == symbols.end())
        throw HostError(path + ": the module does not export its entry point " + info.entryName);
    return info;
}

std::vector<std::string> FindPluginFiles(const std::string& dir) {
    std::error_code ec;
    std::vector<std::string> files;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) throw HostError(dir + ": " + ec.message());
    for (const auto& entry : it) {
        if (entry.path().extension() != ".8bf") continue;
        std::error_code typeError;
        if (entry.is_directory(typeError)) continue;
        files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

PluginModule::PluginModule(const PluginInfo& info) : info_(info) {
    // RTLD_NODELETE: nothing of the module is unmapped while the process lives.
    // An absolute path: a bare file name would make dlopen search the library path.
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(info.path, ec).string();
    handle_ = dlopen((ec ? info.path : absolute).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle_) {
        const char* e = dlerror();
        throw HostError(info.path + ": cannot load the module (" + (e ? e : "unknown error") + ")");
    }
    void* symbol = dlsym(handle_, info.entryName.c_str());
    if (!symbol)
        throw HostError(info.path + ": the module does not export its entry point " +
                        info.entryName);
    entry_ = reinterpret_cast<sdk::EntryPointProc>(symbol);
}

}  // namespace hostlib
