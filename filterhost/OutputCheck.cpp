#include "filterhost/OutputCheck.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "filterhost/HostLib.h"
#include "hostlib/FileOps.h"
#include "hostlib/HostError.h"

namespace filterhost {

namespace {

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "not a regular file";
}

// The path a chain of symbolic links ends at (which may not exist yet).
std::string FollowLinks(const std::string& output) {
    std::string path = output;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::string target(size_t(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            throw HostError(output + ": cannot read the link (" + std::strerror(errno) + ")");
        target.resize(size_t(n));
        path = target.starts_with("/") ? target : ParentDir(path) + "/" + target;
    }
    throw HostError(output + ": too many levels of symbolic links");
}

}  // namespace

OutputTarget CheckOutput(const std::string& output) {
    // What the path names in the end is asked of the kernel, which follows
    // every link, also those that are no paths (/dev/stdout onto a pipe).
    struct stat named {};
    const bool found = stat(output.c_str(), &named) == 0;
    if (!found && errno != ENOENT) throw HostError(output + ": " + std::strerror(errno));
    if (found && !S_ISREG(named.st_mode))
        throw HostError(output + ": is " + std::string(KindOf(named.st_mode)) +
                        "; only a regular file is replaced, choose another output");
    OutputTarget t;
    t.path = FollowLinks(output);
    t.exists = found;
    const std::string shown = t.path == output ? output : output + " (a link to " + t.path + ")";
    const std::string dir = ParentDir(t.path);
    struct stat ds {};
    if (stat(dir.c_str(), &ds) != 0)
        throw HostError(shown + ": the folder " + dir + " " +
                        (errno == ENOENT ? std::string("does not exist") : std::strerror(errno)));
    if (!S_ISDIR(ds.st_mode)) throw HostError(shown + ": " + dir + " is not a folder");
    if (access(dir.c_str(), W_OK | X_OK) != 0)
        throw HostError(shown + ": cannot write in the folder " + dir + " (" +
                        std::strerror(errno) + ")");
    return t;
}

}  // namespace filterhost
