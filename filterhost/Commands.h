// The commands of filterhost. Each returns the process exit status: 0 on
// success, 1 after a failure (each failure printed as one line on standard
// error), 2 for a usage error, 3 when the user cancelled the filter's dialog
// (edit), 130 after Ctrl-C.
#pragma once

#include <string>
#include <vector>

#include "filterhost/Document.h"

namespace filterhost {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitCancelled = 3;
inline constexpr int kExitInterrupted = 130;

struct CommonOptions {
    /// A module file or a folder of modules; empty: the default plug-in folder.
    std::string plugin;
    /// The params file; empty: the plug-in's default params file. apply
    /// reads it and leaves it as it is (it must exist); edit stores the
    /// confirmed settings in it.
    std::string params;
    /// A preset name or file and Field=value pairs laid over the stored
    /// settings, in that order (Velmora only).
    std::string preset;
    std::vector<std::string> sets;
    /// An existing output is not replaced: that input is skipped.
    bool noClobber = false;
    /// How outputs are encoded (--compression, --png-level, --quality).
    WriteOptions write;
    /// apply: worker processes for the inputs (-j); 0: one per core. With
    /// 1 the inputs run in this process, one after another.
    int jobs = 0;
};

/// The plug-in folder: $FILTERHOST_PLUGIN_DIR, else the first of
/// <folder of the executable>/../plugins (the build tree) and
/// <folder of the executable>/../lib/velmora/plugins (an installed prefix)
/// that exists.
std::string DefaultPluginDir();

int ListPlugins(const std::string& dir);
int Apply(const CommonOptions& options, const std::vector<std::string>& inputs,
          const std::string& output, const std::string& outDir);
int Edit(const CommonOptions& options, const std::string& input, const std::string& output);
int About(const CommonOptions& options);
/// filterhost's version and the plug-in's (the version its about box shows).
int Version(const CommonOptions& options, const std::string& hostVersion);

}  // namespace filterhost
