// The user guide is installed as a folder of HTML pages beside the module
// file (velmora-guide/ next to velmora.8bf); F1 and the about box open it
// as a local file.
#pragma once

#include <QString>

namespace velmora::dialog {

/// Name of the guide's folder beside the module file.
inline constexpr const char* kGuideFolder = "velmora-guide";

/// The file URL (fully encoded) of the guide's front page beside the file
/// that holds this code: the module, or a program the dialog is linked into.
/// A module reached through a symbolic link also finds the guide beside the
/// link's target. `fragment` names a section of the page (none when empty).
/// When no guide is found the address of the first place looked at is
/// returned, so the browser names what is missing.
QString UserGuideAddress(const QString& fragment = {});

}  // namespace velmora::dialog
