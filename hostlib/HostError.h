// The one failure type of the host library: a complete one-line message for the
// user. Every failure of a command ends as one of these, printed once by
// main() with a non-zero exit status.
#pragma once

#include <stdexcept>
#include <string>

namespace hostlib {

class HostError : public std::runtime_error {
  public:
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace hostlib
