#include "filterhost/Inputs.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "filterhost/Document.h"
#include "filterhost/HostLib.h"
#include "hostlib/HostError.h"

namespace filterhost {

InputList ExpandInputs(const std::vector<std::string>& inputs) {
    InputList list;
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (!std::filesystem::is_directory(input, ec)) {
            list.files.push_back(input);
            continue;
        }
        list.hadFolder = true;
        std::vector<std::string> found;
        std::filesystem::directory_iterator it(input, ec);
        if (ec) throw HostError(input + ": cannot read the folder (" + ec.message() + ")");
        for (const auto& entry : it) {
            std::error_code typeError;
            // Hidden files are left out: among them are filterhost's own
            // temporary files of an output being written.
            const std::string name = entry.path().filename().string();
            if (name.starts_with(".") || !entry.is_regular_file(typeError)) continue;
            if (FormatFromExtension(name)) found.push_back(entry.path().string());
        }
        std::sort(found.begin(), found.end());
        if (found.empty()) list.emptyFolders.push_back(input);
        list.files.insert(list.files.end(), found.begin(), found.end());
    }
    return list;
}

}  // namespace filterhost
