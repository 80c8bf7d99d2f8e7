// Random and mutated input for the simulated counter's parser: it must never crash or hang,
// must report what it rejects, and must keep its queues bounded.

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "sim/counter.h"
#include "sim/scpi_parser.h"

namespace {

using namespace std::chrono_literals;

const std::vector<std::string> kValidCommands = {
    "FUNC 'FREQ 1'",
    "CONF:FREQ:RAT (@1),(@3)",
    ":TINTerval:ARM:ESTART:LAYer1:SOURce INTernal1",
    "CALCulate2:LIMit:UPPer 10 KHZ",
    "TRACE OFFSET,5000.000000 KHZ",
    "EVENt2:FEED \"INPut1\"",
    "CALC3:AVERAGE:TYPE Delta",
    "FREQuency:ARM:STOP:TIMer 0.5S",
    "*IDN?;SYST:ERR?",
    "fetch?\n",
    "calc3:data?",
    "INP:IMP 1000000;ATT 10;:EVEN:LEV:ABS -5.125",
};

std::string randomBytes(std::mt19937_64& rng) {
  std::uniform_int_distribution<int> length(0, 80);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string text(static_cast<size_t>(length(rng)), '\0');
  for (char& c : text) c = static_cast<char>(byte(rng));
  return text;
}

// SCPI-looking noise: the characters that carry meaning, in random order.
std::string randomScpi(std::mt19937_64& rng) {
  static const std::string kAlphabet = "FREQCONFARMSTOPTIMEVEN:;,'\"()@?*#0123456789. -+eKHZuSMm\n";
  std::uniform_int_distribution<int> length(0, 60);
  std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
  std::string text;
  for (int i = length(rng); i > 0; --i) text += kAlphabet[pick(rng)];
  return text;
}

std::string mutate(std::string text, std::mt19937_64& rng) {
  std::uniform_int_distribution<int> edits(1, 4);
  std::uniform_int_distribution<int> kind(0, 2);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int e = edits(rng); e > 0; --e) {
    std::uniform_int_distribution<size_t> at(0, text.size());
    const size_t pos = at(rng);
    switch (kind(rng)) {
      case 0:
        text.insert(pos, 1, static_cast<char>(byte(rng)));
        break;
      case 1:
        if (pos < text.size()) text.erase(pos, 1);
        break;
      default:
        if (pos < text.size()) text[pos] = static_cast<char>(byte(rng));
        break;
    }
  }
  return text;
}

TEST(CounterFuzz, ParserSurvivesRandomMessages) {
  std::mt19937_64 rng(20240611);
  for (int i = 0; i < 20000; ++i) {
    const std::string message = i % 2 ? randomBytes(rng) : randomScpi(rng);
    for (const sim::ProgramUnit& unit : sim::parseProgramMessage(message)) {
      if (unit.error) {
        EXPECT_LT(unit.error, 0);
        EXPECT_NE(sim::scpiErrorText(unit.error), "Error") << unit.error;
      }
    }
  }
}

TEST(CounterFuzz, CounterSurvivesRandomAndMutatedInput) {
  for (const sim::Model model : {sim::Model::V3800A, sim::Model::V3820A}) {
    sim::CounterOptions options;
    options.model = model;
    sim::Counter counter(options);
    std::mt19937_64 rng(model == sim::Model::V3800A ? 1 : 2);
    std::uniform_int_distribution<size_t> pickCommand(0, kValidCommands.size() - 1);
    size_t errorsSeen = 0;
    for (int i = 0; i < 20000; ++i) {
      std::string message;
      switch (i % 3) {
        case 0:
          message = randomBytes(rng);
          break;
        case 1:
          message = randomScpi(rng);
          break;
        default:
          message = mutate(kValidCommands[pickCommand(rng)], rng);
          break;
      }
      counter.write(message);
      if (i % 7 == 0) counter.read(0ms);
      if (i % 101 == 0) counter.externalTrigger();
      const auto errors = counter.pendingErrors();
      ASSERT_LE(errors.size(), 30u) << "error queue bounded";
      errorsSeen = std::max(errorsSeen, errors.size());
      if (i % 500 == 0) {
        // A device clear and *CLS always bring the counter back to a known state.
        counter.clear();
        counter.write("*CLS");
      }
    }
    EXPECT_GT(errorsSeen, 0u) << "rejected input is reported";
    counter.clear();
    counter.reset();
    counter.write("*IDN?");
    const sim::ReadResult r = counter.read(1s);
    ASSERT_EQ(r.status, sim::ReadResult::Status::Ok);
    EXPECT_EQ(r.data, counter.identification() + "\n");
  }
}

TEST(CounterFuzz, EveryRejectedMutationLeavesAStandardError) {
  std::mt19937_64 rng(99);
  for (int i = 0; i < 2000; ++i) {
    sim::Counter counter;
    const std::string message = mutate(kValidCommands[static_cast<size_t>(i) % 8], rng);
    counter.write(message);
    for (const std::string& entry : counter.pendingErrors()) {
      EXPECT_EQ(entry.front(), '-') << message;
      EXPECT_EQ(entry.find("\"Error\""), std::string::npos) << message << " gave " << entry;
    }
  }
}

}  // namespace
