// The rate rule, the announced size, the progress text and percentage, the
// statistics line and the transfer log line.

#include "engine/transfer_progress.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korval::engine {
namespace {

struct RateCase {
  std::int64_t bytes;
  std::int64_t ms;
  bool bytesPerSecond;
  double value;
  const char* unit;
};

TEST(FormatRateTest, BothUnitsAcrossTheirRanges) {
  const RateCase cases[] = {
      {1024000, 2000, true, 500.0, "KBps"},
      {1024000, 2000, false, (1024000 / 102) / 2.0 / 1024, "Mbps"},  // 4.90
      {50, 10, false, 5000.0, "bps"},                                 // 10 ms counts as 100
      {500, 1000, true, 500.0, "Bps"},
      {3L << 30, 1000, true, 3072.0, "MBps"},
      {200000, 1000, false, (200000 / 102) / 1.0 / 1024, "Mbps"},
      {200000, 2000, false, (200000 / 102) / 2.0, "Kbps"},
      {100000, 100000, false, 10000.0, "bps"},
      {90000, 1000, false, (900000 / 1024) / 1.0, "Kbps"},
      {100000, 100, false, (100000 / 102) / 0.1 / 1024, "Mbps"},
      {6LL << 32, 10000, false, ((6LL << 32) / 102) / 10.0 / 1024, "Mbps"},  // sizes beyond 4 GiB
  };
  for (const RateCase& c : cases) {
    Rate rate = FormatRate(c.bytes, c.ms, c.bytesPerSecond);
    EXPECT_NEAR(rate.value, c.value, 1e-9) << c.bytes << " bytes in " << c.ms << " ms";
    EXPECT_STREQ(rate.unit, c.unit) << c.bytes << " bytes in " << c.ms << " ms";
  }
  EXPECT_EQ(StatisticsLine("Received", 1024000, 2000, false, false),
            "Received 1024000 bytes in 2.0 secs, (4.90 Mbps), transfer succeeded");
}

// The size shown is the announced one; only an exact byte count can prove a
// binary receive short.
TEST(SizeFromReplyTextTest, AnnouncedSizes) {
  struct Case {
    const char* text;
    std::int64_t size;
    std::int64_t exactSize;
  };
  const Case cases[] = {
      {"150 Opening BINARY mode data connection for a.bin (12345 bytes).", 12345, 12345},
      {"150 Opening data connection for x (12k)", 12288, 0},
      {"150 Opening data connection for x (12k bytes)", 12288, 0},
      {"150 Opening data connection for x (12 K bytes)", 12288, 0},
      {"150 Opening data connection for x (2048 BYTES)", 2048, 2048},
      {"150 Opening BINARY mode data connection for big (6442450944 bytes).", 6442450944LL, 6442450944LL},
      {"150 Opening data connection", 0, 0},
      {"150 (no number) here", 0, 0},
      {"150 file (-5 bytes)", 0, 0},
      {"150 file (99999999999999999999999999999 bytes)", 0, 0},
      {"150 file (99999999999999999k)", 0, 0},
      {"150 name (with paren) (77 bytes)", 77, 77},
      {"150 unbalanced (5 bytes", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SizeFromReplyText(c.text), c.size) << c.text;
    EXPECT_EQ(ExactSizeFromReplyText(c.text), c.exactSize) << c.text;
  }
}

TEST(ProgressTextTest, DialogShowsRateAndTimesWithoutItTheCount) {
  EXPECT_EQ(ProgressText(0, 5000, 100, true, false), "");
  EXPECT_EQ(ProgressText(4096, 5000, 0, false, false), "4096");
  EXPECT_EQ(ProgressText(1024000, 2000, 0, true, true), "1024000 : 500.00 KBps : 0:02");
  // Half of the file in 65 s leaves 65 s.
  EXPECT_EQ(ProgressText(512000, 65000, 1024000, true, true), "512000 : 7.69 KBps : 1:05 : 1:05");
  EXPECT_EQ(ProgressText(50, 10, 0, true, false), "50 : 5000.00 bps");
}

TEST(ProgressPercentTest, SmallAndLargeExpectedSizes) {
  EXPECT_EQ(ProgressPercent(1024, 2048), 50);
  EXPECT_EQ(ProgressPercent(2500000, 5000000), 50);
  EXPECT_EQ(ProgressPercent(3000, 2048), 146);  // more than announced: the bar stays full
  EXPECT_EQ(ProgressPercent(0, 2048), 0);
  EXPECT_EQ(ProgressPercent(1LL << 33, 1LL << 34), 50);
}

TEST(TransferLogLineTest, FixedDate) {
  TransferLogRecord record;
  record.when.tm_year = 96;
  record.when.tm_mon = 4;
  record.when.tm_mday = 22;
  record.when.tm_hour = 14;
  record.when.tm_min = 5;
  record.typeSent = 'I';
  record.localDir = "/home/ann";
  record.localName = "data.bin";
  record.send = false;
  record.host = "work";
  record.remoteDir = "/pub";
  record.remoteName = "data.bin";
  EXPECT_EQ(TransferLogLine(record), "96.05.22 14:05 B /home/ann\\data.bin <-- work /pub data.bin\n");
  record.when.tm_year = 103;
  record.typeSent = 'A';
  record.send = true;
  EXPECT_EQ(TransferLogLine(record).substr(0, 18), "03.05.22 14:05 A /");
  EXPECT_NE(TransferLogLine(record).find(" --> "), std::string::npos);
}

}  // namespace
}  // namespace korval::engine
