// Files written the safe way: to a temporary file beside the target, renamed
// over it only once complete, so a failed or interrupted write never leaves a
// partial or changed file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostlib {

/// A temporary file in the target's folder, removed on destruction unless
/// committed.
class TempFile {
  public:
    /// Creates the temporary file (empty) next to target. Throws HostError.
    explicit TempFile(const std::string& target);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }
    /// Flushes the file to disk, gives it the usual permissions for a new
    /// file and renames it over the target. With replace false an existing
    /// target is left alone and false returned (the temporary file goes).
    /// Throws HostError.
    bool Commit(bool replace = true);

  private:
    std::string target_;
    std::string path_;
    bool committed_ = false;
};

/// All of `size` bytes to or from a descriptor, retrying short and
/// interrupted calls; false on an error (errno set) or an early end.
bool WriteAll(int fd, const void* data, size_t size);
bool ReadAll(int fd, void* data, size_t size);

/// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);

/// Creates a folder and its parents as needed. Throws HostError.
void MakeDirectories(const std::string& dir);

/// The folder part of a path ("." for a bare name).
std::string ParentDir(const std::string& path);
/// The last component of a path.
std::string BaseName(const std::string& path);

/// The parameter block stored in a params file: nothing when the file does
/// not exist; a HostError when it cannot be read or has another size than
/// expectedSize.
std::optional<std::vector<uint8_t>> LoadParams(const std::string& path, size_t expectedSize);
/// Stores the block atomically, creating the folder as needed.
void SaveParams(const std::string& path, const std::vector<uint8_t>& bytes);

/// The default params file of a plug-in: $XDG_STATE_HOME (or
/// ~/.local/state)/velmora/filterhost/<plug-in name>.params.
std::string DefaultParamsPath(const std::string& pluginName);

}  // namespace hostlib
