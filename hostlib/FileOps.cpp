#include "hostlib/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "hostlib/HostError.h"

namespace hostlib {

namespace {

std::string Errno() {
    return std::strerror(errno);
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return mode_t(0666) & ~mask;
}

// Renames from to to unless to exists; false with errno set otherwise.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a hard link fails just as atomically.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

}  // namespace

std::string ParentDir(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TempFile::TempFile(const std::string& target) : target_(target) {
    std::string pattern = ParentDir(target) + "/." + BaseName(target) + ".filterhost-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0)
        throw HostError(target + ": cannot create a file in " + ParentDir(target) + " (" + Errno() +
                        ")");
    close(fd);
    path_ = buffer.data();
}

TempFile::~TempFile() {
    if (!committed_ && !path_.empty()) unlink(path_.c_str());
}

bool TempFile::Commit(bool replace) {
    const int fd = open(path_.c_str(), O_RDONLY);
    if (fd < 0 || fsync(fd) != 0) {
        const std::string e = Errno();
        if (fd >= 0) close(fd);
        throw HostError(target_ + ": cannot write (" + e + ")");
    }
    close(fd);
    if (chmod(path_.c_str(), NewFileMode()) != 0)
        throw HostError(target_ + ": cannot write (" + Errno() + ")");
    if (replace ? rename(path_.c_str(), target_.c_str()) == 0 : RenameNoReplace(path_, target_)) {
        committed_ = true;
        return true;
    }
    if (!replace && errno == EEXIST) return false;
    throw HostError(target_ + ": cannot write (" + Errno() + ")");
}

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, size_t size) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void MakeDirectories(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw HostError(dir + ": cannot create the folder (" + ec.message() + ")");
}

std::optional<std::vector<uint8_t>> LoadParams(const std::string& path, size_t expectedSize) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        throw HostError(path + ": cannot read the params file (" + Errno() + ")");
    }
    if (!S_ISREG(st.st_mode)) throw HostError(path + ": the params file is not a regular file");
    if (size_t(st.st_size) != expectedSize)
        throw HostError(path + ": the params file has " + std::to_string(st.st_size) +
                        " bytes, a parameter block has " + std::to_string(expectedSize) +
                        "; remove it or pass another --params file");
    std::vector<uint8_t> bytes(expectedSize);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw HostError(path + ": cannot read the params file (" + Errno() + ")");
    const size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool more = std::fgetc(f) != EOF;
    std::fclose(f);
    if (n != expectedSize || more)
        throw HostError(path + ": the params file changed while it was read");
    return bytes;
}

void SaveParams(const std::string& path, const std::vector<uint8_t>& bytes) {
    MakeDirectories(ParentDir(path));
    TempFile temp(path);
    FILE* f = std::fopen(temp.Path().c_str(), "wb");
    if (!f) throw HostError(path + ": cannot write the params file (" + Errno() + ")");
    const size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f);
    const bool ok = n == bytes.size() && std::fflush(f) == 0 && !std::ferror(f);
    std::fclose(f);
    if (!ok) throw HostError(path + ": cannot write the params file (" + Errno() + ")");
    temp.Commit();
}

std::string DefaultParamsPath(const std::string& pluginName) {
    std::string base;
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            throw HostError("neither XDG_STATE_HOME nor HOME is set; pass --params FILE");
        base = std::string(home) + "/.local/state";
    }
    std::string file = pluginName;
    for (char& c : file)
        if (c == '/' || c == '\0') c = '_';
    if (file.empty() || file == "." || file == "..") file = "plugin";
    return base + "/velmora/filterhost/" + file + ".params";
}

}  // namespace hostlib
