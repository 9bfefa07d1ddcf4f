// Internal failures: a check that failed stops the operation with a fixed
// message naming the failed check. Thrown inside the module, caught at
// ENTRYPOINT, never allowed to cross it.
#pragma once

#include <stdexcept>
#include <string>

namespace velmora {

class tInternalFailure : public std::runtime_error {
  public:
    explicit tInternalFailure(const std::string& message, std::string unit = {})
        : std::runtime_error(message), unit_(std::move(unit)) {}
    /// Source unit that raised the failure ("PhotoUnit", ...), may be empty.
    const std::string& Unit() const { return unit_; }

  private:
    std::string unit_;
};

[[noreturn]] inline void Fail(const std::string& message, std::string unit = {}) {
    throw tInternalFailure(message, std::move(unit));
}

/// The host's row length does not match the image.
inline constexpr const char* kBadAlignment = "Неподходящее выравнивание";

}  // namespace velmora
