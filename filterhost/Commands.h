// The commands of filterhost. Each returns the process exit status: 0 on
// success, 1 after a failure (each failure printed as one line on standard
// error), 3 when the user cancelled the filter's dialog (edit), 130 after
// Ctrl-C.
#pragma once

#include <string>
#include <vector>

namespace filterhost {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitCancelled = 3;
inline constexpr int kExitInterrupted = 130;

struct CommonOptions {
    /// A module file or a folder of modules; empty: the default plug-in folder.
    std::string plugin;
    /// The params file; empty: the plug-in's default params file.
    std::string params;
};

/// The folder of the built plug-ins: $FILTERHOST_PLUGIN_DIR, else
/// <folder of the executable>/../plugins.
std::string DefaultPluginDir();

int ListPlugins(const std::string& dir);
int Apply(const CommonOptions& options, const std::vector<std::string>& inputs,
          const std::string& output, const std::string& outDir);
int Edit(const CommonOptions& options, const std::string& input, const std::string& output);
int About(const CommonOptions& options);

}  // namespace filterhost
