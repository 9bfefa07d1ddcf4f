// The version a module shows in its about box, read from the module file
// without loading it: the text its about data carries after the module's
// name ("Zeq Velmora 3.15b" gives "3.15b").
#pragma once

#include <string>

namespace filterhost {

/// The version that follows "<name> " in the module file, or "" when the
/// file carries none.
std::string AboutVersion(const std::string& modulePath, const std::string& name);

}  // namespace filterhost
