// filterhost as a command-line tool: outputs that are never anything but a
// regular file, --no-clobber, folders as inputs, the batch summary, usage
// errors, each subcommand's help.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "tests/filterhost/Support.h"

namespace {

namespace fs = std::filesystem;
using fhtest::Env;
using fhtest::RunResult;

class CliTest : public ::testing::Test {
  protected:
    fhtest::TempDir dir;
    // The default params file (there is no --params file: apply needs an existing one).
    std::string stateDir = dir / "state";

    Env BaseEnv(Env extra = {}) const {
        extra["XDG_STATE_HOME"] = dir / "state";
        extra.emplace("FILTERHOST_PLUGIN_DIR", "");
        return extra;
    }
    std::string SmallPng(const std::string& path, uint32_t seed = 1) {
        fhtest::PngLayout png;
        fhtest::WritePng(path, png, fhtest::Pattern(png.width, png.height, 3, 8, seed));
        return path;
    }
    RunResult Apply(std::vector<std::string> args, Env env = {}) {
        args.insert(args.begin(), {"apply", "--plugin", TEST_FILTER});
        return fhtest::RunHost(args, BaseEnv(env));
    }
};

mode_t TypeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

TEST_F(CliTest, OnlyARegularFileIsEverReplaced) {
    const std::string in = SmallPng(dir / "in.png");
    fs::create_directory(dir / "outs");
    fs::create_directory(dir / "outs/folder.png");
    ASSERT_EQ(mkfifo((dir / "outs/fifo.png").c_str(), 0644), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = dir / "outs/sock.png";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sockPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    fs::create_symlink(dir / "outs/fifo.png", dir / "outs/link-to-fifo.png");
    const struct {
        const char* name;
        const char* message;
        mode_t type;
    } cases[] = {
        {"folder.png", "is a folder", S_IFDIR},
        {"fifo.png", "is a FIFO", S_IFIFO},
        {"sock.png", "is a socket", S_IFSOCK},
        {"link-to-fifo.png", "is a FIFO", S_IFLNK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = dir / (std::string("outs/") + c.name);
        RunResult r = Apply({in, "-o", out});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("only a regular file is replaced"), std::string::npos) << r.err;
        EXPECT_EQ(TypeOf(out), c.type);
    }
    close(sock);
    // Nothing written, no temporary file, no params file.
    EXPECT_EQ(fhtest::ListDir(dir / "outs"),
              (std::vector<std::string>{"fifo.png", "folder.png", "link-to-fifo.png", "sock.png"}));
    EXPECT_FALSE(fhtest::Exists(stateDir));

    // Device entries are refused as they are named, also one reached through
    // a /proc link that is no path (standard output onto a pipe).
    const struct {
        const char* output;
        const char* message;
        std::vector<std::string> launcher;
    } devices[] = {
        {"/dev/null", "/dev/null: is a character device", {}},
        {"/dev/stdout",
         "/dev/stdout: is a FIFO",
         {"/bin/bash", "-o", "pipefail", "-c", "\"$@\" | cat", "bash"}},
    };
    for (const auto& d : devices) {
        SCOPED_TRACE(d.output);
        RunResult r = fhtest::RunHost({"apply", "--plugin", TEST_FILTER, in, "-o", d.output},
                                      BaseEnv(), d.launcher);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(d.message), std::string::npos) << r.err;
        EXPECT_EQ(TypeOf(d.output), d.launcher.empty() ? S_IFCHR : S_IFLNK);
    }

    // Standard output is refused as a usage error.
    RunResult r = Apply({in, "-o", "-"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("-o - (standard output) is not supported"), std::string::npos) << r.err;
}

TEST_F(CliTest, ASymbolicLinkIsWrittenThrough) {
    const std::string in = SmallPng(dir / "in.png", 3);
    fs::create_directory(dir / "real");
    SmallPng(dir / "real/old.png", 9);
    fs::create_directory(dir / "links");
    // An absolute link to an existing file, a relative one through a second
    // link, and a link whose target does not exist yet.
    fs::create_symlink(dir / "real/old.png", dir / "links/abs.png");
    fs::create_symlink("abs.png", dir / "links/chain.png");
    fs::create_symlink("../real/new.png", dir / "links/dangling.png");
    for (const char* link : {"abs.png", "chain.png", "dangling.png"}) {
        SCOPED_TRACE(link);
        const std::string out = dir / (std::string("links/") + link);
        RunResult r = Apply({in, "-o", out}, {{"TESTFILTER_ACTION", "invert"}});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(TypeOf(out), S_IFLNK);
        EXPECT_EQ(fhtest::ReadPngSamples(out).size(), fhtest::ReadPngSamples(in).size());
        EXPECT_NE(fhtest::ReadPngSamples(out), fhtest::ReadPngSamples(in));
    }
    EXPECT_EQ(fhtest::ListDir(dir / "real"), (std::vector<std::string>{"new.png", "old.png"}));
    EXPECT_EQ(fhtest::ListDir(dir / "links"),
              (std::vector<std::string>{"abs.png", "chain.png", "dangling.png"}));
}

TEST_F(CliTest, OutputsThatCannotBeWrittenAreRefusedBeforeTheRun) {
    const std::string in = SmallPng(dir / "in.png");
    fhtest::WriteBytes(dir / "file", {1});
    struct Case {
        std::string out, message;
    };
    std::vector<Case> cases = {
        {dir / "missing/out.png", "the folder " + (dir / "missing") + " does not exist"},
        {dir / "file/out.png", "Not a directory"},
    };
    // A folder that cannot be written (root writes anywhere).
    if (geteuid() != 0) {
        fs::create_directory(dir / "ro");
        fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        cases.push_back({dir / "ro/out.png", "cannot write in the folder"});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.out);
        RunResult r = Apply({in, "-o", c.out});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fhtest::Exists(stateDir));
    }
    if (fhtest::Exists(dir / "ro")) fs::permissions(dir / "ro", fs::perms::owner_all);
}

TEST_F(CliTest, NoClobberSkipsExistingOutputsAndTheRestGoOn) {
    SmallPng(dir / "a.png", 1);
    SmallPng(dir / "b.png", 2);
    fs::create_directory(dir / "outs");
    fhtest::WriteBytes(dir / "outs/a.png", {'k', 'e', 'e', 'p'});
    RunResult r = Apply({"-n", dir / "a.png", dir / "b.png", "--out-dir", dir / "outs"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(
        r.err.find("a.png: skipped, its output " + (dir / "outs/a.png") + " exists (--no-clobber)"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("filterhost: 1 of 2 written, 1 skipped\n"), std::string::npos) << r.err;
    EXPECT_EQ(fhtest::ReadBytes(dir / "outs/a.png"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(fhtest::ReadPngSamples(dir / "outs/b.png"), fhtest::ReadPngSamples(dir / "b.png"));
    // An output that appears while its input is filtered is kept too.
    r = Apply({"-n", dir / "b.png", "-o", dir / "outs/late.png"},
              {{"TESTFILTER_CREATE", dir / "outs/late.png"}});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("late.png appeared while it was filtered (--no-clobber)"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(fs::file_size(dir / "outs/late.png"), 0u);
    EXPECT_EQ(fhtest::ListDir(dir / "outs"),
              (std::vector<std::string>{"a.png", "b.png", "late.png"}));
    // Without it an existing output is replaced.
    r = Apply({dir / "a.png", "-o", dir / "outs/a.png"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fhtest::ReadPngSamples(dir / "outs/a.png"), fhtest::ReadPngSamples(dir / "a.png"));
}

TEST_F(CliTest, AFolderAsInputTakesItsImagesAndTheBatchEndsWithASummary) {
    fs::create_directory(dir / "shoot");
    SmallPng(dir / "shoot/a.png", 1);
    fhtest::TiffLayout tiff;
    fhtest::WriteTiff(dir / "shoot/b.TIF", tiff, fhtest::Pattern(7, 5, 3, 8, 2));
    fhtest::WriteBytes(dir / "shoot/c.jpg", {1, 2, 3});  // corrupt
    fhtest::WriteBytes(dir / "shoot/notes.txt", {'x'});
    SmallPng(dir / "shoot/.hidden.png");
    fs::create_directory(dir / "shoot/sub");
    SmallPng(dir / "shoot/sub/deep.png");
    fs::create_directory(dir / "empty");
    RunResult r = Apply({dir / "shoot", "--out-dir", dir / "outs"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("c.jpg: not a TIFF, PNG or JPEG file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("filterhost: 2 of 3 written, 1 failed\n"), std::string::npos) << r.err;
    EXPECT_EQ(fhtest::ListDir(dir / "outs"), (std::vector<std::string>{"a.png", "b.TIF"}));

    // A folder with no image in it is reported; -o with a folder is a usage error.
    r = Apply({dir / "empty", "--out-dir", dir / "outs2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("empty: no TIFF, PNG or JPEG file in the folder"), std::string::npos)
        << r.err;
    r = Apply({dir / "shoot", "-o", dir / "x.png"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("a folder as input needs --out-dir"), std::string::npos) << r.err;
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    const std::string a = SmallPng(dir / "a.png"), b = SmallPng(dir / "b.png");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"apply", "--plugin", TEST_FILTER, a, b, "-o", dir / "x.png"}, "-o takes one input"},
        {{"apply", "--plugin", TEST_FILTER, a}, "either -o OUT"},
        {{"apply", "--plugin", TEST_FILTER, a, "-o", dir / "x.png", "--out-dir", dir / "o"},
         "excludes"},
        {{"apply", "--plugin", TEST_FILTER, "--set", "Contrast=2", a, "-o", dir / "x.png"},
         "Test Filter is another filter"},
        {{"apply", "--bogus", a, "-o", dir / "x.png"}, "--bogus"},
        {{"apply", "--plugin", TEST_FILTER, "--compression", "foo", a, "-o", dir / "x.tif"},
         "--compression: foo not in {"},
        {{"apply", "--plugin", TEST_FILTER, "--png-level", "10", a, "-o", dir / "x.png"},
         "--png-level: Value 10 not in range 0 to 9"},
        {{"apply", "--plugin", TEST_FILTER, "--quality", "0", a, "-o", dir / "x.jpg"},
         "--quality: Value 0 not in range 1 to 100"},
        {{"apply", "--plugin", TEST_FILTER, "-j", "0", a, b, "--out-dir", dir / "o"},
         "--jobs: Value 0 not in range"},
        {{"edit", a}, "OUT"},
        {{"frobnicate"}, "frobnicate"},
        {{}, "a command is needed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        RunResult r = fhtest::RunHost(c.args, BaseEnv());
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(fhtest::ListDir(dir.Path()), (std::vector<std::string>{"a.png", "b.png"}));
}

TEST_F(CliTest, EachSubcommandsHelpListsItsOptions) {
    const std::vector<std::string> run = {"--plugin", "--params",     "--preset",
                                          "--set",    "--no-clobber", "--timing"};
    const struct {
        const char* command;
        std::vector<std::string> options;
    } cases[] = {
        {"apply", {"-o,--output", "--out-dir"}},
        {"edit", {"IN", "OUT"}},
        {"about", {"--plugin", "--params"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        RunResult r = fhtest::RunHost({c.command, "--help"}, BaseEnv());
        EXPECT_EQ(r.status, 0);
        std::vector<std::string> expected = c.options;
        if (std::string(c.command) != "about")
            expected.insert(expected.end(), run.begin(), run.end());
        for (const auto& option : expected)
            EXPECT_NE(r.out.find(option), std::string::npos) << option << "\n" << r.out;
    }
}

TEST_F(CliTest, MessagesNameWhatIsWrong) {
    const std::string in = SmallPng(dir / "in.png");
    RunResult r = fhtest::RunHost(
        {"apply", "--plugin", dir / "nothing.8bf", in, "-o", dir / "x.png"}, BaseEnv());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir / "nothing.8bf" + ": no such file (--plugin)"), std::string::npos)
        << r.err;
    r = fhtest::RunHost({"--version", "--plugin", TEST_FILTER}, BaseEnv());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nTest Filter (interface"), std::string::npos) << r.out;
}

}  // namespace
