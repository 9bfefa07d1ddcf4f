// Where filterhost finds what it was built or installed with: the plug-ins
// and the presets, relative to its own executable.
//
// Build tree:  build/<preset>/filterhost/filterhost, build/<preset>/plugins,
//              build/<preset>/presets
// Installed:   <prefix>/bin/filterhost, <prefix>/lib/velmora/plugins,
//              <prefix>/share/velmora/presets
#pragma once

#include <string>
#include <vector>

namespace filterhost {

/// The folder of the running executable ("." when it cannot be found).
std::string ExecutableDir();

/// The first of the folders that exists; the last one when none does.
std::string FirstExistingDir(const std::vector<std::string>& candidates);

}  // namespace filterhost
