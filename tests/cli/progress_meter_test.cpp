#include "progress_meter.h"

#include <gtest/gtest.h>

namespace objstore_cli {
namespace {

TEST(ProgressMeter, PercentIsBoundedAndSafeForAnEmptyObject) {
    EXPECT_DOUBLE_EQ(PercentDone(0, 0), 100.0);
    EXPECT_DOUBLE_EQ(PercentDone(5, 0), 100.0);
    EXPECT_DOUBLE_EQ(PercentDone(50, 200), 25.0);
    EXPECT_DOUBLE_EQ(PercentDone(300, 200), 100.0);
}

TEST(ProgressMeter, UnitsAndDurations) {
    EXPECT_EQ(FormatBytes(512), "512 B");
    EXPECT_EQ(FormatBytes(1536), "1.5 KiB");
    EXPECT_EQ(FormatBytes(256.0 * 1024 * 1024), "256.0 MiB");
    EXPECT_EQ(FormatDuration(std::nullopt), "--:--");
    EXPECT_EQ(FormatDuration(125), "2:05");
    EXPECT_EQ(FormatDuration(3723), "1:02:03");
}

TEST(ProgressMeter, TerminalBarShowsRateAndTimeLeft) {
    ProgressMeter meter(true);
    // 1 MiB of 4 MiB after 1 s: 1 MiB/s, 3 s left.
    const std::string line = meter.RenderLine(1 << 20, 4 << 20, 1.0);
    EXPECT_EQ(line.front(), '\r');
    EXPECT_NE(line.find("[######------------------]"), std::string::npos) << line;
    EXPECT_NE(line.find(" 25.0%"), std::string::npos) << line;
    EXPECT_NE(line.find("1.0 MiB/s"), std::string::npos) << line;
    EXPECT_NE(line.find("left 0:03"), std::string::npos) << line;

    EXPECT_NE(meter.RenderLine(4 << 20, 4 << 20, 1.0).find(" 99.9%"), std::string::npos);
    EXPECT_NE(meter.RenderLine(4 << 20, 4 << 20, 1.0, true).find("100.0%"), std::string::npos);
    EXPECT_EQ(meter.Interrupt(), "");  // nothing drawn yet
    ASSERT_TRUE(meter.Update(1, 4, 0.0));
    EXPECT_EQ(meter.Interrupt(), "\n");  // ends the bar once
    EXPECT_EQ(meter.Interrupt(), "");
}

TEST(ProgressMeter, PlainLinesAtEachTenthAndNeverBackwards) {
    ProgressMeter meter(false);
    ASSERT_TRUE(meter.Update(0, 100, 0.0));
    EXPECT_FALSE(meter.Update(5, 100, 0.01));  // same tenth, not yet due
    auto tenth = meter.Update(10, 100, 0.02);  // next tenth
    ASSERT_TRUE(tenth);
    EXPECT_EQ(*tenth, "progress 10% 10/100 bytes 500 B/s left 0:00\n");
    EXPECT_FALSE(meter.Update(8, 100, 5.0));  // late, smaller count: dropped
    EXPECT_TRUE(meter.Update(11, 100, 5.0));  // due by time
    // Every byte in is not yet a complete file: only Finish says 100%.
    auto last = meter.Update(100, 100, 10.0);
    ASSERT_TRUE(last);
    EXPECT_EQ(*last, "progress 99% 100/100 bytes 10 B/s left 0:00\n");
    EXPECT_EQ(meter.Interrupt(), "");  // plain lines end themselves
    EXPECT_EQ(meter.Finish(100, 10.0), "progress 100% 100/100 bytes 10 B/s left 0:00\n");

    ProgressMeter empty(false);
    EXPECT_EQ(empty.Finish(0, 1.0), "progress 100% 0/0 bytes 0 B/s left --:--\n");
}

}  // namespace
}  // namespace objstore_cli
