// velmora-params run as a process: the blocks it writes, what it prints,
// and what it refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct tRun {
    int status;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

template <class T>
void Put(std::vector<uint8_t>& b, size_t at, T v) {
    std::memcpy(&b[at], &v, sizeof v);
}

// The first-use block by storage offsets; the levels are 0 before any
// image analysis.
std::vector<uint8_t> FirstUse() {
    std::vector<uint8_t> b(1168, 0);
    b[1] = 1;
    Put(b, 8, 0.0001);
    Put(b, 24, 1.0);
    b[32] = 127;
    b[40] = 128, b[41] = 128, b[42] = 255, b[43] = 128, b[44] = 128;
    for (size_t at : {48, 56, 120, 128, 136}) Put(b, at, 1.0);
    Put(b, 144, 0.5);
    b[152] = 1;
    return b;
}

class VelmoraParams : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "velmora-params-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    tRun Run(const std::vector<std::string>& args) {
        std::string command = Quote(VELMORA_PARAMS_TOOL);
        for (const auto& a : args) command += " " + Quote(a);
        command += " 2>" + Quote((dir / "stderr").string());
        tRun run{};
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return {-1, {}, {}};
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
        const int raw = pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const auto err = ReadAll(dir / "stderr");
        run.err.assign(err.begin(), err.end());
        fs::remove(dir / "stderr");
        return run;
    }

    std::string P(const char* name) const { return (dir / name).string(); }

    fs::path dir;
};

TEST_F(VelmoraParams, WriteStartsFromTheFirstUseDefaults) {
    const tRun run = Run({"write", P("a.blk")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadAll(dir / "a.blk"), FirstUse());
}

TEST_F(VelmoraParams, PairsLandAtTheirOffsets) {
    const tRun run =
        Run({"write", P("a.blk"), "Contrast=1.5", "ColorEq[1]=20", "Rotate=-30", "LightPointL=200",
             "FullScreen=false", "Slot3.Used=1", "Slot3.Contrast=2", "Slot6.LightEq[4]=-40"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<uint8_t> expected = FirstUse();
    Put(expected, 56, 1.5);
    Put(expected, 72, int32_t(20));
    Put(expected, 64, int32_t(-30));
    expected[42] = 200;
    expected[152] = 0;
    // A free slot named by a pair starts as a copy of the settings as they
    // stand at that pair.
    std::copy(expected.begin(), expected.begin() + 160, expected.begin() + 496);
    expected[656] = 1;
    Put(expected, 496 + 56, 2.0);
    std::copy(expected.begin(), expected.begin() + 160, expected.begin() + 1000);
    Put(expected, 1000 + 116, int32_t(-40));
    EXPECT_EQ(ReadAll(dir / "a.blk"), expected);
}

TEST_F(VelmoraParams, FromKeepsEveryOtherByteAndAutoLevelsStoresWhatTheAutoBoxStores) {
    std::vector<uint8_t> base(1168);
    for (size_t i = 0; i < base.size(); ++i) base[i] = uint8_t(i * 31 + 9);
    base[320] = 1;  // slot 1 used: its record is kept as it is
    WriteAll(dir / "base.blk", base);
    const tRun run = Run({"write", P("out.blk"), "--from", P("base.blk"), "--auto-levels",
                          "Sharpness=2", "Slot1.Rotate=7"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<uint8_t> expected = base;
    expected[0] = 1;  // AutoLevels
    expected[1] = 0;  // FollowAnalysis
    Put(expected, 16, int32_t(0));
    Put(expected, 20, int32_t(255));
    Put(expected, 136, 2.0);
    Put(expected, 160 + 64, int32_t(7));
    EXPECT_EQ(ReadAll(dir / "out.blk"), expected);
    EXPECT_EQ(ReadAll(dir / "base.blk"), base);
}

TEST_F(VelmoraParams, ShowPrintsFieldsAndUsedSlotsSoWriteCanRebuildTheBlock) {
    ASSERT_EQ(Run({"write", P("a.blk"), "Contrast=0.1", "ClipFraction=0.0001", "Slot2.Used=1",
                   "Slot2.Rotate=15"})
                  .status,
              0);
    const tRun show = Run({"show", P("a.blk")});
    ASSERT_EQ(show.status, 0) << show.err;
    for (const char* line : {"\nContrast=0.1\n", "\nSlot1.Used=0\n", "\nSlot2.Used=1\n",
                             "\nSlot2.Rotate=15\n", "\nFullScreen=1\n", "\nColorEq[7]=0\n"})
        EXPECT_NE(show.out.find(line), std::string::npos) << line;
    EXPECT_EQ(show.out.find("Slot1.Contrast"), std::string::npos);  // free slots: flag only

    std::vector<std::string> args = {"write", P("b.blk")};
    size_t at = 0;
    for (size_t nl; (nl = show.out.find('\n', at)) != std::string::npos; at = nl + 1)
        if (show.out[at] != '#') args.push_back(show.out.substr(at, nl - at));
    ASSERT_EQ(Run(args).status, 0);
    EXPECT_EQ(ReadAll(dir / "b.blk"), ReadAll(dir / "a.blk"));
}

TEST_F(VelmoraParams, RefusalsAreOneLineAndLeaveTheFileAlone) {
    WriteAll(dir / "short.blk", std::vector<uint8_t>(100, 0));
    const std::vector<uint8_t> kept = FirstUse();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string target = P("kept.blk");
    const std::vector<Case> cases = {
        {{"write", target, "Foo=1"}, "unknown field 'Foo'"},
        {{"write", target, "ColorEq[8]=1"}, "unknown field 'ColorEq[8]'"},
        {{"write", target, "Slot7.Used=1"}, "unknown field 'Slot7.Used'"},
        {{"write", target, "Slot1.Slot2.Used=1"}, "unknown field 'Slot1.Slot2.Used'"},
        {{"write", target, "Contrast=abc"},
         "bad value 'abc' for Contrast (expected a finite number)"},
        {{"write", target, "Contrast=1,5"},
         "bad value '1,5' for Contrast (expected a finite number)"},
        {{"write", target, "Contrast=nan"},
         "bad value 'nan' for Contrast (expected a finite number)"},
        {{"write", target, "Contrast="}, "bad value '' for Contrast (expected a finite number)"},
        {{"write", target, "LightPointA=256"},
         "bad value '256' for LightPointA (expected an integer 0..255)"},
        {{"write", target, "Rotate=2147483648"},
         "bad value '2147483648' for Rotate (expected a 32-bit integer)"},
        {{"write", target, "AutoLevels=2"},
         "bad value '2' for AutoLevels (expected 0, 1, true or false)"},
        {{"write", target, "Contrast"}, "bad argument 'Contrast' (expected Field=value)"},
        {{"write", target, "--from", P("short.blk")},
         P("short.blk") + ": wrong size 100 bytes (a parameter block has 1168)"},
        {{"show", P("short.blk")},
         P("short.blk") + ": wrong size 100 bytes (a parameter block has 1168)"},
        {{"show", P("missing.blk")},
         P("missing.blk") + ": cannot read (No such file or directory)"},
        {{"show", dir.string()}, dir.string() + ": not a regular file"},
        {{"write", P("no/such/dir.blk")},
         P("no/such/dir.blk") + ": cannot write (No such file or directory)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        WriteAll(target, kept);
        const tRun run = Run(c.args);
        EXPECT_NE(run.status, 0);
        EXPECT_EQ(run.err, "velmora-params: " + c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadAll(target), kept);
    }
    // No temporary file was left behind.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"kept.blk", "short.blk"}));
}

// Values the dialog cannot set, and levels that cannot work, are refused
// with the range or a hint (status 2, the file left alone); --force writes
// them.
TEST_F(VelmoraParams, ValuesBeyondTheDialogAreRefusedUnlessForced) {
    const std::string target = P("kept.blk");
    struct Case {
        std::vector<std::string> pairs;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"Contrast=100"},
         "Contrast=100: out of range 0.1..10 (what the dialog can set); --force writes it anyway"},
        {{"Contrast=-5", "Shadow=-3"},
         "Contrast=-5: out of range 0.1..10 (what the dialog can set); --force writes it anyway"},
        {{"Contrast=1.2", "Shadow=-3"},
         "Shadow=-3: out of range 1..5 (what the dialog can set); --force writes it anyway"},
        {{"BlackLevel=300", "WhiteLevel=10"},
         "BlackLevel=300: out of range -128..255 (what the dialog can set); --force writes it "
         "anyway"},
        {{"Rotate=181"},
         "Rotate=181: out of range -180..180 (what the dialog can set); --force writes it anyway"},
        {{"ColorEq[3]=-41"},
         "ColorEq[3]=-41: out of range -40..40 (what the dialog can set); --force writes it "
         "anyway"},
        {{"SatBend=0"},
         "SatBend=0: out of range 1..127 (what the dialog can set); --force writes it anyway"},
        {{"Lightness=2.83"},
         "Lightness=2.83: out of range 0.354..2.828 (what the dialog can set); --force writes it "
         "anyway"},
        {{"Slot4.LowSat=91"},
         "Slot4.LowSat=91: out of range 0..90 (what the dialog can set); --force writes it "
         "anyway"},
        {{"ClipFraction=0.01"},
         "ClipFraction=0.01: the dialog always keeps 0.0001 here (no control changes it); "
         "--force writes it anyway"},
        // The first-use levels are 0 and 0: without the analysis they give
        // an almost black picture.
        {{"FollowAnalysis=0"},
         "FollowAnalysis=0 with WhiteLevel 0 not above BlackLevel 0: the picture would be lost; "
         "set both levels (e.g. BlackLevel=0 WhiteLevel=255) or use --auto-levels; --force "
         "writes it anyway"},
        {{"FollowAnalysis=0", "BlackLevel=100", "WhiteLevel=100"},
         "FollowAnalysis=0 with WhiteLevel 100 not above BlackLevel 100: the picture would be "
         "lost; set both levels (e.g. BlackLevel=0 WhiteLevel=255) or use --auto-levels; --force "
         "writes it anyway"},
        {{"Slot2.Used=1", "Slot2.FollowAnalysis=0", "Slot2.BlackLevel=200"},
         "Slot2.FollowAnalysis=0 with Slot2.WhiteLevel 0 not above Slot2.BlackLevel 200: the "
         "picture would be lost; set both levels (e.g. Slot2.BlackLevel=0 Slot2.WhiteLevel=255) "
         "or use --auto-levels; --force writes it anyway"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        WriteAll(target, FirstUse());
        std::vector<std::string> args = {"write", target};
        args.insert(args.end(), c.pairs.begin(), c.pairs.end());
        const tRun run = Run(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "velmora-params: " + c.message + "\n");
        EXPECT_EQ(ReadAll(target), FirstUse());

        args.push_back("--force");
        const tRun forced = Run(args);
        EXPECT_EQ(forced.status, 0) << forced.err;
        EXPECT_NE(ReadAll(target), FirstUse());
    }

    const tRun forced = Run({"write", target, "--force", "FollowAnalysis=0", "Contrast=100"});
    ASSERT_EQ(forced.status, 0) << forced.err;
    std::vector<uint8_t> expected = FirstUse();
    expected[1] = 0;
    Put(expected, 56, 100.0);
    EXPECT_EQ(ReadAll(target), expected);
}

TEST_F(VelmoraParams, TheDialogsEndsAndWorkingLevelsAreAccepted) {
    const tRun run =
        Run({"write", P("a.blk"), "FollowAnalysis=0", "BlackLevel=-128", "WhiteLevel=382",
             "Contrast=0.1", "Sharpness=10", "ColorContrast=0", "Lightness=0.3535533905932738",
             "Rotate=-180", "LightEq[4]=40", "HighLight=5", "Slot1.Used=1",
             "Slot1.FollowAnalysis=0", "Slot1.WhiteLevel=1"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Levels set while the analysis still replaces them: written, with a note.
    const tRun note = Run({"write", P("b.blk"), "BlackLevel=10", "WhiteLevel=200"});
    EXPECT_EQ(note.status, 0);
    EXPECT_EQ(note.err,
              "velmora-params: note: while FollowAnalysis is 1 each image's analysis replaces "
              "BlackLevel and WhiteLevel; add FollowAnalysis=0 to keep them\n");
}

// "fields" lists every field "show" prints, with a range whose shown ends
// "write" accepts.
TEST_F(VelmoraParams, FieldsListsEveryFieldWithARangeWriteAccepts) {
    const tRun fields = Run({"fields"});
    ASSERT_EQ(fields.status, 0) << fields.err;
    ASSERT_EQ(Run({"write", P("a.blk"), "Slot1.Used=1"}).status, 0);
    const tRun show = Run({"show", P("a.blk")});
    size_t at = 0, listed = 0;
    for (size_t nl; (nl = show.out.find('\n', at)) != std::string::npos; at = nl + 1) {
        const std::string line = show.out.substr(at, nl - at);
        if (line[0] == '#' || line.rfind("Slot", 0) == 0) continue;
        const std::string name = line.substr(0, line.find('='));
        const size_t row = fields.out.find("\n" + name + " ");
        ASSERT_NE(row, std::string::npos) << name;
        std::string rest = fields.out.substr(row + 1, fields.out.find('\n', row + 1) - row - 1);
        rest = rest.substr(name.size());
        rest = rest.substr(rest.find_first_not_of(' '));
        const std::string range = rest.substr(0, rest.find(' '));
        // One line on what the field does, after the range and the default.
        EXPECT_GT(rest.size(), range.size() + 20) << name;
        ++listed;
        const size_t dots = range.find("..");
        if (dots == std::string::npos) continue;  // 0 or 1, fixed
        for (const std::string& bound : {range.substr(0, dots), range.substr(dots + 2)}) {
            const tRun write = Run({"write", P("b.blk"), "FollowAnalysis=0", "BlackLevel=-128",
                                    "WhiteLevel=382", name + "=" + bound});
            EXPECT_EQ(write.status, 0) << write.err;
        }
    }
    EXPECT_EQ(listed, 35u);
    EXPECT_NE(fields.out.find("\nSlotN.Used "), std::string::npos);
}

TEST_F(VelmoraParams, UsageErrorsExitWith2AndFileErrorsWith1) {
    EXPECT_EQ(Run({}).status, 2);
    EXPECT_EQ(Run({"frobnicate"}).status, 2);
    EXPECT_EQ(Run({"write"}).status, 2);
    EXPECT_EQ(Run({"write", P("a.blk"), "Foo=1"}).status, 2);
    EXPECT_EQ(Run({"write", P("a.blk"), "Contrast"}).status, 2);
    EXPECT_EQ(Run({"write", P("a.blk"), "Contrast=x"}).status, 2);
    EXPECT_EQ(Run({"show", P("missing.blk")}).status, 1);
    EXPECT_EQ(Run({"write", P("no/such/dir.blk")}).status, 1);
}

}  // namespace
