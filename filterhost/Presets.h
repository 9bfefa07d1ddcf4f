// Settings given on the command line: a preset (a file of velmora-params
// arguments, one a line) and Field=value pairs, laid over a stored parameter
// block. They name fields of Velmora's settings record (tools/ParamFields.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "filterhost/UsageError.h"

namespace filterhost {

/// The name the module's property list gives; --preset and --set edit this
/// module's parameter block only.
inline constexpr const char* kVelmoraPluginName = "Zeq Velmora";

/// The presets folder: $FILTERHOST_PRESET_DIR, else the first of
/// <executable's folder>/../presets (the build tree) and
/// <executable's folder>/../share/velmora/presets (an installed prefix) that
/// exists (the installed one when neither does).
std::string DefaultPresetDir();

/// The preset files (*.preset) of a folder, sorted by name.
std::vector<std::string> PresetFiles(const std::string& dir);

/// The arguments of a preset file: its lines without blank lines and `#`
/// comments, trimmed. Throws HostError when it cannot be read.
std::vector<std::string> ReadPreset(const std::string& path);

/// A preset's description: the text of its first `#` line ("" when none).
std::string PresetDescription(const std::string& path);

/// The file --preset names: an existing file as given, else NAME.preset in
/// the presets folder. Throws UsageError naming the presets found.
std::string ResolvePreset(const std::string& nameOrFile);

/// Lays velmora-params arguments over a parameter block, in order:
/// "--auto-levels" (what the dialog's "Авто" box stores) and Field=value.
/// A free snapshot slot a pair names first receives the settings as they
/// stand, as a snapshot would. Returns false with the reason when an
/// argument is unknown or a value is one the dialog cannot set.
/// `levelsNamed`, when given, is marked for each record (0: the settings,
/// 1..6: a slot) whose FollowAnalysis, BlackLevel or WhiteLevel an argument
/// wrote, so that the levels can be checked once all arguments are in.
bool ApplySettingArgs(std::vector<uint8_t>& block, const std::vector<std::string>& args,
                      std::string& error, bool* levelsNamed = nullptr);

/// What `filterhost presets` prints: one line per preset, its name and its
/// description. Returns the exit status.
int ListPresets(const std::string& dir);

}  // namespace filterhost
