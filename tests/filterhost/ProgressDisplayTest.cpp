// The progress bar's text: percent, rate, time left, which file.
#include <gtest/gtest.h>

#include <algorithm>

#include "filterhost/ProgressDisplay.h"

namespace {

using filterhost::ProgressDisplay;

std::string Bar(const std::string& line) {
    const auto open = line.find('['), close = line.find(']');
    return open == std::string::npos || close == std::string::npos
               ? ""
               : line.substr(open + 1, close - open - 1);
}

TEST(ProgressDisplayTest, ShowsPercentRateTimeLeftAndFile) {
    const std::string line = ProgressDisplay::Format(0.5, 2.5e6, 75, 1, 3, "b.png", 120);
    EXPECT_NE(line.find(" 50%"), std::string::npos) << line;
    EXPECT_NE(line.find("2.5 Mpx/s"), std::string::npos) << line;
    EXPECT_NE(line.find("1:15 left"), std::string::npos) << line;
    EXPECT_NE(line.find("2/3 b.png"), std::string::npos) << line;
    const std::string half = Bar(line);
    EXPECT_EQ(std::count(half.begin(), half.end(), '#'), std::count(half.begin(), half.end(), '.'))
        << line;

    const std::string done = ProgressDisplay::Format(1.7, 0, 3725, 0, 1, "a.tif", 120);
    EXPECT_NE(done.find("100%"), std::string::npos) << done;
    EXPECT_NE(done.find("1:02:05 left"), std::string::npos) << done;
    EXPECT_EQ(done.find("1/1"), std::string::npos) << done;  // one file: no count
    EXPECT_EQ(Bar(done).find('.'), std::string::npos) << done;

    EXPECT_NE(ProgressDisplay::Format(0.1, 1e6, -1, 0, 1, "x", 120).find("--:-- left"),
              std::string::npos);
    EXPECT_LE(ProgressDisplay::Format(0.3, 1e6, 10, 4, 9, std::string(200, 'n'), 60).size(), 59u);
}

}  // namespace
