// filterhost is a front end over the host library: its code names the
// library's types and functions as its own (filterhost::HostError is
// hostlib::HostError).
#pragma once

namespace hostlib {}

namespace filterhost {
using namespace hostlib;
}  // namespace filterhost
