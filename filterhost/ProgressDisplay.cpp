#include "filterhost/ProgressDisplay.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace filterhost {

namespace {

int TerminalWidth() {
    winsize ws{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
    return 80;
}

std::string Duration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return "--:--";
    const long s = long(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

ProgressDisplay::ProgressDisplay(int files, bool enabled)
    : files_(files), enabled_(enabled), start_(std::chrono::steady_clock::now()) {}

ProgressDisplay::~ProgressDisplay() {
    Clear();
}

bool ProgressDisplay::StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

std::string ProgressDisplay::Format(double overall, double pixelsPerSecond, double secondsLeft,
                                    int fileIndex, int files, const std::string& name, int width) {
    overall = std::clamp(overall, 0.0, 1.0);
    char tail[160];
    std::snprintf(tail, sizeof tail, " %3d%%  %.1f Mpx/s  %s left", int(overall * 100.0),
                  pixelsPerSecond / 1e6, Duration(secondsLeft).c_str());
    std::string label =
        files > 1 ? " " + std::to_string(fileIndex + 1) + "/" + std::to_string(files) + " " + name
                  : " " + name;
    const int barWidth = std::max(10, std::min(40, width - int(std::string(tail).size()) - 24));
    const int filled = int(overall * barWidth);
    std::string bar =
        "[" + std::string(size_t(filled), '#') + std::string(size_t(barWidth - filled), '.') + "]";
    std::string line = bar + tail + label;
    if (int(line.size()) > width - 1) line.resize(size_t(std::max(0, width - 1)));
    return line;
}

void ProgressDisplay::BeginFile(int index, const std::string& name, uint64_t pixels) {
    index_ = index;
    name_ = name;
    filePixels_ = pixels;
    fraction_ = 0;
    Draw(true);
}

void ProgressDisplay::Update(double fraction) {
    if (!std::isfinite(fraction)) return;
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    Draw(false);
}

void ProgressDisplay::EndFile() {
    donePixels_ += filePixels_;
    fraction_ = 0;
    filePixels_ = 0;
}

void ProgressDisplay::Clear() {
    if (!enabled_ || !drawn_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void ProgressDisplay::Draw(bool force) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    // Overall progress: whole files done plus the current file's fraction.
    const double overall = files_ > 0 ? (index_ + fraction_) / files_ : 0.0;
    DrawLine(overall, double(donePixels_) + fraction_ * double(filePixels_), index_, name_);
}

void ProgressDisplay::ShowBatch(double overall, double pixels, int index, const std::string& name) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    DrawLine(overall, pixels, index, name);
}

void ProgressDisplay::DrawLine(double overall, double pixels, int index, const std::string& name) {
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double rate = elapsed > 0 ? pixels / elapsed : 0.0;
    const double left = overall > 0.001 ? elapsed * (1.0 - overall) / overall : -1.0;
    std::fprintf(
        stderr, "\r%s\033[K",
        Format(overall, rate, left, std::max(0, index), files_, name, TerminalWidth()).c_str());
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace filterhost
