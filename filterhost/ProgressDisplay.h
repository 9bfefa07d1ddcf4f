// One progress display for a whole command: a bar on standard error with
// percent, rate and time left, redrawn at most ten times a second, and
// nothing at all when standard error is not a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace filterhost {

class ProgressDisplay {
  public:
    /// files: how many documents the command runs; enabled false makes it silent.
    ProgressDisplay(int files, bool enabled);
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    /// The display for this process: enabled while standard error is a terminal.
    static bool StderrIsTerminal();

    void BeginFile(int index, const std::string& name, uint64_t pixels);
    /// Fraction of the current file done, 0..1.
    void Update(double fraction);
    void EndFile();
    /// A batch run by workers: overall fraction 0..1, pixels done so far, and
    /// the latest file begun (its index and name).
    void ShowBatch(double overall, double pixels, int index, const std::string& name);
    /// Clears the bar so that a message can be printed on a clean line.
    void Clear();

    /// The bar's text for the state given (exposed for tests).
    static std::string Format(double overall, double pixelsPerSecond, double secondsLeft,
                              int fileIndex, int files, const std::string& name, int width);

  private:
    void Draw(bool force);
    void DrawLine(double overall, double pixels, int index, const std::string& name);

    int files_;
    bool enabled_;
    bool drawn_ = false;
    int index_ = 0;
    std::string name_;
    uint64_t filePixels_ = 0;
    uint64_t donePixels_ = 0;  // of finished files
    double fraction_ = 0;
    std::chrono::steady_clock::time_point start_, lastDraw_;
};

}  // namespace filterhost
