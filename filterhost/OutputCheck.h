// What filterhost checks about an output path before it runs the filter,
// so that a run is not wasted (or a dialog's work lost) on an output that
// cannot be written, and so that nothing but a regular file is ever
// replaced.
#pragma once

#include <string>

namespace filterhost {

struct OutputTarget {
    /// The file to replace: the output itself, or the final target of the
    /// symbolic links it names (the link stays and points to the new file).
    std::string path;
    /// A regular file is there now.
    bool exists = false;
};

/// Resolves the output and checks it can be written: its folder exists, is
/// a folder and is writable; an existing output is a regular file (never a
/// device, FIFO, socket or folder). Throws HostError naming the output.
OutputTarget CheckOutput(const std::string& output);

}  // namespace filterhost
