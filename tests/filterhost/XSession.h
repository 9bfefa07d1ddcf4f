// An X server of the test's own (Xvfb) for runs of filterhost edit that are
// driven with real input: xdotool types and clicks through the server, and a
// report file written by a library preloaded into filterhost
// (tests/filterhost/hand) says what the dialog shows.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/filterhost/Support.h"

namespace fhtest {

class XServer {
  public:
    /// Starts Xvfb on a free display with one 1920 × 1200 screen and waits
    /// until it accepts connections. Running() is false when Xvfb is missing
    /// or did not start.
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool Running() const { return !display_.empty(); }
    /// ":N"
    const std::string& Display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

/// Whether xdotool is installed.
bool HaveXdotool();
/// Runs xdotool with the arguments on the server; its exit status.
int Xdotool(const XServer& x, const std::vector<std::string>& args);

/// The words of the first line of a report file that starts with `word`,
/// waiting up to timeoutMs while process pid runs; empty when none came.
std::vector<std::string> WaitForReport(const std::string& file, const std::string& word, pid_t pid,
                                       int timeoutMs);
/// All lines of a report file that start with `word`, as words.
std::vector<std::vector<std::string>> ReportLines(const std::string& file, const std::string& word);

/// Waits for a started filterhost; one still running after timeoutMs is
/// killed (status 128 + SIGKILL).
RunResult WaitHostFor(pid_t pid, const std::string& outFile, const std::string& errFile,
                      int timeoutMs);

}  // namespace fhtest
