// A command-line usage problem: printed as one line, exit status 2.
#pragma once

#include <stdexcept>
#include <string>

namespace filterhost {

inline constexpr int kExitUsage = 2;

class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace filterhost
