// The inputs of `apply`: files as given, and folders expanded to the TIFF,
// PNG and JPEG files in them (by extension, not recursively, in name order).
#pragma once

#include <string>
#include <vector>

namespace filterhost {

struct InputList {
    std::vector<std::string> files;
    /// Folders given as inputs with no image file in them.
    std::vector<std::string> emptyFolders;
    bool hadFolder = false;
};

/// Expands the folders among the inputs. Throws HostError when a folder
/// cannot be read.
InputList ExpandInputs(const std::vector<std::string>& inputs);

}  // namespace filterhost
