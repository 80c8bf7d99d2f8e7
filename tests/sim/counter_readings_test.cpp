#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/text_format.h"
#include "sim/counter.h"
#include "sim/signal_model.h"

namespace {

using namespace std::chrono_literals;
using sim::Counter;
using sim::CounterOptions;
using sim::ReadResult;

const std::regex kCounterFormat(R"([+-]\d\.\d{11}E[+-]\d{3}\n)");

std::string ask(Counter& counter, std::string_view query) {
  counter.write(query);
  const ReadResult r = counter.read(2s);
  EXPECT_EQ(r.status, ReadResult::Status::Ok) << query;
  return r.data;
}

double number(const std::string& answer) {
  bool parsed = false;
  const double value = core::leadingDouble(answer, &parsed);
  EXPECT_TRUE(parsed) << answer;
  return value;
}

CounterOptions seeded(std::uint64_t seed) {
  CounterOptions options;
  options.seed = seed;
  return options;
}

TEST(CounterReadings, AnswerFormatHasSignDigitElevenDecimalsAndThreeExponentDigits) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {10000001.2345, "+1.00000012345E+007"},
      {2.5e-7, "+2.50000000000E-007"},
      {-45.5, "-4.55000000000E+001"},
      {0.0, "+0.00000000000E+000"},
      {1.5e-105, "+1.50000000000E-105"},
      {9.9e37, "9.91E+37"},
      {INFINITY, "9.91E+37"},
  };
  for (const Case& c : cases) EXPECT_EQ(sim::formatReading(c.value), c.text) << c.value;
  EXPECT_EQ(sim::formatReading(std::nullopt), "9.91E+37");
}

TEST(CounterReadings, EveryFunctionGivesAPlausibleReading) {
  struct Case {
    const char* function;
    double low;
    double high;
  } cases[] = {
      {"FUNC 'FREQ 1'", 9.9999e6, 1.00001e7},
      {"FUNC 'FREQ 2'", 4.9999e6, 5.00001e6},
      {"FUNC 'FREQ 3'", 1.4999e9, 1.50001e9},
      {"CONF:PER (@1)", 0.99999e-7, 1.00001e-7},
      {"CONF:PER (@3)", 6.6666e-10, 6.6668e-10},
      {"CONF:FREQ:RAT (@1),(@2)", 1.99999, 2.00001},
      {"CONF:FREQ:RAT (@1),(@3)", 0.0066666, 0.0066667},
      {"CONF:FREQ:RAT (@2),(@1)", 0.499999, 0.500001},
      {"CONF:FREQ:RAT (@3),(@1)", 149.999, 150.001},
      {"CONF:RTIM", 1e-9, 10e-9},
      {"CONF:FTIM", 1e-9, 10e-9},
      {"CONF:PWID", 39e-9, 41e-9},
      {"CONF:NWID", 59e-9, 61e-9},
      {"CONF:TINT", 1e-9, 1e-6},
      {"CONF:PHAS", 0, 360},
      {"CONF:DCYC", 39, 41},
      {"CONF:VOLT:PTP (@1)", 1.9, 2.1},
      {"CONF:VOLT:MAX (@1)", 1.0, 1.2},
      {"CONF:VOLT:MIN (@1)", -1.0, -0.8},
      {"CONF:VOLT:CENT (@1)", 0.05, 0.15},
      {"CONF:VOLT:PTP (@2)", 0.9, 1.1},
      {"CONF:TOTalize:TIMED (@1)", 1e7 - 10, 1e7 + 10},
  };
  for (const Case& c : cases) {
    Counter counter;
    counter.write(c.function);
    if (std::string(c.function).find("TOT") != std::string::npos)
      counter.write("TOTalize:ARM:STOP:TIMer 1S");
    for (int i = 0; i < 5; ++i) {
      const std::string answer = ask(counter, "fetch?\n");
      EXPECT_TRUE(std::regex_match(answer, kCounterFormat)) << c.function << ": " << answer;
      const double value = number(answer);
      EXPECT_GE(value, c.low) << c.function << ": " << answer;
      EXPECT_LE(value, c.high) << c.function << ": " << answer;
    }
    EXPECT_TRUE(counter.pendingErrors().empty()) << c.function;
  }
}

TEST(CounterReadings, FrequencyNoiseIsPartsPerBillionAndShrinksWithTheGate) {
  auto spread = [](const char* gate) {
    Counter counter;
    counter.write("FREQ:ARM:STOP:SOUR TIM");
    counter.write(std::string("FREQ:ARM:STOP:TIM ") + gate);
    double low = 1e99, high = -1e99;
    for (int i = 0; i < 200; ++i) {
      const double f = number(ask(counter, "fetch?"));
      low = std::min(low, f);
      high = std::max(high, f);
    }
    return (high - low) / 1e7;
  };
  const double shortGate = spread("0.001");
  const double longGate = spread("10");
  EXPECT_GT(longGate, 0.0) << "readings vary";
  EXPECT_LT(longGate, 1e-8);
  EXPECT_GT(shortGate, 5 * longGate);
}

TEST(CounterReadings, SameSeedGivesTheSameReadings) {
  auto readings = [](std::uint64_t seed) {
    Counter counter(seeded(seed));
    std::vector<std::string> out;
    for (const char* f : {"FUNC 'FREQ 1'", "CONF:PER (@2)", "CONF:TINT", "CONF:VOLT:PTP (@1)"}) {
      counter.write(f);
      for (int i = 0; i < 10; ++i) out.push_back(ask(counter, "fetch?"));
    }
    return out;
  };
  EXPECT_EQ(readings(7), readings(7));
  EXPECT_NE(readings(7), readings(8));

  Counter counter(seeded(7));
  const std::string first = ask(counter, "fetch?");
  ask(counter, "fetch?");
  counter.reset();
  EXPECT_EQ(ask(counter, "fetch?"), first) << "reset starts the noise sequence again";
}

TEST(CounterReadings, NoSignalGivesOverflow) {
  struct Case {
    const char* function;
    bool overflow;
  } cases[] = {
      {"FUNC 'FREQ 1'", false},
      {"FUNC 'FREQ 2'", true},
      {"CONF:FREQ:RAT (@1),(@2)", true},
      {"CONF:FREQ:RAT (@1),(@3)", false},
      {"CONF:PHAS", true},
      {"CONF:TINT", true},
      {"CONF:VOLT:MAX (@2)", true},
      {"CONF:RTIM", false},
  };
  for (const Case& c : cases) {
    Counter counter;
    ASSERT_TRUE(counter.setSignalConnected(2, false));
    counter.write(c.function);
    const std::string answer = ask(counter, "fetch?");
    if (c.overflow) {
      EXPECT_EQ(answer, "9.91E+37\n") << c.function;
    } else {
      EXPECT_TRUE(std::regex_match(answer, kCounterFormat)) << c.function << ": " << answer;
    }
  }
  Counter counter;
  counter.write("CONF:TINT;:EVENt2:FEED \"INPut1\"");
  counter.setSignalConnected(2, false);
  EXPECT_NE(ask(counter, "fetch?"), "9.91E+37\n") << "a common input needs input 1 only";
  EXPECT_FALSE(counter.setSignalConnected(4, false));
  Counter compact(CounterOptions{sim::Model::V3820A, "", 1});
  EXPECT_FALSE(compact.setSignalConnected(2, false));
}

TEST(CounterReadings, SignalFrequencyCanBeChanged) {
  Counter counter;
  ASSERT_TRUE(counter.setSignalFrequency(1, 1234.5));
  EXPECT_NEAR(number(ask(counter, "fetch?")), 1234.5, 1e-3);
  EXPECT_FALSE(counter.setSignalFrequency(1, -1));
  EXPECT_FALSE(counter.setSignalFrequency(1, NAN));
}

TEST(CounterReadings, ContinuousOffHoldsTheLastReading) {
  Counter counter;
  const std::string a = ask(counter, "fetch?\n");
  const std::string b = ask(counter, "fetch?\n");
  EXPECT_NE(a, b) << "running: every query gets a new reading";
  counter.write("INIT:CONT OFF");
  EXPECT_EQ(ask(counter, "fetch?\n"), b);
  EXPECT_EQ(ask(counter, "fetch?\n"), b);
  counter.write("INIT");
  const std::string c = ask(counter, "fetch?\n");
  EXPECT_NE(c, b) << "INIT takes one new reading";
  EXPECT_EQ(ask(counter, "fetch?\n"), c);
  EXPECT_NE(ask(counter, "READ?"), c);
  EXPECT_TRUE(counter.pendingErrors().empty());
}

TEST(CounterReadings, CalcDataAppliesScaleAndOffset) {
  struct Case {
    const char* scale;
    const char* offset;
    double factor;
    double add;
  } cases[] = {
      {"TRACE SCALE,1.0000000000000000", "TRACE OFFSET,0.0HZ", 1, 0},
      {"TRACE SCALE,0.0010000000000000", "TRACE OFFSET,5 KHZ", 1e-3, 5e3},
      {"TRACE SCALE,2.0000000000000000", "TRACE OFFSET,-1000.000000 uHZ", 2, -1e-3},
      {"TRACE SCALE,0.0000000000000000", "TRACE OFFSET,7", 0, 7},
  };
  for (const Case& c : cases) {
    Counter counter;
    for (const char* command : {"CALC:MATH:STATE ON", c.scale, c.offset, "INIT:CONT OFF", "INIT"})
      counter.write(command);
    const double raw = number(ask(counter, "fetch?\n"));
    const std::string answer = ask(counter, "calc:data?");
    EXPECT_TRUE(std::regex_match(answer, kCounterFormat)) << answer;
    const double expected = raw * c.factor + c.add;
    EXPECT_NEAR(number(answer), expected, 1e-10 * std::max(1.0, std::fabs(expected))) << c.offset;
  }
  Counter plain;
  plain.write("INIT:CONT OFF;:INIT");
  EXPECT_EQ(ask(plain, "calc:data?"), ask(plain, "fetch?")) << "math off: the reading itself";
}

TEST(CounterReadings, Calc3DataAnswersTheChosenStatistic) {
  struct Case {
    const char* type;
    double (*expected)(const std::vector<double>&);
  } cases[] = {
      {"CALC3:AVERAGE:TYPE MEAN",
       [](const std::vector<double>& v) {
         double s = 0;
         for (double x : v) s += x;
         return s / v.size();
       }},
      {"CALC3:AVERAGE:TYPE SDEV",
       [](const std::vector<double>& v) {
         double s = 0, q = 0;
         for (double x : v) s += x;
         const double mean = s / v.size();
         for (double x : v) q += (x - mean) * (x - mean);
         return std::sqrt(q / (v.size() - 1));
       }},
      {"CALC3:AVERAGE:TYPE MAX",
       [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }},
      {"CALC3:AVERAGE:TYPE MIN",
       [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }},
      {"CALC3:AVERAGE:TYPE Delta",
       [](const std::vector<double>& v) {
         return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
       }},
      {"CALC3:AVERAGE:TYPE Meas", [](const std::vector<double>& v) { return v.back(); }},
  };
  for (const Case& c : cases) {
    Counter counter;
    for (const char* command : {"CALC3:AVER:STATE ON", c.type, "CALC3:AVER:COUNT 100",
                                "CALCulate3:LFILter:STATe OFF", "INIT:CONT OFF"})
      counter.write(command);
    std::vector<double> readings;
    for (int i = 0; i < 20; ++i) {
      counter.write("INIT");
      readings.push_back(number(ask(counter, "fetch?")));
    }
    const std::string answer = ask(counter, "calc3:data?");
    EXPECT_TRUE(std::regex_match(answer, kCounterFormat)) << c.type << ": " << answer;
    const double expected = c.expected(readings);
    // The readings themselves were rounded to 12 digits in their answers.
    EXPECT_NEAR(number(answer), expected, 2e-4) << c.type;
    EXPECT_TRUE(counter.pendingErrors().empty()) << c.type;
  }
}

TEST(CounterReadings, StatisticsBlocksRepeatOrStopAfterTheCount) {
  for (const bool repeat : {true, false}) {
    Counter counter;
    counter.setSignalFrequency(1, 1000);
    counter.write("CALC3:AVER:STATE ON;TYPE MAX;COUNT 3");
    counter.write(repeat ? "TRIGger:COUNt:AUTO ON" : "TRIGger:COUNt:AUTO OFF");
    for (int i = 0; i < 3; ++i) ask(counter, "calc3:data?");
    counter.setSignalFrequency(1, 2000);
    const double after = number(ask(counter, "calc3:data?"));
    if (repeat) {
      EXPECT_NEAR(after, 2000, 1e-3) << "a new block starts with the new signal";
    } else {
      EXPECT_NEAR(after, 1000, 1e-3) << "one block only: its result stays";
    }
  }
}

TEST(CounterReadings, LimitFailuresStopOrGoOnAndFilterTheStatistics) {
  Counter stop;
  for (const char* command : {"CALCulate2:LIMit:STATe ON", "CALCulate2:LIMit:UPPer 5 MHZ",
                              "CALCulate2:LIMit:LOWer 0HZ", "INIT:AUTO ON", "INIT:CONT ON"})
    stop.write(command);
  const std::string failing = ask(stop, "fetch?\n");
  EXPECT_EQ(ask(stop, "fetch?\n"), failing) << "stop on fail holds the failing reading";
  EXPECT_EQ(stop.setting("INIT:CONT"), "0");
  EXPECT_EQ(ask(stop, "CALC2:LIM:FAIL?"), "1\n");

  Counter goOn;
  goOn.write("CALCulate2:LIMit:STATe ON;UPPer 5 MHZ;LOWer 0HZ;:INIT:AUTO OFF");
  EXPECT_NE(ask(goOn, "fetch?"), ask(goOn, "fetch?"));
  EXPECT_EQ(ask(goOn, "CALC2:LIM:FCO?"), "+2\n");

  for (const bool filter : {true, false}) {
    Counter counter;
    counter.write("CALCulate2:LIMit:STATe ON;UPPer 5 MHZ;LOWer 0HZ;:INIT:AUTO OFF");
    counter.write("CALC3:AVER:STATE ON;TYPE MEAN;COUNT 100");
    counter.write(filter ? "CALCulate3:LFILter:STATe ON" : "CALCulate3:LFILter:STATe OFF");
    const std::string answer = ask(counter, "calc3:data?");
    if (filter) {
      EXPECT_EQ(answer, "9.91E+37\n") << "every reading failed: nothing entered the statistics";
    } else {
      EXPECT_NEAR(number(answer), 1e7, 1);
    }
  }
}

TEST(CounterReadings, TotalizeWithoutGateCountsUpWithTime) {
  Counter counter;
  counter.write("CONF:TOTalize:TIMED (@1)");
  counter.write("TOTalize:ARM:STOP:SOURce IMM");
  const double first = number(ask(counter, "fetch?"));
  std::this_thread::sleep_for(20ms);
  const double second = number(ask(counter, "fetch?"));
  EXPECT_GE(first, 0);
  EXPECT_GT(second, first);
  EXPECT_EQ(second, std::floor(second)) << "a count is a whole number";
}

TEST(CounterReadings, ExternalArmMakesFetchWaitForTheTrigger) {
  Counter counter;
  counter.write("FREQuency:ARM:STARt:SOURce EXTernal");
  counter.write("INIT:CONT ON");
  counter.write("fetch?\n");
  EXPECT_EQ(counter.read(50ms).status, ReadResult::Status::Timeout);
  EXPECT_TRUE(counter.answerExpected());
  counter.externalTrigger();
  const ReadResult r = counter.read(1s);
  ASSERT_EQ(r.status, ReadResult::Status::Ok);
  EXPECT_TRUE(std::regex_match(r.data, kCounterFormat)) << r.data;
  // Running continuously, the next measurement waits for the next trigger.
  counter.write("fetch?\n");
  EXPECT_EQ(counter.read(50ms).status, ReadResult::Status::Timeout);
  std::thread trigger([&] {
    std::this_thread::sleep_for(20ms);
    counter.externalTrigger();
  });
  EXPECT_EQ(counter.read(5s).status, ReadResult::Status::Ok);
  trigger.join();
  EXPECT_TRUE(counter.pendingErrors().empty());
}

TEST(CounterReadings, TriggerWaitOfALoggingClient) {
  Counter counter;
  counter.write("freq:arm:sour ext");
  EXPECT_EQ(ask(counter, "freq:arm:sour?"), "EXT\n");
  counter.write("init:cont on");
  counter.write("init:cont off");
  // Two polls time out while the counter waits for its trigger.
  counter.write("*OPC?");
  EXPECT_EQ(counter.read(30ms).status, ReadResult::Status::Timeout);
  counter.write("*OPC?");
  EXPECT_EQ(counter.read(30ms).status, ReadResult::Status::Timeout);
  counter.externalTrigger();
  EXPECT_EQ(counter.read(1s).data, "1\n");
  EXPECT_EQ(counter.read(0ms).status, ReadResult::Status::Timeout) << "one answer, not two";
  // The first poll's answer was overtaken by the second poll.
  EXPECT_EQ(ask(counter, "syst:err?"), "-410,\"Query INTERRUPTED\"\n");
  EXPECT_EQ(ask(counter, "syst:err?"), "+0,\"No error\"\n");
  ask(counter, "*esr?");
  counter.write("freq:arm:sour imm");
  counter.write("init:cont on");
  EXPECT_TRUE(std::regex_match(ask(counter, "fetch?"), kCounterFormat));
}

TEST(CounterReadings, OperationCompleteWaitsForThePendingMeasurement) {
  Counter counter;
  counter.write("INIT:CONT OFF;:TOTalize:ARM:STARt:SOURce EXTernal;:CONF:TOT:TIMED (@1)");
  counter.write("TOT:ARM:STAR:SOUR EXT");
  counter.write("INIT;*OPC");
  EXPECT_EQ(ask(counter, "*ESR?"), "+0\n");
  counter.externalTrigger();
  EXPECT_EQ(ask(counter, "*ESR?"), "+1\n") << "*OPC set operation complete at the trigger";
  counter.write("READ?");
  EXPECT_EQ(counter.read(30ms).status, ReadResult::Status::Timeout);
  counter.externalTrigger();
  EXPECT_TRUE(std::regex_match(counter.read(1s).data, kCounterFormat));
}

TEST(CounterReadings, DeviceClearEndsAWaitingQuery) {
  Counter counter;
  counter.write("FREQuency:ARM:STARt:SOURce EXTernal;:INIT:CONT ON");
  counter.write("fetch?\n");
  counter.write("*IDN?");  // held behind the waiting query
  EXPECT_EQ(counter.read(30ms).status, ReadResult::Status::Timeout);
  counter.clear();
  EXPECT_FALSE(counter.answerExpected());
  EXPECT_EQ(ask(counter, "*IDN?"), counter.identification() + "\n");
  counter.write("FREQuency:ARM:STARt:SOURce IMM");
  EXPECT_TRUE(std::regex_match(ask(counter, "fetch?"), kCounterFormat));
}

TEST(CounterReadings, FaultsChangeTheNextAnswers) {
  Counter counter;
  sim::Faults faults;
  faults.answerDelayMs = 300;
  counter.setFaults(faults);
  counter.write("*IDN?");
  EXPECT_EQ(counter.read(20ms).status, ReadResult::Status::Timeout);
  EXPECT_EQ(counter.read(10s).data, counter.identification() + "\n");

  counter.setFaults({0, true, false, 0});
  counter.write("fetch?");
  EXPECT_EQ(counter.read(1s).status, ReadResult::Status::ConnectionLost);
  EXPECT_FALSE(counter.faults().dropNextAnswer) << "one answer only";
  EXPECT_EQ(ask(counter, "*IDN?"), counter.identification() + "\n");

  counter.setFaults({0, false, true, 0});
  const std::string garbage = ask(counter, "fetch?");
  ASSERT_FALSE(garbage.empty());
  EXPECT_EQ(garbage.back(), '\n');
  bool parsed = true;
  core::leadingDouble(garbage, &parsed);
  EXPECT_FALSE(parsed) << garbage;
  EXPECT_EQ(garbage.find_first_of("0123456789"), std::string::npos);
  EXPECT_TRUE(std::regex_match(ask(counter, "fetch?"), kCounterFormat));

  counter.setFaults({0, false, false, 4000});
  const std::string overlong = ask(counter, "fetch?");
  EXPECT_EQ(overlong.size(), 4000u);
  EXPECT_EQ(overlong.back(), '\n');
  EXPECT_NEAR(number(overlong), 1e7, 1);
  EXPECT_EQ(ask(counter, "fetch?").size(), 20u);
}

TEST(CounterReadings, AStalledCounterHoldsItsAnswersUntilTheStallEndsOrAClear) {
  Counter counter;
  sim::Faults stalled;
  stalled.stalled = true;
  counter.setFaults(stalled);
  counter.write("*IDN?");
  EXPECT_EQ(counter.read(100ms).status, ReadResult::Status::Timeout);

  // The end of the stall lets a reader that is already waiting have the answer.
  std::thread unstall([&] {
    std::this_thread::sleep_for(50ms);
    counter.setFaults({});
  });
  const auto start = std::chrono::steady_clock::now();
  const ReadResult late = counter.read(10s);
  unstall.join();
  EXPECT_EQ(late.data, counter.identification() + "\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

  counter.setFaults(stalled);
  counter.write("fetch?");
  counter.clear();
  counter.setFaults({});
  EXPECT_EQ(counter.read(50ms).status, ReadResult::Status::Timeout) << "the clear dropped it";
  EXPECT_EQ(ask(counter, "*IDN?"), counter.identification() + "\n");
}

TEST(CounterReadings, ServesSeveralThreadsAtOnce) {
  Counter counter;
  std::atomic<bool> stop{false};
  std::thread trigger([&] {
    while (!stop) {
      counter.externalTrigger();
      std::this_thread::sleep_for(1ms);
    }
  });
  std::vector<std::thread> clients;
  std::atomic<int> answers{0};
  for (int t = 0; t < 4; ++t) {
    clients.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        counter.write(t % 2 ? "fetch?" : "FREQ:ARM:STAR:SOUR EXT;:FREQ:ARM:STAR:SOUR IMM;*IDN?");
        if (counter.read(100ms).status == ReadResult::Status::Ok) ++answers;
        counter.settings();
      }
    });
  }
  for (auto& c : clients) c.join();
  stop = true;
  trigger.join();
  EXPECT_GT(answers.load(), 0);
  counter.clear();
  counter.write("*CLS");
  EXPECT_EQ(ask(counter, "*IDN?"), counter.identification() + "\n");
}

}  // namespace
