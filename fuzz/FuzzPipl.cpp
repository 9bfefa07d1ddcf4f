// The module file reader on arbitrary bytes: the ELF section and dynamic
// symbol readers, the property list parser and the checks a host makes
// before it loads a module. Each either reports an error or returns data
// that lies inside the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filterhost/HostLib.h"
#include "hostlib/HostError.h"
#include "hostlib/PluginModule.h"
#include "sdk/PIProperties.h"
#include "sdk/PiplFile.h"

namespace {
[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "fuzz_pipl: %s\n", what);
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::string error;
    std::vector<uint8_t> section;
    if (sdk::ElfSectionBytes(bytes, size, sdk::kPiplSectionName, section, error)) {
        if (section.size() > size) Fault("section larger than the file");
        if (auto list = sdk::ParsePropertyList(section.data(), section.size())) {
            size_t total = 0;
            for (const auto& p : list->properties) total += 16 + p.data.size();
            if (total > section.size()) Fault("properties larger than the section");
        }
    } else if (error.empty()) {
        Fault("a failed section read gives no reason");
    }
    // The raw bytes as a property list too: the parser sees far more shapes
    // this way than through a well-formed ELF file.
    if (auto list = sdk::ParsePropertyList(bytes, size))
        for (const auto& p : list->properties) {
            sdk::PascalString(p);
            sdk::CString(p);
        }

    std::vector<std::string> symbols;
    error.clear();
    if (!sdk::ElfDefinedDynamicSymbols(bytes, size, symbols, error) && error.empty())
        Fault("a failed symbol read gives no reason");

    try {
        const filterhost::PluginInfo info = filterhost::ReadPluginInfo("module.8bf", bytes, size);
        if (info.name.empty() || info.entryName.empty()) Fault("accepted module without a name");
        info.ListingLine();
    } catch (const filterhost::HostError& e) {
        if (std::string(e.what()).rfind("module.8bf: ", 0) != 0)
            Fault("message does not name the module");
    }
    return 0;
}
