// How a filter module appears in GIMP: its procedure name and its menu.
#pragma once

#include <cctype>
#include <string>

namespace velmora_gimp {

/// "plug-in-" + the module's name in lower case, every run of characters
/// other than ASCII letters and digits as one '-' ("Zeq Velmora" ->
/// "plug-in-zeq-velmora"); no '-' at the end.
inline std::string ProcedureName(const std::string& moduleName) {
    std::string name = "plug-in-";
    const size_t prefix = name.size();
    bool pending = false;
    for (unsigned char c : moduleName) {
        if (std::isalnum(c) && c < 0x80) {
            if (pending && name.size() > prefix) name += '-';
            pending = false;
            name += char(std::tolower(c));
        } else {
            pending = true;
        }
    }
    return name;
}

/// The menu entry's label: the name with "..." (the filter has a dialog),
/// underscores doubled so that GIMP does not take them for mnemonics.
inline std::string MenuLabel(const std::string& moduleName) {
    std::string label;
    for (char c : moduleName) {
        label += c;
        if (c == '_') label += '_';
    }
    return label + "...";
}

/// "<Image>/Filters/<category>"; a module without a category goes straight
/// under Filters.
inline std::string MenuPath(const std::string& category) {
    return category.empty() ? "<Image>/Filters" : "<Image>/Filters/" + category;
}

}  // namespace velmora_gimp
