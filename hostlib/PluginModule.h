// Filter plug-in modules: what a module file says about itself (its property
// list, read from the file without loading it) and the loaded module with
// its entry point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sdk/PIFilter.h"

namespace hostlib {

struct PluginInfo {
    std::string path;
    std::string category;
    std::string name;
    uint32_t kind = 0;     // four-character code, e.g. 8BFM
    uint32_t version = 0;  // major in the high 16 bits, minor in the low
    bool hasModes = false;
    uint16_t modeFlags = 0;  // the big-endian 'mode' word
    std::string entryName;   // from the property list, else ENTRYPOINT

    std::string KindText() const;
    std::string VersionText() const;
    /// Mode names in flag order, space-separated ("RGB Lab RGB48 Lab48").
    std::string ModesText() const;
    /// True when the property list lets the filter run on documents of this mode.
    bool SupportsMode(int16_t imageMode) const;
    /// "Zeq filters / Zeq Velmora  8BFM 4.0  RGB Lab RGB48 Lab48"
    std::string ListingLine() const;
};

/// Reads and checks a module file's property list without loading it: the
/// file must be an ELF object with a ".pipl" section holding a filter's
/// property list (kind 8BFM) and must define its entry point symbol. Throws
/// HostError ("<path>: <reason>") otherwise.
PluginInfo ReadPluginInfo(const std::string& path);
/// The same checks on the file's bytes in memory; `path` names it.
PluginInfo ReadPluginInfo(const std::string& path, const uint8_t* file, size_t size);

/// The *.8bf files of a folder, sorted by name (not recursive). Throws
/// HostError when the folder cannot be read.
std::vector<std::string> FindPluginFiles(const std::string& dir);

/// A loaded module. It stays mapped for the life of the process, as a host
/// editor keeps its plug-ins, so module-wide state lasts between invocations.
class PluginModule {
  public:
    explicit PluginModule(const PluginInfo& info);
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const PluginInfo& Info() const { return info_; }
    sdk::EntryPointProc Entry() const { return entry_; }

  private:
    PluginInfo info_;
    void* handle_ = nullptr;
    sdk::EntryPointProc entry_ = nullptr;
};

}  // namespace hostlib
