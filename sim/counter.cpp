#include "sim/counter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>

#include "core/text_format.h"
#include "sim/instrument_settings.h"
#include "sim/measurement_function.h"
#include "sim/scpi_parser.h"
#include "sim/signal_model.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kMaker = "ORVALENT";
constexpr const char* kFirmware = "1.1.2";
constexpr size_t kErrorQueueSize = 30;  // the last place is kept for -350 "Queue overflow"
constexpr size_t kInputQueueSize = 64;  // messages held while a query waits for its arm
constexpr size_t kMaxOverlongAnswer = 16 * 1024 * 1024;

// Standard event status register bits.
constexpr int kOperationComplete = 0x01;
constexpr int kQueryError = 0x04;
constexpr int kDeviceError = 0x08;
constexpr int kExecutionError = 0x10;
constexpr int kCommandError = 0x20;

const std::vector<std::string_view> kOffsetUnits = {"HZ", "S", "DEG", "V", "PCT"};

const char* modelName(Model model) { return model == Model::V3800A ? "V3800A" : "V3820A"; }

// One reading as the counter processes it: the measurement, the math result, the limit test.
struct Reading {
  std::optional<double> raw;    // nothing without a signal
  std::optional<double> value;  // after scale and offset
  bool failed = false;          // outside the limits
};

// Running statistics of the current block of readings (Welford's update).
struct Statistics {
  long long count = 0;
  double mean = 0;
  double m2 = 0;
  double minimum = 0;
  double maximum = 0;
  double last = 0;

  void add(double x) {
    ++count;
    const double delta = x - mean;
    mean += delta / static_cast<double>(count);
    m2 += delta * (x - mean);
    minimum = count == 1 ? x : std::min(minimum, x);
    maximum = count == 1 ? x : std::max(maximum, x);
    last = x;
  }
};

}  // namespace

struct Counter::Impl {
  // One program message unit being executed.
  struct Call {
    const ProgramUnit& unit;
    std::vector<std::string>& answers;
    std::vector<int> suffixes;
    bool resumed = false;  // executed again after it had to wait for the external arm
    std::uint64_t completionsAtSuspend = 0;
    bool suspend = false;  // set by a handler that must wait: the unit runs again later

    int input() const { return suffixes.empty() ? 1 : suffixes.front(); }
    const std::vector<Parameter>& parameters() const { return unit.parameters; }
    void answer(std::string text) { answers.push_back(std::move(text)); }
  };

  struct Command {
    HeaderPattern pattern;
    bool set;
    bool query;
    std::function<void(Call&)> handler;
  };

  // A program message in progress; kept when one of its units waits for the external arm.
  struct MessageState {
    LinkId link = kDefaultLink;
    std::vector<ProgramUnit> units;
    size_t next = 0;
    std::vector<std::string> answers;
    std::vector<HeaderToken> path;  // current header path for units without a leading ':'
    std::uint64_t completionsAtSuspend = 0;
  };

  struct Answer {
    std::string data;
    Clock::time_point readyAt;
  };

  explicit Impl(CounterOptions opts)
      : options(std::move(opts)),
        compact(options.model == Model::V3820A),
        settings(compact),
        signals(options.seed, compact ? 1 : 3),
        garbageEngine(options.seed ^ 0x9E3779B97F4A7C15ull) {
    if (options.serial.empty()) options.serial = compact ? "SIM3820A01" : "SIM3800A01";
    if (options.serial.size() != 10)
      throw std::invalid_argument("the serial number must have 10 characters");
    for (char c : options.serial) {
      if (!std::isalnum(static_cast<unsigned char>(c)))
        throw std::invalid_argument("the serial number may hold letters and digits only");
    }
    buildCommands();
    measurementStart = Clock::now();
  }

  // ---- Error queue and status ----

  void pushError(int code) {
    if (code <= -100 && code > -200)
      esr |= kCommandError;
    else if (code <= -200 && code > -300)
      esr |= kExecutionError;
    else if (code <= -300 && code > -400)
      esr |= kDeviceError;
    else if (code <= -400 && code > -500)
      esr |= kQueryError;
    if (errors.size() + 1 >= kErrorQueueSize) {
      if (errors.size() + 1 == kErrorQueueSize) errors.push_back(scpi_error::kQueueOverflow);
      return;
    }
    errors.push_back(code);
  }

  int statusByte() const {
    int stb = 0;
    if (!errors.empty()) stb |= 0x04;
    if (!outputOf(current).empty()) stb |= 0x10;
    if (esr & ese) stb |= 0x20;
    if (stb & sre & ~0x40) stb |= 0x40;
    return stb;
  }

  // ---- Messages ----

  // The answers waiting for one link. A link that is gone has none.
  const std::deque<Answer>& outputOf(LinkId link) const {
    static const std::deque<Answer> kNone;
    const auto it = links.find(link);
    return it == links.end() ? kNone : it->second;
  }

  void receive(LinkId link, std::string_view data) {
    size_t start = 0;
    while (start <= data.size()) {
      size_t end = data.find('\n', start);
      if (end == std::string_view::npos) end = data.size();
      std::string_view message = data.substr(start, end - start);
      // A C string's terminating zero sent along with the text ends the message as well.
      while (!message.empty() && (message.back() == '\0' || message.back() == '\r'))
        message.remove_suffix(1);
      bool blank = true;
      for (char c : message) blank = blank && (c == ' ' || c == '\t');
      if (!blank) {
        if (suspended || !input.empty()) {
          if (input.size() >= kInputQueueSize)
            pushError(scpi_error::kInputBufferOverrun);
          else
            input.emplace_back(link, std::string(message));
        } else {
          processMessage(link, message);
        }
      }
      start = end + 1;
    }
  }

  void processMessage(LinkId link, std::string_view message) {
    remote = true;
    const auto own = links.find(link);
    if (own != links.end() && !own->second.empty()) {
      // The previous answer of this link was never read: it is discarded, as IEEE 488.2
      // requires. Other links keep theirs.
      own->second.clear();
      pushError(scpi_error::kQueryInterrupted);
    }
    MessageState state;
    state.link = link;
    state.units = parseProgramMessage(message);
    runMessage(std::move(state), false);
  }

  // Runs the units of a message from `state.next`; false when one of them has to wait.
  bool runMessage(MessageState state, bool resuming) {
    current = state.link;
    for (; state.next < state.units.size(); ++state.next) {
      Call call{state.units[state.next], state.answers, {}};
      call.resumed = resuming;
      call.completionsAtSuspend = state.completionsAtSuspend;
      execute(call, state.path);
      if (call.suspend) {
        if (!resuming) state.completionsAtSuspend = completions;
        suspended = std::move(state);
        return false;
      }
      resuming = false;
    }
    if (!state.answers.empty()) {
      std::string text;
      for (size_t i = 0; i < state.answers.size(); ++i) {
        if (i) text += ';';
        text += state.answers[i];
      }
      pushAnswer(state.link, text + "\n");
    }
    return true;
  }

  // Continues a waiting message and the messages held behind it, as far as they can go.
  void pump() {
    if (pumping) return;
    pumping = true;
    while (true) {
      if (suspended) {
        MessageState state = std::move(*suspended);
        suspended.reset();
        if (!runMessage(std::move(state), true)) break;
      }
      if (input.empty()) break;
      const auto [link, message] = std::move(input.front());
      input.pop_front();
      processMessage(link, message);
      if (suspended) break;
    }
    pumping = false;
  }

  void pushAnswer(LinkId link, std::string text) {
    // A link that went away while its message waited gets no answer.
    const auto it = links.find(link);
    if (it == links.end()) return;
    it->second.push_back({std::move(text), Clock::now() + std::chrono::milliseconds(
                                                              std::max(0, faults.answerDelayMs))});
    answerReady.notify_all();
  }

  const Command* findCommand(const std::vector<HeaderToken>& header, std::vector<int>* suffixes,
                             bool* suffixMismatch) const {
    for (const Command& command : commands) {
      const MnemonicMatch m = command.pattern.match(header, suffixes);
      if (m == MnemonicMatch::Yes) return &command;
      if (m == MnemonicMatch::SuffixMismatch) *suffixMismatch = true;
    }
    return nullptr;
  }

  void execute(Call& call, std::vector<HeaderToken>& path) {
    const ProgramUnit& unit = call.unit;
    if (unit.error) {
      pushError(unit.error);
      return;
    }
    bool suffixMismatch = false;
    const Command* command = nullptr;
    std::vector<HeaderToken> resolved;
    if (!unit.common && !unit.rooted && !path.empty()) {
      // A header after ';' continues the path of the command before it; a header that does not
      // fit there is also tried from the root, as many counters accept.
      resolved = path;
      resolved.insert(resolved.end(), unit.header.begin(), unit.header.end());
      command = findCommand(resolved, &call.suffixes, &suffixMismatch);
    }
    if (!command) {
      resolved = unit.header;
      command = findCommand(resolved, &call.suffixes, &suffixMismatch);
    }
    if (!command || (unit.query && !command->query) || (!unit.query && !command->set)) {
      pushError(command || !suffixMismatch ? scpi_error::kUndefinedHeader
                                           : scpi_error::kHeaderSuffixOutOfRange);
      return;
    }
    if (!unit.common) path.assign(resolved.begin(), resolved.end() - 1);
    command->handler(call);
  }

  bool expectParameters(Call& call, size_t count) {
    if (call.parameters().size() < count) {
      pushError(scpi_error::kMissingParameter);
      return false;
    }
    if (call.parameters().size() > count) {
      pushError(scpi_error::kParameterNotAllowed);
      return false;
    }
    return true;
  }

  // ---- Measurement cycle ----

  bool externallyArmed() const {
    const std::string root = function.armRoot();
    if (root.empty()) return false;
    return settings.text(root + ":ARM:STAR:SOUR") == "EXT";
  }

  void completeOperation() {
    ++completions;
    if (opcArmed) {
      esr |= kOperationComplete;
      opcArmed = false;
    }
  }

  // Keeps the measurement in step with the settings: an externally armed measurement waits
  // while the counter runs continuously; one that no longer needs the arm completes.
  void updateMeasurement() {
    const bool armed = externallyArmed();
    if (!armed && pending) {
      pending = false;
      takeReading();
      unfetched = true;
      completeOperation();
    } else if (armed && !pending && settings.flag("INIT:CONT")) {
      pending = true;
      measurementStart = Clock::now();
    }
  }

  MeasurementSetup currentSetup() const {
    MeasurementSetup setup;
    setup.function = function;
    if (function.kind == FunctionKind::Totalize) {
      setup.timedTotalize = settings.text("TOT:ARM:STOP:SOUR") == "TIM";
      setup.gateSeconds = settings.number("TOT:ARM:STOP:TIM");
      setup.totalizeSeconds =
          std::chrono::duration<double>(Clock::now() - measurementStart).count();
    } else if (settings.text("FREQ:ARM:STOP:SOUR") == "TIM") {
      setup.gateSeconds = settings.number("FREQ:ARM:STOP:TIM");
    }
    setup.fastVoltage = settings.text("VOLT:MODE") == "FAST";
    setup.commonInput = settings.text("EVEN2:FEED") == "INP1";
    setup.firstSlopePositive = settings.text("EVEN:SLOP") != "NEG";
    setup.secondSlopePositive = settings.text("EVEN2:SLOP") != "NEG";
    return setup;
  }

  // One measurement through the counter's chain: math, limit test, statistics.
  Reading takeReading() {
    Reading r;
    r.raw = signals.measure(currentSetup());
    if (r.raw) {
      double v = *r.raw;
      if (settings.flag("CALC:MATH:STAT"))
        v = v * settings.number("TRAC:SCAL") + settings.number("TRAC:OFFS");
      r.value = v;
      const bool limits = settings.flag("CALC2:LIM:STAT");
      if (limits) {
        r.failed = v < settings.number("CALC2:LIM:LOW") || v > settings.number("CALC2:LIM:UPP");
        if (r.failed) {
          ++limitFailures;
          // "Stop on fail": the counter holds the failing reading.
          if (settings.flag("INIT:AUTO")) settings.set("INIT:CONT", "0");
        }
      }
      if (settings.flag("CALC3:AVER:STAT") &&
          !(limits && r.failed && settings.flag("CALC3:LFIL:STAT")))
        addStatistic(v);
    }
    last = r;
    return r;
  }

  void addStatistic(double v) {
    const long long blockSize = std::llround(settings.number("CALC3:AVER:COUN"));
    if (statistics.count >= blockSize) {
      // A finished block starts again with repeated blocks, or stays as it is with one block.
      if (!settings.flag("TRIG:COUN:AUTO")) return;
      statistics = {};
    }
    statistics.add(v);
  }

  // The reading a query answers, or nothing: either an error was queued or the call waits.
  std::optional<Reading> acquire(Call& call) {
    if (externallyArmed()) {
      if (unfetched) {
        unfetched = false;
        return last;
      }
      if (pending) {
        call.suspend = true;
        return std::nullopt;
      }
    } else if (settings.flag("INIT:CONT")) {
      return takeReading();
    }
    if (last) return last;
    pushError(scpi_error::kDataStale);
    return std::nullopt;
  }

  void setFunction(const MeasurementFunction& f) {
    function = f;
    last.reset();
    unfetched = false;
    pending = false;
    statistics = {};
    limitFailures = 0;
    measurementStart = Clock::now();
    updateMeasurement();
  }

  void settingChanged(const std::string& key) {
    if (key == "EVEN:LEV:ABS" || key == "EVEN2:LEV:ABS") {
      // An absolute level switches the automatic level off.
      settings.set(key.substr(0, key.size() - 3) + "AUTO", "0");
    }
    if (key.rfind("CALC", 0) == 0 || key.rfind("TRIG:", 0) == 0) statistics = {};
    if (key == "INIT:CONT" && settings.flag(key)) measurementStart = Clock::now();
    updateMeasurement();
  }

  void resetInstrument(bool afterReset) {
    settings.reset(afterReset);
    function = MeasurementFunction{};
    pending = false;
    unfetched = false;
    last.reset();
    statistics = {};
    limitFailures = 0;
    opcArmed = false;
    measurementStart = Clock::now();
  }

  // ---- Command table ----

  void addCommand(const char* pattern, bool set, bool query, std::function<void(Call&)> handler) {
    commands.push_back({HeaderPattern(pattern), set, query, std::move(handler)});
  }

  void buildCommands() {
    // IEEE 488.2 common commands.
    addCommand("*IDN", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer(identification());
    });
    addCommand("*RST", true, false, [this](Call& c) {
      if (expectParameters(c, 0)) resetInstrument(true);
    });
    addCommand("*CLS", true, false, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      errors.clear();
      esr = 0;
      opcArmed = false;
    });
    addCommand("*ESR", false, true, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      c.answer(core::format("%+d", esr));
      esr = 0;
    });
    addCommand("*ESE", true, true, [this](Call& c) { registerCommand(c, &ese); });
    addCommand("*SRE", true, true, [this](Call& c) { registerCommand(c, &sre); });
    addCommand("*STB", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer(core::format("%+d", statusByte()));
    });
    addCommand("*OPC", true, true, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      if (c.unit.query) {
        if (waitForOperation(c)) c.answer("1");
      } else if (pending) {
        opcArmed = true;
      } else {
        esr |= kOperationComplete;
      }
    });
    addCommand("*WAI", true, false, [this](Call& c) {
      if (expectParameters(c, 0)) waitForOperation(c);
    });
    addCommand("*TST", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer("+0");
    });

    // System subsystem.
    addCommand("SYSTem:ERRor[:NEXT]", false, true, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      if (errors.empty()) {
        c.answer(scpiErrorEntry(0));
        return;
      }
      c.answer(scpiErrorEntry(errors.front()));
      errors.pop_front();
    });
    addCommand("SYSTem:ERRor:COUNt", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer(core::format("%+d", static_cast<int>(errors.size())));
    });
    addCommand("SYSTem:VERSion", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer("1999.0");
    });
    addCommand("SYSTem:COMMunicate:RLSTate", true, true, [this](Call& c) {
      if (c.unit.query) {
        if (expectParameters(c, 0)) c.answer(localState);
        return;
      }
      if (!expectParameters(c, 1)) return;
      const Parameter& p = c.parameters().front();
      if (p.kind != Parameter::Kind::Character) return pushError(scpi_error::kDataType);
      for (const char* state : {"LOCal", "REMote", "RWLock"}) {
        if (matchWord(state, p.word) == MnemonicMatch::Yes) {
          localState = shortForm(state);
          remote = localState != "LOC";
          return;
        }
      }
      pushError(scpi_error::kInvalidCharacterData);
    });

    // Plain settings.
    for (const SettingDefinition& def : InstrumentSettings::definitions()) {
      if (!settings.available(def)) continue;
      addCommand(def.pattern, true, true, [this, &def](Call& c) { settingCommand(def, c); });
    }

    // Measurement function.
    addCommand("[SENSe:]FUNCtion[:ON]", true, true, [this](Call& c) {
      if (c.unit.query) {
        if (expectParameters(c, 0)) c.answer("\"" + function.queryText() + "\"");
        return;
      }
      if (!expectParameters(c, 1)) return;
      const Parameter& p = c.parameters().front();
      if (p.kind != Parameter::Kind::String) return pushError(scpi_error::kDataType);
      MeasurementFunction f;
      if (const int error = parseFunctionText(p.word, compact, &f)) return pushError(error);
      setFunction(f);
    });
    addCommand("CONFigure", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer("\"" + function.configureText() + "\"");
    });
    for (const FunctionDefinition& def : functionSpecs()) {
      if (compact && !def.compact) continue;
      const FunctionKind kind = def.kind;
      addCommand(("CONFigure[:SCALar]:" + std::string(def.pattern)).c_str(), true, false,
                 [this, kind](Call& c) { configure(c, kind); });
      addCommand(("MEASure[:SCALar]:" + std::string(def.pattern)).c_str(), false, true,
                 [this, kind](Call& c) {
                   if (!c.resumed && !configure(c, kind)) return;
                   read(c);
                 });
    }

    // Measurement cycle and readings.
    addCommand("INITiate[:IMMediate]", true, false, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      if (pending) return pushError(scpi_error::kInitIgnored);
      measurementStart = Clock::now();
      if (externallyArmed()) {
        pending = true;
        unfetched = false;
      } else {
        takeReading();
        unfetched = true;
        completeOperation();
      }
    });
    addCommand("ABORt", true, false, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      pending = false;
      unfetched = false;
      updateMeasurement();
    });
    addCommand("FETCh[:SCALar]", false, true, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      if (const auto r = acquire(c)) c.answer(formatReading(r->raw));
    });
    addCommand("READ[:SCALar]", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) read(c);
    });
    addCommand("CALCulate1:DATA", false, true, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      if (const auto r = acquire(c)) c.answer(formatReading(r->value));
    });
    addCommand("CALCulate3:DATA", false, true, [this](Call& c) {
      if (!expectParameters(c, 0)) return;
      if (!settings.flag("CALC3:AVER:STAT")) return pushError(scpi_error::kSettingsConflict);
      if (acquire(c)) c.answer(formatReading(statistic()));
    });
    addCommand("CALCulate2:LIMit:FAIL", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer(last && last->failed ? "1" : "0");
    });
    addCommand("CALCulate2:LIMit:FCOunt", false, true, [this](Call& c) {
      if (expectParameters(c, 0)) c.answer(core::format("%+lld", limitFailures));
    });
    addCommand("TRACe[:DATA]", true, true, [this](Call& c) { traceCommand(c); });
  }

  void registerCommand(Call& c, int* reg) {
    if (c.unit.query) {
      if (expectParameters(c, 0)) c.answer(core::format("%+d", *reg));
      return;
    }
    if (!expectParameters(c, 1)) return;
    const Parameter& p = c.parameters().front();
    if (p.kind != Parameter::Kind::Numeric) return pushError(scpi_error::kDataType);
    if (!p.suffix.empty()) return pushError(scpi_error::kSuffixNotAllowed);
    const long value = std::lround(p.number);
    if (value < 0 || value > 255) return pushError(scpi_error::kDataOutOfRange);
    *reg = static_cast<int>(value) & (reg == &sre ? ~0x40 : 0xFF);
  }

  // *OPC? and *WAI: true when no measurement is pending any more, else the call waits.
  bool waitForOperation(Call& c) {
    if (pending && !(c.resumed && completions > c.completionsAtSuspend)) {
      c.suspend = true;
      return false;
    }
    return true;
  }

  void settingCommand(const SettingDefinition& def, Call& c) {
    const int input = def.perInput ? c.input() : 1;
    if (input < 1 || input > settings.conditionedInputs())
      return pushError(scpi_error::kHeaderSuffixOutOfRange);
    if (c.unit.query) {
      std::string answer;
      if (const int error = settings.query(def, input, c.parameters(), &answer))
        return pushError(error);
      c.answer(answer);
      return;
    }
    std::string key;
    if (const int error = settings.apply(def, input, c.parameters(), &key)) return pushError(error);
    settingChanged(key);
  }

  // CONFigure:<function> [expected value[, resolution]][, channel list(s)]
  bool configure(Call& c, FunctionKind kind) {
    MeasurementFunction f;
    f.kind = kind;
    f.second = functionSpec(kind).inputs == 2 ? 2 : 0;
    std::vector<Parameter> inputs;
    size_t others = 0;
    for (const Parameter& p : c.parameters()) {
      if (p.kind == Parameter::Kind::ChannelList) {
        inputs.push_back(p);
      } else if (p.kind == Parameter::Kind::String || !inputs.empty()) {
        pushError(scpi_error::kDataType);
        return false;
      } else if (++others > 2) {
        pushError(scpi_error::kParameterNotAllowed);
        return false;
      }
    }
    int error = applyInputs(inputs, &f);
    if (!error) error = validateFunction(f, compact);
    if (error) {
      pushError(error);
      return false;
    }
    setFunction(f);
    if (kind == FunctionKind::Totalize) settings.set("TOT:ARM:STOP:SOUR", "TIM");
    return true;
  }

  // READ? and MEASure?: a new measurement, waiting for the external arm when there is one.
  void read(Call& c) {
    if (!externallyArmed()) {
      c.answer(formatReading(takeReading().raw));
      return;
    }
    if (!c.resumed && !pending) {
      pending = true;
      unfetched = false;
      measurementStart = Clock::now();
    }
    if (const auto r = acquire(c)) c.answer(formatReading(r->raw));
  }

  std::optional<double> statistic() const {
    if (statistics.count == 0) return std::nullopt;
    const std::string type = settings.text("CALC3:AVER:TYPE");
    if (type == "MEAS") return statistics.last;
    if (type == "SDEV") {
      if (statistics.count < 2) return 0.0;
      return std::sqrt(statistics.m2 / static_cast<double>(statistics.count - 1));
    }
    if (type == "MAX") return statistics.maximum;
    if (type == "MIN") return statistics.minimum;
    if (type == "DELT") return statistics.maximum - statistics.minimum;
    return statistics.mean;
  }

  // TRACe SCALe,<number> and TRACe OFFSet,<number>[unit]: the math scale and offset.
  void traceCommand(Call& c) {
    const auto& params = c.parameters();
    if (params.empty()) return pushError(scpi_error::kMissingParameter);
    const Parameter& name = params.front();
    if (name.kind != Parameter::Kind::Character) return pushError(scpi_error::kDataType);
    std::string key;
    std::vector<std::string_view> units;
    if (matchWord("SCALe", name.word) == MnemonicMatch::Yes) {
      key = "TRAC:SCAL";
    } else if (matchWord("OFFSet", name.word) == MnemonicMatch::Yes) {
      key = "TRAC:OFFS";
      units = kOffsetUnits;
    } else {
      return pushError(scpi_error::kIllegalParameterValue);
    }
    if (c.unit.query) {
      if (params.size() > 1) return pushError(scpi_error::kParameterNotAllowed);
      c.answer(formatReading(settings.number(key)));
      return;
    }
    if (!expectParameters(c, 2)) return;
    const Parameter& value = params[1];
    if (value.kind != Parameter::Kind::Numeric) return pushError(scpi_error::kDataType);
    int error = 0;
    const auto scaled = scaledValue(value, units, &error);
    if (!scaled) return pushError(error);
    if (std::fabs(*scaled) > 1e30) return pushError(scpi_error::kDataOutOfRange);
    settings.set(key, core::format("%.15g", *scaled));
    statistics = {};
  }

  std::string identification() const {
    return core::format("%s,%s,%s,%s", kMaker, modelName(options.model), options.serial.c_str(),
                        kFirmware);
  }

  std::string garbage() {
    // Printable and high bytes, but no digits, signs or points: nothing that reads as a number.
    static const std::string kBytes =
        "ABCDFGHIJKLMNOPQRSTUVWXYZabcdfghijklmnopqrstuvwxyz!#$%&()*/<=>?@[]^_{|}~"
        "\x80\x9f\xa4\xb5\xc3\xd7\xe9\xfe";
    std::uniform_int_distribution<size_t> length(8, 40);
    std::uniform_int_distribution<size_t> pick(0, kBytes.size() - 1);
    std::string text(length(garbageEngine), ' ');
    for (char& c : text) c = kBytes[pick(garbageEngine)];
    return text + "\n";
  }

  CounterOptions options;
  const bool compact;
  mutable std::mutex mutex;
  std::condition_variable answerReady;
  std::mutex logMutex;
  std::function<void(std::string_view)> log;

  InstrumentSettings settings;
  MeasurementFunction function;
  SignalModel signals;
  std::mt19937_64 garbageEngine;
  std::vector<Command> commands;

  std::deque<int> errors;
  int esr = 0;
  int ese = 0;
  int sre = 0;
  bool remote = false;
  std::string localState = "REM";

  // Messages wait here, with the link they came from, while one of them waits for its arm.
  std::deque<std::pair<LinkId, std::string>> input;
  std::optional<MessageState> suspended;
  bool pumping = false;
  // Every link's own output queue; kDefaultLink always exists.
  std::map<LinkId, std::deque<Answer>> links{{kDefaultLink, {}}};
  LinkId nextLink = kDefaultLink + 1;
  LinkId current = kDefaultLink;  // the link whose message is being executed
  Faults faults;

  bool pending = false;    // a measurement waits for its external arm
  bool unfetched = false;  // the last reading completed since the last FETCH?
  bool opcArmed = false;   // *OPC sets the operation-complete bit when the measurement ends
  std::uint64_t completions = 0;
  std::optional<Reading> last;
  Statistics statistics;
  long long limitFailures = 0;
  Clock::time_point measurementStart;
};

Counter::Counter(CounterOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Counter::~Counter() = default;

Model Counter::model() const { return impl_->options.model; }

std::string Counter::serial() const { return impl_->options.serial; }

std::string Counter::identification() const { return impl_->identification(); }

std::string Counter::usbResourceName() const {
  return core::format("USB0::0x2B7A::%s::%s::INSTR", impl_->compact ? "0x0EEC" : "0x0ED8",
                      impl_->options.serial.c_str());
}

Counter::LinkId Counter::openLink() {
  std::lock_guard lock(impl_->mutex);
  const LinkId id = impl_->nextLink++;
  impl_->links[id];
  return id;
}

void Counter::closeLink(LinkId link) {
  if (link == kDefaultLink) return;
  clear(link);
  std::lock_guard lock(impl_->mutex);
  impl_->links.erase(link);
}

void Counter::write(std::string_view message) { write(kDefaultLink, message); }

void Counter::write(LinkId link, std::string_view message) {
  std::function<void(std::string_view)> log;
  {
    std::lock_guard lock(impl_->mutex);
    log = impl_->log;
  }
  if (log) {
    std::lock_guard lock(impl_->logMutex);
    log(message);
  }
  std::lock_guard lock(impl_->mutex);
  impl_->receive(link, message);
}

ReadResult Counter::read(std::chrono::milliseconds timeout) { return read(kDefaultLink, timeout); }

ReadResult Counter::read(LinkId link, std::chrono::milliseconds timeout) {
  std::unique_lock lock(impl_->mutex);
  Impl& d = *impl_;
  const auto deadline = Clock::now() + std::max(timeout, std::chrono::milliseconds(0));
  while (true) {
    const auto now = Clock::now();
    const auto own = d.links.find(link);
    if (own == d.links.end()) return {ReadResult::Status::ConnectionLost, {}};
    std::deque<Impl::Answer>& output = own->second;
    if (!output.empty() && output.front().readyAt <= now && !d.faults.stalled) {
      ReadResult result{ReadResult::Status::Ok, std::move(output.front().data)};
      output.pop_front();
      if (d.faults.dropNextAnswer) {
        d.faults.dropNextAnswer = false;
        return {ReadResult::Status::ConnectionLost, {}};
      }
      if (d.faults.garbageNextAnswer) {
        d.faults.garbageNextAnswer = false;
        result.data = d.garbage();
      }
      if (d.faults.overlongAnswer > 0) {
        const size_t size = std::min(d.faults.overlongAnswer, kMaxOverlongAnswer);
        d.faults.overlongAnswer = 0;
        if (result.data.size() < size)
          result.data.insert(result.data.size() - 1, size - result.data.size(), ' ');
      }
      return result;
    }
    if (now >= deadline) return {ReadResult::Status::Timeout, {}};
    auto wakeAt = deadline;
    if (!output.empty() && !d.faults.stalled) wakeAt = std::min(wakeAt, output.front().readyAt);
    d.answerReady.wait_until(lock, wakeAt);
  }
}

void Counter::clear() { clear(kDefaultLink); }

void Counter::clear(LinkId link) {
  std::lock_guard lock(impl_->mutex);
  Impl& d = *impl_;
  // This link's held messages, its waiting message and its answers go; other links keep theirs.
  std::erase_if(d.input, [&](const auto& held) { return held.first == link; });
  if (d.suspended && d.suspended->link == link) {
    d.suspended.reset();
    d.pump();
  }
  if (const auto own = d.links.find(link); own != d.links.end()) own->second.clear();
  d.opcArmed = false;
  d.answerReady.notify_all();
}

void Counter::goToLocal() {
  std::lock_guard lock(impl_->mutex);
  impl_->remote = false;
  impl_->localState = "LOC";
}

void Counter::externalTrigger() {
  std::lock_guard lock(impl_->mutex);
  Impl& d = *impl_;
  if (!d.pending) return;
  d.pending = false;
  d.takeReading();
  d.unfetched = true;
  d.completeOperation();
  // Running continuously, the counter arms the next measurement at once.
  if (d.externallyArmed() && d.settings.flag("INIT:CONT")) {
    d.pending = true;
    d.measurementStart = Clock::now();
  }
  d.pump();
  d.answerReady.notify_all();
}

void Counter::setFaults(const Faults& faults) {
  std::lock_guard lock(impl_->mutex);
  impl_->faults = faults;
  impl_->answerReady.notify_all();  // the end of a stall lets waiting answers out
}

Faults Counter::faults() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->faults;
}

void Counter::setCommandLog(std::function<void(std::string_view)> log) {
  std::lock_guard lock(impl_->mutex);
  impl_->log = std::move(log);
}

std::vector<std::pair<std::string, std::string>> Counter::settings() const {
  std::lock_guard lock(impl_->mutex);
  std::vector<std::pair<std::string, std::string>> out;
  out.emplace_back("FUNC", impl_->function.text());
  for (const auto& [key, value] : impl_->settings.values()) out.emplace_back(key, value);
  out.emplace_back("SYST:COMM:RLST", impl_->localState);
  return out;
}

std::string Counter::setting(const std::string& key) const {
  // Input 1 and CALCulate1 may also be named with their suffix ("INP1:IMP").
  std::string normal = key;
  for (const char* prefix : {"EVEN1:", "INP1:", "CALC1:"}) {
    const std::string p(prefix);
    if (normal.rfind(p, 0) == 0) normal = p.substr(0, p.size() - 2) + normal.substr(p.size() - 1);
  }
  for (const auto& [k, v] : settings()) {
    if (k == normal) return v;
  }
  return {};
}

std::vector<std::string> Counter::pendingErrors() const {
  std::lock_guard lock(impl_->mutex);
  std::vector<std::string> out;
  for (int code : impl_->errors) out.push_back(scpiErrorEntry(code));
  return out;
}

bool Counter::remote() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->remote;
}

int Counter::inputCount() const { return impl_->signals.inputs(); }

bool Counter::setSignalConnected(int input, bool connected) {
  std::lock_guard lock(impl_->mutex);
  InputSignal* in = impl_->signals.input(input);
  if (!in) return false;
  in->connected = connected;
  return true;
}

bool Counter::signalConnected(int input) const {
  std::lock_guard lock(impl_->mutex);
  const InputSignal* in = impl_->signals.input(input);
  return in && in->connected;
}

bool Counter::setSignalFrequency(int input, double hertz) {
  std::lock_guard lock(impl_->mutex);
  InputSignal* in = impl_->signals.input(input);
  if (!in || !(hertz > 0) || !std::isfinite(hertz)) return false;
  in->frequency = hertz;
  return true;
}

void Counter::reset() {
  std::lock_guard lock(impl_->mutex);
  Impl& d = *impl_;
  d.resetInstrument(false);
  d.signals.reset();
  d.errors.clear();
  d.esr = d.ese = d.sre = 0;
  d.remote = false;
  d.localState = "REM";
  d.input.clear();
  d.suspended.reset();
  for (auto& [link, output] : d.links) output.clear();
  d.faults = {};
  d.completions = 0;
  d.answerReady.notify_all();
}

bool Counter::answerExpected() const { return answerExpected(kDefaultLink); }

bool Counter::answerExpected(LinkId link) const {
  std::lock_guard lock(impl_->mutex);
  const Impl& d = *impl_;
  if (!d.outputOf(link).empty()) return true;
  if (d.suspended && d.suspended->link == link) {
    if (!d.suspended->answers.empty()) return true;
    for (size_t i = d.suspended->next; i < d.suspended->units.size(); ++i) {
      if (d.suspended->units[i].query) return true;
    }
  }
  for (const auto& [from, message] : d.input) {
    if (from == link && message.find('?') != std::string::npos) return true;
  }
  return false;
}

void Counter::reportInputOverrun() {
  std::lock_guard lock(impl_->mutex);
  impl_->pushError(scpi_error::kInputBufferOverrun);
}

}  // namespace sim
