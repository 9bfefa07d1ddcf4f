// filterhost apply -j N: several inputs in worker processes, against the
// same inputs run one after another.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tests/filterhost/Support.h"

namespace {

using fhtest::Env;
using fhtest::RunResult;

using fhtest::RunCounter;

class BatchTest : public ::testing::Test, protected fhtest::HostFolder {
  protected:
    RunResult Apply(std::vector<std::string> args, Env env = {}) {
        args.insert(args.begin(), {"apply", "--plugin", TEST_FILTER});
        return fhtest::RunHost(args, BaseEnv(env));
    }
    // Six inputs in all three formats, one of them (d.jpg) corrupt.
    std::vector<std::string> Inputs() {
        fhtest::PngLayout png;
        png.width = 40;
        png.height = 30;
        fhtest::TiffLayout tiff;
        tiff.width = 40;
        tiff.height = 30;
        tiff.depth = 16;
        tiff.compression = 8;
        fhtest::WritePng(dir / "a.png", png, fhtest::Pattern(40, 30, 3, 8, 1));
        fhtest::WriteTiff(dir / "b.tif", tiff, fhtest::Pattern(40, 30, 3, 16, 2));
        fhtest::WriteJpeg(dir / "c.jpg", 40, 30, 3, fhtest::Pattern(40, 30, 3, 8, 3));
        fhtest::WriteBytes(dir / "d.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0});
        fhtest::WritePng(dir / "e.png", png, fhtest::Pattern(40, 30, 3, 8, 5));
        fhtest::WritePng(dir / "f.png", png, fhtest::Pattern(40, 30, 3, 8, 6));
        return {dir / "a.png", dir / "b.tif", dir / "c.jpg",
                dir / "d.jpg", dir / "e.png", dir / "f.png"};
    }
};

TEST_F(BatchTest, WorkersWriteWhatOneAfterAnotherWritesAndAFailureStopsNothing) {
    auto inputs = Inputs();
    std::vector<std::string> serial = inputs, parallel = inputs, byDefault = inputs;
    serial.insert(serial.end(), {"-j", "1", "--out-dir", dir / "one"});
    parallel.insert(parallel.end(), {"-j", "3", "--out-dir", dir / "three"});
    byDefault.insert(byDefault.end(), {"--out-dir", dir / "cores"});
    const std::vector<std::string> written = {"a.png", "b.tif", "c.jpg", "e.png", "f.png"};
    for (auto* args : {&serial, &parallel, &byDefault}) {
        SCOPED_TRACE(args->back());
        RunResult r = Apply(*args, {{"TESTFILTER_ACTION", "invert"}});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("d.jpg: corrupt JPEG"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("filterhost: 5 of 6 written, 1 failed\n"), std::string::npos) << r.err;
        EXPECT_EQ(fhtest::ListDir(args->back()), written);
    }
    for (const auto& name : written) {
        SCOPED_TRACE(name);
        const auto one = fhtest::ReadBytes(dir / ("one/" + name));
        EXPECT_FALSE(one.empty());
        EXPECT_EQ(fhtest::ReadBytes(dir / ("three/" + name)), one);
        EXPECT_EQ(fhtest::ReadBytes(dir / ("cores/" + name)), one);
    }
    // A batch with nothing wrong exits 0.
    RunResult r = Apply({dir / "a.png", dir / "e.png", "-j", "2", "--out-dir", dir / "ok"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("filterhost: 2 of 2 written\n"), std::string::npos) << r.err;
}

TEST_F(BatchTest, EveryWorkerStartsFromTheStoredBlockAndTheStateFileIsWrittenOnce) {
    auto inputs = Inputs();
    inputs.erase(inputs.begin() + 3);  // the corrupt one
    std::vector<uint8_t> block(1168, 7);
    std::memcpy(block.data(), "TFLT", 4);
    const uint32_t forty = 40;
    std::memcpy(block.data() + 4, &forty, 4);
    std::filesystem::create_directories(dir / "state/velmora/filterhost");
    fhtest::WriteBytes(stored, block);
    inputs.insert(inputs.end(), {"-j", "2", "--out-dir", dir / "outs"});
    RunResult r = Apply(inputs);
    ASSERT_EQ(r.status, 0) << r.err;
    // Each input ran once from the stored block; the file holds what the
    // last input left (its run counter one up, the rest as stored).
    const auto after = fhtest::ReadBytes(stored);
    ASSERT_EQ(after.size(), block.size());
    EXPECT_EQ(RunCounter(after), 41u);
    EXPECT_TRUE(std::equal(after.begin() + 10, after.end(), block.begin() + 10));
    EXPECT_EQ(fhtest::ListDir(dir / "state/velmora/filterhost"),
              std::vector<std::string>{"Test Filter.params"});

    // Without a stored block every input starts from the module's own first
    // block, whichever worker runs it.
    std::filesystem::remove(stored);
    inputs.back() = dir / "outs2";
    r = Apply(inputs);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunCounter(fhtest::ReadBytes(stored)), 1u);
}

TEST_F(BatchTest, TwoInputsWithOneOutputAreRefusedBeforeAnythingRuns) {
    auto inputs = Inputs();
    std::filesystem::create_directory(dir / "more");
    fhtest::WriteBytes(dir / "more/a.png", fhtest::ReadBytes(dir / "a.png"));
    for (const char* jobs : {"1", "2"}) {
        SCOPED_TRACE(jobs);
        RunResult r = Apply({dir / "a.png", dir / "e.png", dir / "more/a.png", "-j", jobs,
                             "--out-dir", dir / "outs"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("more/a.png and " + (dir / "a.png") + " both have the output"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(!fhtest::Exists(dir / "outs") || fhtest::ListDir(dir / "outs").empty());
        EXPECT_FALSE(fhtest::Exists(stored));
    }
}

TEST_F(BatchTest, CtrlCCancelsEveryWorkerAndLeavesNoPartialOutput) {
    auto inputs = Inputs();
    const std::string ready = dir / "ready";
    std::filesystem::create_directory(dir / "outs");
    // To the process group, as the terminal sends it; and to filterhost
    // alone, which passes it on.
    for (const bool group : {true, false}) {
        SCOPED_TRACE(group ? "process group" : "parent only");
        std::vector<std::string> args = {"apply", "--plugin", TEST_FILTER, "-j", "2"};
        args.insert(args.end(), inputs.begin(), inputs.end());
        args.insert(args.end(), {"--out-dir", dir / "outs"});
        pid_t pid = fhtest::StartHost(
            args, BaseEnv({{"TESTFILTER_ACTION", "wait-abort"}, {"TESTFILTER_READY", ready}}),
            dir / "stdout", dir / "stderr", {}, true);
        for (int i = 0; i < 1000 && !fhtest::Exists(ready); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(fhtest::Exists(ready));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // both workers busy
        if (group)
            kill(-pid, SIGINT);
        else
            kill(pid, SIGINT);
        RunResult r = fhtest::WaitHost(pid, dir / "stdout", dir / "stderr");
        EXPECT_EQ(r.status, 130) << r.err;
        EXPECT_NE(r.err.find("cancelled (Ctrl-C)"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("filterhost: 0 of 6 written"), std::string::npos) << r.err;
        // No output, no temporary file, and no worker left running.
        EXPECT_EQ(fhtest::ListDir(dir / "outs"), std::vector<std::string>{});
        EXPECT_EQ(kill(-pid, 0), -1);
        std::remove(ready.c_str());
    }
}

}  // namespace
