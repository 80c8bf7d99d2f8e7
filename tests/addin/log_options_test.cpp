#include "addin/log/log_options.h"

#include <gtest/gtest.h>

namespace {

using addin::log::parseLogOptions;

TEST(LogOptions, ReadsEveryOptionIntoTheRunSettings) {
  std::string error;
  auto o = parseLogOptions(
      {"--resource", "TCPIP0::127.0.0.1::5025::SOCKET", "--interval=250", "--stop-time", "01:30:00",
       "--begin", "Waiting", "--at", "2026/12/08 10:00:00", "--chart", "3", "--in-sheet", "--out",
       "a.ods", "--out", "b.XLSX", "--stop-waiting", "yes"},
      &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->resource, "TCPIP0::127.0.0.1::5025::SOCKET");
  EXPECT_EQ(o->intervalMs, 250);
  EXPECT_EQ(o->terminating(), 2);
  EXPECT_EQ(o->begin, 2);
  EXPECT_EQ(o->chart, 3);
  EXPECT_TRUE(o->inSheet);
  EXPECT_EQ(o->outputs, (std::vector<std::string>{"a.ods", "b.XLSX"}));
  EXPECT_EQ(o->stopWhileWaiting, true);

  o = parseLogOptions({"--readings", "100", "--out", "x.ods"}, &error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->terminating(), 1);
  EXPECT_EQ(o->begin, 1);
  EXPECT_EQ(o->intervalMs, 1000);
  EXPECT_EQ(parseLogOptions({"--out", "x.ods"}, &error)->terminating(), 0);
  EXPECT_TRUE(parseLogOptions({"--help"}, &error)->help);
}

TEST(LogOptions, RefusesMistakesWithASentenceNamingTheOption) {
  const std::vector<std::vector<std::string>> bad = {
      {"--readings", "ten", "--out", "x.ods"},
      {"--readings", "0", "--out", "x.ods"},
      {"--interval", "0", "--out", "x.ods"},
      {"--interval", "-5", "--out", "x.ods"},
      {"--stop-time", "1:60:00", "--out", "x.ods"},
      {"--stop-time", "600:00:00", "--out", "x.ods"},
      {"--readings", "5", "--stop-time", "00:01:00", "--out", "x.ods"},
      {"--begin", "later", "--out", "x.ods"},
      {"--begin", "waiting", "--out", "x.ods"},
      {"--at", "2026/12/08 10:00:00", "--out", "x.ods"},
      {"--begin", "waiting", "--at", "2026/13/08 10:00:00", "--out", "x.ods"},
      {"--chart", "4", "--out", "x.ods"},
      {"--out", "x.csv"},
      {"--out"},
      {},
      {"--frobnicate", "--out", "x.ods"},
  };
  for (const auto& args : bad) {
    std::string error;
    EXPECT_FALSE(parseLogOptions(args, &error)) << args.size();
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  parseLogOptions({"--chart", "7", "--out", "x.ods"}, &error);
  EXPECT_NE(error.find("--chart"), std::string::npos) << error;
}

}  // namespace
