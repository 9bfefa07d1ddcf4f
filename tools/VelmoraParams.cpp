// velmora-params: prints a parameter block file readably and writes one
// from Field=value pairs.
//
//   velmora-params show FILE
//   velmora-params write FILE [--from FILE] [--auto-levels] [Field=value ...]
//
// "write" starts from the first-use defaults (or from the --from block),
// applies --auto-levels, then the pairs in order, and replaces FILE through a
// temporary file in the same folder. A free slot named by a pair first
// receives a copy of the settings as they stand at that pair, as a snapshot
// would. "show" prints the same Field=value
// lines, so its output can be given back to "write".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "base/Params.h"
#include "tools/ParamFields.h"

namespace {

using velmora::tools::tField;

constexpr size_t kBlockSize = sizeof(velmora::tParamBlock);

// A refusal: printed as one line, exit status 1.
struct tRefusal {
    std::string Message;
};

tRefusal CannotWrite(const std::string& path, int error) {
    return tRefusal{path + ": cannot write (" + std::strerror(error) + ")"};
}

std::vector<uint8_t> ReadBlock(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
        throw tRefusal{path + ": not a regular file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw tRefusal{path + ": cannot read (" + std::strerror(errno) + ")"};
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) throw tRefusal{path + ": cannot read"};
    if (bytes.size() != kBlockSize)
        throw tRefusal{path + ": wrong size " + std::to_string(bytes.size()) +
                       " bytes (a parameter block has " + std::to_string(kBlockSize) + ")"};
    return bytes;
}

// Writes a temporary file beside `path` and renames it into place, so FILE
// is either the old block or the complete new one.
void WriteBlock(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string temp = path + ".tmp-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) throw CannotWrite(path, errno);
    int error = 0;
    for (size_t done = 0; !error && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        else if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            error = EIO;
    }
    const mode_t mask = umask(0);  // mkstemp makes the file 0600
    umask(mask);
    if (!error && fchmod(fd, 0666 & ~mask) != 0) error = errno;
    if (!error && fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        std::remove(temp.c_str());
        throw CannotWrite(path, error);
    }
}

void Show(const std::string& path) {
    const std::vector<uint8_t> block = ReadBlock(path);
    std::cout << "# " << path << ": settings\n";
    for (const tField& f : velmora::tools::RecordFields())
        std::cout << f.Name << '=' << velmora::tools::FormatField(block, f) << '\n';
    for (int n = 1; n <= velmora::kSlotCount; ++n) {
        const std::string slot = "Slot" + std::to_string(n);
        const tField used = *velmora::tools::FindField(slot + ".Used");
        const bool inUse = block[used.Offset] != 0;
        std::cout << "# slot " << n << (inUse ? ": used\n" : ": free\n");
        std::cout << used.Name << '=' << velmora::tools::FormatField(block, used) << '\n';
        if (!inUse) continue;
        const size_t base =
            offsetof(velmora::tParamBlock, Slots) + size_t(n - 1) * sizeof(velmora::tParamSlot);
        for (const tField& f : velmora::tools::RecordFields(slot + ".", base))
            std::cout << f.Name << '=' << velmora::tools::FormatField(block, f) << '\n';
    }
}

void Write(const std::string& path, const std::string& from, bool autoLevels,
           const std::vector<std::string>& pairs) {
    std::vector<uint8_t> block = from.empty() ? velmora::tools::FirstUseBlock() : ReadBlock(from);
    bool slotTouched[velmora::kSlotCount + 1] = {};
    auto set = [&](const std::string& name, const std::string& value) {
        const auto field = velmora::tools::FindField(name);
        if (!field) throw tRefusal{"unknown field '" + name + "'"};
        // A free slot touched for the first time starts as a snapshot of the
        // settings as they stand, never as a record of zeros.
        const bool keepsFree =
            name.size() > 6 && name.substr(6) == "Used" && (value == "0" || value == "false");
        if (name.rfind("Slot", 0) == 0 && !keepsFree) {
            const int n = name[4] - '0';
            const size_t base =
                offsetof(velmora::tParamBlock, Slots) + size_t(n - 1) * sizeof(velmora::tParamSlot);
            if (!slotTouched[n] && block[base + offsetof(velmora::tParamSlot, Used)] == 0)
                std::copy(block.begin(), block.begin() + sizeof(velmora::tParams),
                          block.begin() + ptrdiff_t(base));
            slotTouched[n] = true;
        }
        std::string why;
        if (!velmora::tools::SetField(block, *field, value, why))
            throw tRefusal{"bad value '" + value + "' for " + name + " (" + why + ")"};
    };
    if (autoLevels) {
        // What the dialog's "Авто" box stores.
        set("AutoLevels", "1");
        set("FollowAnalysis", "0");
        set("BlackLevel", "0");
        set("WhiteLevel", "255");
    }
    for (const std::string& pair : pairs) {
        const size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0)
            throw tRefusal{"bad argument '" + pair + "' (expected Field=value)"};
        set(pair.substr(0, eq), pair.substr(eq + 1));
    }
    WriteBlock(path, block);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Prints and writes Velmora parameter block files (1168 bytes)."};
    app.require_subcommand(1);

    std::string showFile;
    CLI::App* show = app.add_subcommand("show", "Print the settings and the snapshot slots");
    show->add_option("FILE", showFile, "Parameter block file")->required();

    std::string writeFile, fromFile;
    bool autoLevels = false;
    std::vector<std::string> pairs;
    CLI::App* write = app.add_subcommand(
        "write", "Write a block: first-use defaults (or --from), then the Field=value pairs");
    write->add_option("FILE", writeFile, "Parameter block file to write")->required();
    write->add_option("--from", fromFile, "Start from this block instead of the defaults");
    write->add_flag("--auto-levels", autoLevels,
                    "AutoLevels on, FollowAnalysis off, BlackLevel 0, WhiteLevel 255");
    write->add_option("PAIRS", pairs,
                      "Field=value, fields named as in tParams: Contrast=1.5 ColorEq[1]=20 "
                      "Slot3.Used=1 Slot3.Contrast=2 (a free slot first copies the "
                      "settings as they stand)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        std::cerr << "velmora-params: " << e.what() << '\n';
        return 2;
    }

    try {
        if (*show) Show(showFile);
        if (*write) Write(writeFile, fromFile, autoLevels, pairs);
    } catch (const tRefusal& r) {
        std::cerr << "velmora-params: " << r.Message << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "velmora-params: " << e.what() << '\n';
        return 1;
    }
    return std::cout.flush() ? 0 : 1;
}
