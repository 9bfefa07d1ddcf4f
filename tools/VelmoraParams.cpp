// velmora-params: prints a parameter block file readably, writes one from
// Field=value pairs and lists the fields.
//
//   velmora-params show FILE
//   velmora-params write FILE [--from FILE] [--auto-levels] [--force] [Field=value ...]
//   velmora-params fields
//
// "write" starts from the first-use defaults (or from the --from block),
// applies --auto-levels, then the pairs in order, and replaces FILE through a
// temporary file in the same folder. A free slot named by a pair first
// receives a copy of the settings as they stand at that pair, as a snapshot
// would. A value outside what the dialog can set, and levels that cannot work
// (FollowAnalysis 0 with WhiteLevel not above BlackLevel), are refused unless
// --force is given. "show" prints the same Field=value lines, so its output
// can be given back to "write".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
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

using velmora::tSettingsField;
using velmora::tools::tField;

constexpr size_t kBlockSize = sizeof(velmora::tParamBlock);

// A refusal: printed as one line. Status 2 for a mistake on the command
// line, 1 for a file that cannot be read or written.
struct tRefusal {
    std::string Message;
    int Status = 1;
};

tRefusal Usage(std::string message) {
    return tRefusal{std::move(message), 2};
}

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

using velmora::tools::NumberText;
using velmora::tools::RangeText;

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
        for (const tField& f : velmora::tools::RecordFields(n))
            std::cout << f.Name << '=' << velmora::tools::FormatField(block, f) << '\n';
    }
}

void Fields() {
    std::cout << "Fields of the settings (write Field=value; ranges are what the dialog can "
                 "set, --force writes others):\n";
    const auto row = [](const std::string& name, const std::string& range, const std::string& value,
                        std::string_view what) {
        std::string line = name;
        line.resize(std::max(line.size() + 1, size_t(15)), ' ');
        line += range;
        line.resize(std::max(line.size() + 1, size_t(33)), ' ');
        line += value;
        line.resize(std::max(line.size() + 1, size_t(44)), ' ');
        std::cout << line << what << '\n';
    };
    row("Field", "Range", "Default", "What it does");
    for (const tSettingsField& f : velmora::SettingsFields()) {
        std::string value = NumberText(f.Default);
        if (f.Analysed != velmora::tAnalysedDefault::None) value = "0*";
        row(std::string(f.Name), RangeText(f), value, f.Description);
    }
    row("SlotN.Used", "0 or 1", "0", "Snapshot slot N (1..6) holds a snapshot");
    row("SlotN.<Field>", "as above", "", "The fields of snapshot slot N, e.g. Slot2.Contrast");
    std::cout << "* the analysed point of each image while FollowAnalysis is 1; the "
                 "first-use defaults hold 0.\n";
}

// The record a field belongs to: 0 for the settings, 1..6 for the slots.
struct tRecordNote {
    bool Named = false;        // a pair or --auto-levels wrote into it
    bool LevelsNamed = false;  // ... BlackLevel or WhiteLevel among them
};

void CheckLevels(const std::vector<uint8_t>& block, int slot, const tRecordNote& note, bool force) {
    const size_t base = velmora::tools::RecordBase(slot);
    if (slot != 0 && block[base + offsetof(velmora::tParamSlot, Used)] == 0) return;
    const std::string prefix = slot == 0 ? std::string() : "Slot" + std::to_string(slot) + ".";
    if (block[base + offsetof(velmora::tParams, FollowAnalysis)] != 0) {
        if (note.LevelsNamed)
            std::cerr << "velmora-params: note: while " << prefix
                      << "FollowAnalysis is 1 each image's analysis replaces BlackLevel and "
                         "WhiteLevel; add "
                      << prefix << "FollowAnalysis=0 to keep them\n";
        return;
    }
    const std::string problem = velmora::tools::LevelsProblem(block, slot);
    if (!problem.empty() && !force) throw Usage(problem + "; --force writes it anyway");
}

void Write(const std::string& path, const std::string& from, bool autoLevels, bool force,
           const std::vector<std::string>& pairs) {
    std::vector<uint8_t> block = from.empty() ? velmora::tools::FirstUseBlock() : ReadBlock(from);
    tRecordNote notes[velmora::kSlotCount + 1];
    velmora::tools::tSlotStarts slots;
    auto set = [&](const std::string& name, const std::string& value) {
        const auto field = velmora::tools::FindField(name);
        if (!field) throw Usage("unknown field '" + name + "'");
        slots.BeforeWrite(block, *field, value);
        std::string why;
        if (!velmora::tools::SetField(block, *field, value, why))
            throw Usage("bad value '" + value + "' for " + name + " (" + why + ")");
        notes[field->Slot].Named = true;
        if (!field->Info) return;
        const std::string_view base = field->Info->Name;
        if (base == "BlackLevel" || base == "WhiteLevel") notes[field->Slot].LevelsNamed = true;
        const std::string problem = velmora::tools::RangeProblem(block, *field, value);
        if (!problem.empty() && !force) throw Usage(problem + "; --force writes it anyway");
    };
    if (autoLevels) {
        for (const auto& [name, value] : velmora::tools::kAutoLevelsFields)
            set(std::string(name), std::string(value));
        notes[0].LevelsNamed = false;
    }
    for (const std::string& pair : pairs) {
        const size_t eq = pair.find('=');
        if (eq == std::string::npos || eq == 0)
            throw Usage("bad argument '" + pair + "' (expected Field=value)");
        set(pair.substr(0, eq), pair.substr(eq + 1));
    }
    for (int n = 0; n <= velmora::kSlotCount; ++n)
        if (notes[n].Named) CheckLevels(block, n, notes[n], force);
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
    bool autoLevels = false, force = false;
    std::vector<std::string> pairs;
    CLI::App* write = app.add_subcommand(
        "write", "Write a block: first-use defaults (or --from), then the Field=value pairs");
    write->add_option("FILE", writeFile, "Parameter block file to write")->required();
    write->add_option("--from", fromFile, "Start from this block instead of the defaults");
    write->add_flag("--auto-levels", autoLevels,
                    "AutoLevels on, FollowAnalysis off, BlackLevel 0, WhiteLevel 255");
    write->add_flag("--force", force,
                    "Write values outside the dialog's ranges and levels that cannot work");
    write->add_option("PAIRS", pairs,
                      "Field=value, fields named as in tParams: Contrast=1.5 ColorEq[1]=20 "
                      "Slot3.Used=1 Slot3.Contrast=2 (a free slot first copies the "
                      "settings as they stand); see 'velmora-params fields'");

    CLI::App* fields =
        app.add_subcommand("fields", "List every field with its range, default and meaning");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);
        std::cerr << "velmora-params: " << e.what() << '\n';
        return 2;
    }

    try {
        if (*show) Show(showFile);
        if (*write) Write(writeFile, fromFile, autoLevels, force, pairs);
        if (*fields) Fields();
    } catch (const tRefusal& r) {
        std::cerr << "velmora-params: " << r.Message << '\n';
        return r.Status;
    } catch (const std::exception& e) {
        std::cerr << "velmora-params: " << e.what() << '\n';
        return 1;
    }
    return std::cout.flush() ? 0 : 1;
}
