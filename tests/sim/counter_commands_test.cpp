#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/counter.h"

namespace {

using namespace std::chrono_literals;
using sim::Counter;
using sim::CounterOptions;
using sim::Model;
using sim::ReadResult;

CounterOptions modelOptions(Model model) {
  CounterOptions options;
  options.model = model;
  return options;
}

std::string ask(Counter& counter, std::string_view query) {
  counter.write(query);
  const ReadResult r = counter.read(2s);
  EXPECT_EQ(r.status, ReadResult::Status::Ok) << query;
  return r.data;
}

// The configuration commands a front panel sends to the V3800A at the start of a run, in
// every form it sends them (values filled in as a user would type them).
const std::vector<const char*> kFullModelProgram = {
    "FUNC 'FREQ 1'",
    "FUNC 'FREQ 2'",
    "FUNC 'FREQ 3'",
    "CONF:FREQ:RAT (@1),(@2)",
    "CONF:FREQ:RAT (@1),(@3)",
    "CONF:FREQ:RAT (@2),(@1)",
    "CONF:FREQ:RAT (@3),(@1)",
    "CONF:PER (@1)",
    "CONF:PER (@2)",
    "CONF:PER (@3)",
    "CONF:RTIM",
    "CONF:FTIM",
    "CONF:PWID",
    "CONF:NWID",
    "CONF:TINT",
    "CONF:VOLT:PTP (@1)",
    "CONF:VOLT:MAX (@1)",
    "CONF:VOLT:MIN (@1)",
    "CONF:VOLT:CENT (@1)",
    "CONF:VOLT:PTP (@2)",
    "CONF:VOLT:MAX (@2)",
    "CONF:VOLT:MIN (@2)",
    "CONF:VOLT:CENT (@2)",
    "VOLT:MODE SLOW",
    "VOLT:MODE FAST",
    "CONF:PHAS",
    "CONF:DCYC",
    "CONF:TOTalize:TIMED (@1)",
    "ROSC:SOURCE:AUTO ON",
    "ROSC:SOURCE INT",
    "ROSC:SOURCE EXT",
    "FREQuency:ARM:STARt:SOURce IMM",
    "FREQuency:ARM:STOP:SOURce TIMer",
    "FREQuency:ARM:STOP:TIMer 1",
    "FREQuency:ARM:STOP:TIMer 0.001",
    "FREQuency:ARM:STOP:TIMer 0.5",
    "FREQuency:ARM:STARt:SOURce EXTernal",
    "FREQuency:ARM:STARt:SLOPe POSitive",
    "FREQuency:ARM:STARt:SLOPe NEGative",
    "FREQuency:ARM:STOP:SOURce IMM",
    "FREQuency:ARM:STOP:SOURce EXTernal",
    "FREQuency:ARM:STOP:SLOPe POSitive",
    "FREQuency:ARM:STOP:SLOPe NEGative",
    "FREQuency:ARM:STOP:TIMer 2S",
    "PHASe:ARM:STARt:SOURce IMMediate",
    "PHASe:ARM:STARt:SOURce EXTernal",
    "PHASe:ARM:STARt:SLOPe POSitive",
    "PHASe:ARM:STARt:SLOPe NEGative",
    "TINTerval:ARM:STARt:SOURce IMM",
    "TINTerval:ARM:STARt:SOURce EXTernal",
    "TINTerval:ARM:STARt:SLOPe POSitive",
    "TINTerval:ARM:STARt:SLOPe NEGative",
    "TOTalize:ARM:STOP:TIMer 1S",
    "TOTalize:ARM:STARt:SOURce IMM",
    "TOTalize:ARM:STARt:SOURce EXTernal",
    "TOTalize:ARM:STARt:SLOPe POSitive",
    "TOTalize:ARM:STARt:SLOPe NEGative",
    "TOTalize:ARM:STOP:SOURce EXTernal",
    "TOTalize:ARM:STOP:SLOPe POSitive",
    "TOTalize:ARM:STOP:SLOPe NEGative",
    "TOTalize:ARM:STOP:SOURce TIMer",
    "TOTalize:ARM:STOP:TIMer 0.25S",
    ":TINTerval:ARM:ESTART:LAYer2:SOURce IMM",
    ":TINTerval:ARM:ESTART:LAYer1:SOURce IMM",
    ":TINTerval:ARM:ESTOP:LAYer2:SOURce IMM",
    ":TINTerval:ARM:ESTART:LAYer2:SOURce EXT",
    ":TINTerval:ARM:ESTART:LAYer1:SOURce TIM",
    ":TINTerval:ARM:ESTART:LAYer1:SOURce INTernal1",
    ":TINTerval:ARM:ESTOP:LAYer2:SOURce EXT",
    "TINTerval:ARM:ESTART:TIMer 0.999",
    "TINTerval:ARM:ESTART:TIMer 0.0000001",
    "TINTerval:ARM:ESTARt:ECOunt 99999999",
    "TINTerval:ARM:ESTARt:ECOunt 1",
    "TINTerval:ARM:ESTART:LAYer2:SLOPe POSitive",
    "TINTerval:ARM:ESTART:LAYer2:SLOPe NEGative",
    "TINTerval:ARM:ESTOP:LAYer2:SLOPe POSitive",
    "TINTerval:ARM:ESTOP:LAYer2:SLOPe NEGative",
    ":TINTerval:ARM:ESTOP:LAYer1:SOURce IMM",
    ":TINTerval:ARM:ESTOP:LAYer1:SOURce TIM",
    "TINTerval:ARM:ESTOP:TIMer 0.5",
    ":TINTerval:ARM:ESTOP:LAYer1:SOURce INTernal2",
    "TINTerval:ARM:ESTOP:ECOunt 12",
    "CALCulate2:LIMit:STATe ON",
    "CALCulate2:LIMit:UPPer 10 KHZ",
    "CALCulate2:LIMit:LOWer 10000.000000 uHZ",
    "CALCulate2:LIMit:UPPer 0HZ",
    "CALCulate2:LIMit:UPPer 5 MHZ",
    "CALCulate2:LIMit:LOWer 3  HZ",
    "CALCulate2:LIMit:UPPer 10 pS",
    "CALCulate2:LIMit:UPPer 10 nS",
    "CALCulate2:LIMit:UPPer 10 uS",
    "CALCulate2:LIMit:UPPer 10 mS",
    "CALCulate2:LIMit:LOWer 10  S",
    "CALCulate2:LIMit:LOWer 0S",
    "CALCulate2:LIMit:UPPer 90  Deg",
    "CALCulate2:LIMit:LOWer 0Deg",
    "CALCulate2:LIMit:UPPer 50.0000000000000000",
    "CALCulate2:LIMit:LOWer 0.0000050000000000",
    "INIT:AUTO OFF",
    "INIT:AUTO ON",
    "CALCulate2:LIMit:STATe OFF",
    "SYST:COMM:SER:CONT:DTR LIM",
    "SYST:COMM:SER:SOUR USB",
    "SYST:COMM:SER:SOUR DB9",
    "SYST:COMM:SER:CONT:DTR OFF",
    "CALC:MATH:STATE ON",
    "TRACE SCALE,1.0000000000000000",
    "TRACE SCALE,0.0000000000000000",
    "TRACE SCALE,0.0050000000000000",
    "TRACE SCALE,5000000.0000000000000000",
    "TRACE OFFSET,0.0HZ",
    "TRACE OFFSET,5 KHZ",
    "TRACE OFFSET,5000.000000 KHZ",
    "TRACE OFFSET,1000.000000 uHZ",
    "TRACE OFFSET,2 nS",
    "TRACE OFFSET,0.0S",
    "TRACE OFFSET,0.5  Deg",
    "TRACE OFFSET,0.0000000000000000",
    "CALC:MATH:STATE OFF",
    "CALC3:AVER:STATE ON",
    "CALC3:AVERAGE:TYPE Meas",
    "CALC3:AVERAGE:TYPE SDEV",
    "CALC3:AVERAGE:TYPE MAX",
    "CALC3:AVERAGE:TYPE MIN",
    "CALC3:AVERAGE:TYPE MEAN",
    "CALC3:AVERAGE:TYPE Delta",
    "CALC3:AVER:COUNT 2",
    "CALC3:AVER:COUNT 100",
    "CALCulate3:LFILter:STATe OFF",
    "CALCulate3:LFILter:STATe ON",
    "TRIGger:COUNt:AUTO OFF",
    "TRIGger:COUNt:AUTO ON",
    "CALC3:AVER:STATE OFF",
    "EVEN:LEV:AUTO 1",
    "EVEN:LEV:REL 0",
    "EVEN:LEV:REL 50",
    "EVEN:LEV:REL 100",
    "EVEN:LEV:AUTO 0",
    "EVEN:LEV:ABS 0",
    "EVEN:LEV:ABS 5.125",
    "EVEN:LEV:ABS -51.25",
    "EVEN:SLOP POS",
    "EVEN:SLOP NEG",
    "EVEN:HYST:REL 0",
    "EVEN:HYST:REL 50",
    "EVEN:HYST:REL 100",
    "INP:COUP AC",
    "INP:COUP DC",
    "INP:IMP 1000000",
    "INP:IMP 50",
    "INP:ATT 10",
    "INP:ATT 1",
    "INP:FILT 1",
    "INP:FILT 0",
    "EVEN2:LEV:AUTO 1",
    "EVEN2:LEV:REL 30",
    "EVEN2:LEV:AUTO 0",
    "EVEN2:LEV:ABS 1.5",
    "EVEN2:SLOP POS",
    "EVEN2:SLOP NEG",
    "EVEN2:HYST:REL 0",
    "EVEN2:HYST:REL 50",
    "EVEN2:HYST:REL 100",
    "INP2:COUP AC",
    "INP2:COUP DC",
    "INP2:IMP 1000000",
    "INP2:IMP 50",
    "INP2:ATT 10",
    "INP2:ATT 1",
    "INP2:FILT 1",
    "INP2:FILT 0",
    "EVENt2:FEED \"INPut2\"",
    "EVENt2:FEED \"INPut1\"",
    "TOTalize:ARM:STARt:SOURce IMM",
    "FUNC 'FREQ 1'",
    "FREQuency:ARM:STARt:SOURce IMM",
    "INIT:CONT ON",
};

// The same for the V3820A: input 1 only; frequency, period, voltage and totalize.
const std::vector<const char*> kCompactModelProgram = {
    "FUNC 'FREQ 1'",
    "CONF:PER (@1)",
    "CONF:VOLT:PTP (@1)",
    "CONF:VOLT:MAX (@1)",
    "CONF:VOLT:MIN (@1)",
    "CONF:VOLT:CENT (@1)",
    "VOLT:MODE SLOW",
    "VOLT:MODE FAST",
    "CONF:TOTalize:TIMED (@1)",
    "ROSC:SOURCE:AUTO ON",
    "ROSC:SOURCE INT",
    "ROSC:SOURCE EXT",
    "FREQuency:ARM:STARt:SOURce IMM",
    "FREQuency:ARM:STOP:SOURce TIMer",
    "FREQuency:ARM:STOP:TIMer 0.1",
    "FREQuency:ARM:STARt:SOURce EXTernal",
    "FREQuency:ARM:STARt:SLOPe POSitive",
    "FREQuency:ARM:STARt:SLOPe NEGative",
    "FREQuency:ARM:STOP:SOURce IMM",
    "FREQuency:ARM:STOP:SOURce EXTernal",
    "FREQuency:ARM:STOP:SLOPe POSitive",
    "FREQuency:ARM:STOP:SLOPe NEGative",
    "FREQuency:ARM:STOP:TIMer 3S",
    "TOTalize:ARM:STOP:TIMer 0.1S",
    "TOTalize:ARM:STARt:SOURce IMM",
    "TOTalize:ARM:STARt:SOURce EXTernal",
    "TOTalize:ARM:STARt:SLOPe POSitive",
    "TOTalize:ARM:STARt:SLOPe NEGative",
    "TOTalize:ARM:STOP:SOURce EXTernal",
    "TOTalize:ARM:STOP:SLOPe POSitive",
    "TOTalize:ARM:STOP:SLOPe NEGative",
    "TOTalize:ARM:STOP:SOURce TIMer",
    "CALCulate2:LIMit:STATe ON",
    "CALCulate2:LIMit:UPPer 10 KHZ",
    "CALCulate2:LIMit:LOWer 0HZ",
    "CALCulate2:LIMit:UPPer 10 uS",
    "CALCulate2:LIMit:LOWer 0S",
    "CALCulate2:LIMit:STATe OFF",
    "INIT:AUTO OFF",
    "INIT:AUTO ON",
    "CALC:MATH:STATE OFF",
    "CALC3:AVER:STATE OFF",
    "CALC:MATH:STATE ON",
    "TRACE SCALE,2.0000000000000000",
    "TRACE OFFSET,0HZ",
    "TRACE OFFSET,5 KHZ",
    "TRACE OFFSET,2 uS",
    "TRACE OFFSET,0S",
    "EVEN:LEV:AUTO 1",
    "EVEN:LEV:REL 50",
    "EVEN:LEV:AUTO 0",
    "EVEN:LEV:ABS -5.125",
    "EVEN:SLOP POS",
    "EVEN:SLOP NEG",
    "EVEN:HYST:REL 0",
    "EVEN:HYST:REL 50",
    "EVEN:HYST:REL 100",
    "INP:COUP AC",
    "INP:COUP DC",
    "INP:IMP 1000000",
    "INP:IMP 50",
    "INP:ATT 10",
    "INP:ATT 1",
    "INP:FILT 1",
    "INP:FILT 0",
    "FREQuency:ARM:STARt:SOURce IMM",
    "FUNC 'FREQ 1'",
    "INIT:CONT ON",
};

void expectProgramAccepted(Model model, const std::vector<const char*>& program) {
  Counter counter(modelOptions(model));
  for (const char* command : program) {
    counter.write(command);
    EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{}) << command;
  }
  // The reading queries of a run and of the shutdown that follows it.
  for (const char* query : {"fetch?\n", "calc:data?", "*IDN?", "*IDN?\n"}) {
    EXPECT_FALSE(ask(counter, query).empty()) << query;
  }
  counter.write("INIT:CONT OFF");
  counter.write(std::string_view("syst:comm:rlst loc\0", 19));
  EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{});
  EXPECT_FALSE(counter.remote());
}

TEST(CounterCommands, FullModelAcceptsTheWholeRunStartProgram) {
  expectProgramAccepted(Model::V3800A, kFullModelProgram);
}

TEST(CounterCommands, CompactModelAcceptsItsRunStartProgram) {
  expectProgramAccepted(Model::V3820A, kCompactModelProgram);
}

TEST(CounterCommands, LoggingClientTrafficIsAcceptedOnBothModels) {
  for (Model model : {Model::V3800A, Model::V3820A}) {
    Counter counter(modelOptions(model));
    EXPECT_EQ(ask(counter, "*esr?"), "+0\n");
    EXPECT_NE(ask(counter, "*idn?").find(model == Model::V3800A ? "V3800A" : "V3820A"),
              std::string::npos);
    EXPECT_EQ(ask(counter, "func?"), "\"FREQ\"\n");
    counter.write("init:cont on");
    EXPECT_NE(ask(counter, "fetch?").find("E+007"), std::string::npos);
    counter.write("freq:arm:sour imm");
    EXPECT_EQ(ask(counter, "freq:arm:sour?"), "IMM\n");
    EXPECT_EQ(ask(counter, "*OPC?"), "1\n");
    counter.write("init:cont off");
    EXPECT_EQ(ask(counter, "syst:err?"), "+0,\"No error\"\n");
    EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{});
  }
  Counter full;
  for (const char* root : {"tint", "phas"}) {
    full.write(std::string(root) + ":arm:sour ext");
    EXPECT_EQ(ask(full, std::string(root) + ":arm:sour?"), "EXT\n") << root;
    full.write(std::string(root) + ":arm:sour imm");
    EXPECT_EQ(ask(full, std::string(root) + ":arm:sour?"), "IMM\n") << root;
  }
  EXPECT_EQ(full.pendingErrors(), std::vector<std::string>{});
}

TEST(CounterCommands, CompactModelRejectsOtherInputsAndFunctions) {
  struct Case {
    const char* command;
    const char* error;
  } cases[] = {
      {"FUNC 'FREQ 2'", "-224,\"Illegal parameter value\""},
      {"FUNC 'TINT'", "-224,\"Illegal parameter value\""},
      {"CONF:PER (@2)", "-224,\"Illegal parameter value\""},
      {"CONF:VOLT:PTP (@2)", "-224,\"Illegal parameter value\""},
      {"CONF:FREQ:RAT (@1),(@2)", "-113,\"Undefined header\""},
      {"CONF:RTIM", "-113,\"Undefined header\""},
      {"CONF:PHAS", "-113,\"Undefined header\""},
      {"TINTerval:ARM:STARt:SOURce IMM", "-113,\"Undefined header\""},
      {"PHASe:ARM:STARt:SOURce IMMediate", "-113,\"Undefined header\""},
      {"SYST:COMM:SER:SOUR USB", "-113,\"Undefined header\""},
      {"EVEN2:SLOP POS", "-114,\"Header suffix out of range\""},
      {"INP2:COUP AC", "-114,\"Header suffix out of range\""},
      {"EVENt2:FEED \"INPut2\"", "-113,\"Undefined header\""},
  };
  for (const Case& c : cases) {
    Counter counter(modelOptions(Model::V3820A));
    counter.write(c.command);
    EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{c.error}) << c.command;
    EXPECT_EQ(counter.setting("FUNC"), "FREQ 1") << c.command;
  }
}

TEST(CounterCommands, ReportsStandardErrorsForBadCommands) {
  struct Case {
    const char* name;
    std::vector<const char*> commands;
    const char* error;
  } cases[] = {
      {"unknown header", {"FOO:BAR 1"}, "-113,\"Undefined header\""},
      {"query form that does not exist", {"INIT?"}, "-113,\"Undefined header\""},
      {"command form of a query", {"FETCH"}, "-113,\"Undefined header\""},
      {"syntax", {"FREQ::ARM"}, "-102,\"Syntax error\""},
      {"missing parameter", {"FREQ:ARM:STAR:SOUR"}, "-109,\"Missing parameter\""},
      {"parameter too many", {"INP:COUP AC,DC"}, "-108,\"Parameter not allowed\""},
      {"parameter on a query", {"*IDN? 1"}, "-108,\"Parameter not allowed\""},
      {"unknown word", {"INP:COUP XYZ"}, "-141,\"Invalid character data\""},
      {"number out of range", {"EVEN:LEV:ABS 60"}, "-222,\"Data out of range\""},
      {"gate below its range", {"FREQ:ARM:STOP:TIM 0.0001"}, "-222,\"Data out of range\""},
      {"register out of range", {"*ESE 300"}, "-222,\"Data out of range\""},
      {"wrong unit", {"FREQ:ARM:STOP:TIM 10 KHZ"}, "-131,\"Invalid suffix\""},
      {"unit where none belongs", {"INIT:CONT 1 V"}, "-138,\"Suffix not allowed\""},
      {"value not offered", {"INP:ATT 5"}, "-224,\"Illegal parameter value\""},
      {"unknown function", {"FUNC 'FOO 1'"}, "-224,\"Illegal parameter value\""},
      {"input 4", {"FUNC 'FREQ 4'"}, "-224,\"Illegal parameter value\""},
      {"ratio of one input", {"CONF:FREQ:RAT (@1),(@1)"}, "-224,\"Illegal parameter value\""},
      {"function not quoted", {"FUNC FREQ"}, "-104,\"Data type error\""},
      {"input without conditioning", {"EVEN3:SLOP POS"}, "-114,\"Header suffix out of range\""},
      {"no such calculate block", {"CALC4:MATH:STAT ON"}, "-114,\"Header suffix out of range\""},
      {"mnemonic too long", {"ABCDEFGHIJKLMNOP"}, "-112,\"Program mnemonic too long\""},
      {"control character", {"INP:COUP \x01"}, "-101,\"Invalid character\""},
      {"no reading yet", {"*RST", "fetch?"}, "-230,\"Data corrupt or stale\""},
      {"statistics off", {"calc3:data?"}, "-221,\"Settings conflict\""},
      {"answer never read", {"*IDN?", "*IDN?"}, "-410,\"Query INTERRUPTED\""},
      {"init twice while armed",
       {"INIT:CONT OFF", "FREQ:ARM:STAR:SOUR EXT", "INIT", "INIT"},
       "-213,\"Init ignored\""},
  };
  for (const Case& c : cases) {
    Counter counter;
    for (const char* command : c.commands) counter.write(command);
    EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{c.error}) << c.name;
    while (counter.read(0ms).status == ReadResult::Status::Ok) {
    }
    EXPECT_EQ(ask(counter, "SYST:ERR?"), std::string(c.error) + "\n") << c.name;
    EXPECT_EQ(ask(counter, "SYST:ERR?"), "+0,\"No error\"\n") << c.name;
  }
}

TEST(CounterCommands, ErrorsSetTheirEventStatusBits) {
  Counter counter;
  counter.write("FOO");              // command error, bit 5
  counter.write("EVEN:LEV:ABS 99");  // execution error, bit 4
  counter.write("*IDN?");
  counter.write("*ESE 255");                  // interrupts the unread answer: query error, bit 2
  EXPECT_EQ(ask(counter, "*STB?"), "+36\n");  // error queue (4) + event summary (32)
  EXPECT_EQ(ask(counter, "*ESR?"), "+52\n");
  EXPECT_EQ(ask(counter, "*ESR?"), "+0\n");
  counter.write("*CLS");
  EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{});
}

TEST(CounterCommands, ErrorQueueIsBoundedAndEndsWithOverflow) {
  Counter counter;
  for (int i = 0; i < 100; ++i) counter.write("BOGUS");
  const auto errors = counter.pendingErrors();
  ASSERT_EQ(errors.size(), 30u);
  EXPECT_EQ(errors.front(), "-113,\"Undefined header\"");
  EXPECT_EQ(errors.back(), "-350,\"Queue overflow\"");
}

TEST(CounterCommands, AcceptsAnyLetterCaseAndLongOrShortForms) {
  struct Case {
    const char* command;
    const char* key;
    const char* value;
  } cases[] = {
      {"inp:coup dc", "INP:COUP", "DC"},
      {"INPUT:COUPLING DC", "INP:COUP", "DC"},
      {"Input1:Coupling dc", "INP:COUP", "DC"},
      {":SENSE:EVENT2:SLOPE NEGATIVE", "EVEN2:SLOP", "NEG"},
      {"sens:even2:slop neg", "EVEN2:SLOP", "NEG"},
      {"even:lev:abs 1.5", "EVEN:LEV:ABS", "1.5"},
      {"EVENt1:LEVel 250 mV", "EVEN:LEV:ABS", "0.25"},
      {"calculate3:average:type sdeviation", "CALC3:AVER:TYPE", "SDEV"},
      {"calc3:aver:type delt", "CALC3:AVER:TYPE", "DELT"},
      {"calc3:aver:coun 1e3", "CALC3:AVER:COUN", "1000"},
      {"freq:arm:stop:tim 500 ms", "FREQ:ARM:STOP:TIM", "0.5"},
      {"init:cont off", "INIT:CONT", "0"},
      {"INIT:CONT 1", "INIT:CONT", "1"},
      {"rosc:sour ext", "ROSC:SOUR", "EXT"},
      {"syst:comm:ser:cont:dtr limit", "SYST:COMM:SER:CONT:DTR", "LIM"},
      {"even2:feed 'input1'", "EVEN2:FEED", "INP1"},
      {"even2:feed INP1", "EVEN2:FEED", "INP1"},
      {"inp:imp 1 MOHM", "INP:IMP", "1000000"},
      {"inp2:imp MIN", "INP2:IMP", "50"},
      {"tint:arm:estar:lay2:sour ext", "TINT:ARM:STAR:SOUR", "EXT"},
      {"trace offset,-2.5 KHZ", "TRAC:OFFS", "-2500"},
      {"TRAC:DATA SCAL,0.5", "TRAC:SCAL", "0.5"},
      {"func \"PERiod 2\"", "FUNC", "PER 2"},
      {"sens:func 'freq:rat 3,1'", "FUNC", "FREQ:RAT 3,1"},
      {"conf:scal:per (@3)", "FUNC", "PER 3"},
      {"CONFIGURE:VOLTAGE:PTPEAK (@2)", "FUNC", "VOLT:PTP 2"},
      {"conf:freq 10 MHZ,1 HZ,(@2)", "FUNC", "FREQ 2"},
  };
  for (const Case& c : cases) {
    Counter counter;
    counter.write(c.command);
    EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{}) << c.command;
    EXPECT_EQ(counter.setting(c.key), c.value) << c.command;
  }
}

TEST(CounterCommands, HeadersAfterSemicolonContinueThePreviousPath) {
  Counter counter;
  counter.write("FREQ:ARM:STAR:SOUR EXT;SLOP NEG;:INP:COUP DC;IMP 50;*CLS;ATT 10");
  EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{});
  EXPECT_EQ(counter.setting("FREQ:ARM:STAR:SOUR"), "EXT");
  EXPECT_EQ(counter.setting("FREQ:ARM:STAR:SLOP"), "NEG");
  EXPECT_EQ(counter.setting("INP:COUP"), "DC");
  EXPECT_EQ(counter.setting("INP:IMP"), "50");
  EXPECT_EQ(counter.setting("INP:ATT"), "10");
  // A header that does not fit the path is taken from the root.
  counter.write("INP:COUP AC;INIT:CONT OFF");
  EXPECT_EQ(counter.pendingErrors(), std::vector<std::string>{});
  EXPECT_EQ(counter.setting("INIT:CONT"), "0");
}

TEST(CounterCommands, QueriesAnswerTheSettingsInShortForm) {
  Counter counter;
  counter.write("FREQ:ARM:STOP:TIM 0.5;:INP:IMP 50;:EVEN2:SLOP NEG;:CALC3:AVER:COUN 12");
  EXPECT_EQ(ask(counter, "FREQ:ARM:STOP:TIM?"), "+5.00000000000E-001\n");
  EXPECT_EQ(ask(counter, "FREQ:ARM:STOP:TIM? MAX"), "+1.00000000000E+003\n");
  EXPECT_EQ(ask(counter, "INP:IMP?"), "+5.00000000000E+001\n");
  EXPECT_EQ(ask(counter, "EVEN2:SLOP?"), "NEG\n");
  EXPECT_EQ(ask(counter, "CALC3:AVER:COUN?"), "+12\n");
  EXPECT_EQ(ask(counter, "INIT:CONT?"), "1\n");
  EXPECT_EQ(ask(counter, "*IDN?;INP:IMP?;EVEN2:SLOP?"),
            "ORVALENT,V3800A,SIM3800A01,1.1.2;+5.00000000000E+001;NEG\n");
  EXPECT_EQ(ask(counter, "CONF?"), "\"FREQ (@1)\"\n");
  EXPECT_EQ(ask(counter, "SYST:COMM:RLST?"), "REM\n");
}

TEST(CounterCommands, FunctionQueryNamesWhatALoggingClientClassifies) {
  struct Case {
    const char* command;
    const char* answer;
    const char* dump;
  } cases[] = {
      {"FUNC 'FREQ 1'", "\"FREQ\"\n", "FREQ 1"},
      {"FUNC 'FREQ 2'", "\"FREQ 2\"\n", "FREQ 2"},
      {"FUNC 'FREQ 3'", "\"FREQ 3\"\n", "FREQ 3"},
      {"CONF:PER (@1)", "\"PER\"\n", "PER 1"},
      {"CONF:PER (@3)", "\"PER 3\"\n", "PER 3"},
      {"CONF:FREQ:RAT (@1),(@2)", "\"FREQ:RAT\"\n", "FREQ:RAT 1,2"},
      {"CONF:FREQ:RAT (@2),(@1)", "\"FREQ:RAT 2,1\"\n", "FREQ:RAT 2,1"},
      {"CONF:FREQ:RAT (@1),(@3)", "\"FREQ:RAT 1,3\"\n", "FREQ:RAT 1,3"},
      {"CONF:FREQ:RAT (@3),(@1)", "\"FREQ:RAT 3,1\"\n", "FREQ:RAT 3,1"},
      {"CONF:PHAS", "\"PHAS\"\n", "PHAS 1,2"},
      {"CONF:RTIM", "\"RTIM\"\n", "RTIM 1"},
      {"CONF:FTIM", "\"FTIM\"\n", "FTIM 1"},
      {"CONF:PWID", "\"PWID\"\n", "PWID 1"},
      {"CONF:NWID", "\"NWID\"\n", "NWID 1"},
      {"CONF:DCYC", "\"DCYC\"\n", "DCYC 1"},
      {"CONF:TINT", "\"TINT\"\n", "TINT 1,2"},
      {"CONF:VOLT:PTP (@2)", "\"VOLT:PTP 2\"\n", "VOLT:PTP 2"},
      {"CONF:TOTalize:TIMED (@1)", "\"TOT:TIM\"\n", "TOT:TIM 1"},
  };
  for (const Case& c : cases) {
    Counter counter;
    counter.write(c.command);
    EXPECT_EQ(ask(counter, "func?"), c.answer) << c.command;
    EXPECT_EQ(counter.setting("FUNC"), c.dump) << c.command;
  }
}

TEST(CounterCommands, SettingsDumpShowsARatioRunWithLimits) {
  Counter counter;
  for (const char* command :
       {"CONF:FREQ:RAT (@1),(@3)", "FREQuency:ARM:STARt:SOURce IMM",
        "FREQuency:ARM:STOP:SOURce TIMer", "FREQuency:ARM:STOP:TIMer 0.01",
        "CALCulate2:LIMit:STATe ON", "CALCulate2:LIMit:UPPer 10 KHZ",
        "CALCulate2:LIMit:LOWer 10000.000000 uHZ", "INIT:AUTO OFF", "SYST:COMM:SER:CONT:DTR LIM",
        "SYST:COMM:SER:SOUR DB9", "CALC:MATH:STATE OFF", "CALC3:AVER:STATE OFF", "INIT:CONT ON"}) {
    counter.write(command);
  }
  const auto dump = counter.settings();
  auto value = [&](const std::string& key) {
    for (const auto& [k, v] : dump) {
      if (k == key) return v;
    }
    return std::string("<missing>");
  };
  EXPECT_EQ(value("FUNC"), "FREQ:RAT 1,3");
  EXPECT_EQ(value("FREQ:ARM:STOP:SOUR"), "TIM");
  EXPECT_EQ(value("FREQ:ARM:STOP:TIM"), "0.01");
  EXPECT_EQ(value("CALC2:LIM:STAT"), "1");
  EXPECT_EQ(value("CALC2:LIM:UPP"), "10000");
  EXPECT_EQ(value("CALC2:LIM:LOW"), "0.01");
  EXPECT_EQ(value("INIT:AUTO"), "0");
  EXPECT_EQ(value("SYST:COMM:SER:CONT:DTR"), "LIM");
  EXPECT_EQ(value("SYST:COMM:SER:SOUR"), "DB9");
  EXPECT_EQ(value("INIT:CONT"), "1");
  EXPECT_EQ(counter.setting("CALC1:MATH:STAT"), "0");
  EXPECT_EQ(counter.setting("NO:SUCH:KEY"), "");
}

TEST(CounterCommands, AbsoluteLevelSwitchesTheAutomaticLevelOff) {
  Counter counter;
  EXPECT_EQ(counter.setting("EVEN2:LEV:AUTO"), "1");
  counter.write("EVEN2:LEV:ABS -0.5");
  EXPECT_EQ(counter.setting("EVEN2:LEV:AUTO"), "0");
  EXPECT_EQ(counter.setting("EVEN:LEV:AUTO"), "1");
}

TEST(CounterCommands, ResetRestoresDefaultsButKeepsTheErrorQueue) {
  Counter counter;
  counter.write("BOGUS;:INP:COUP DC;:FUNC 'FREQ 3'");
  counter.write("*RST");
  EXPECT_EQ(counter.setting("INP:COUP"), "AC");
  EXPECT_EQ(counter.setting("FUNC"), "FREQ 1");
  EXPECT_EQ(counter.setting("INIT:CONT"), "0");
  EXPECT_EQ(counter.pendingErrors().size(), 1u);
  counter.reset();
  EXPECT_EQ(counter.setting("INIT:CONT"), "1");
  EXPECT_TRUE(counter.pendingErrors().empty());
}

TEST(CounterCommands, IdentifiesModelAndSerial) {
  Counter full;
  EXPECT_EQ(full.identification(), "ORVALENT,V3800A,SIM3800A01,1.1.2");
  EXPECT_EQ(full.usbResourceName(), "USB0::0x2B7A::0x0ED8::SIM3800A01::INSTR");
  Counter compact(CounterOptions{Model::V3820A, "SN00012345", 5});
  EXPECT_EQ(ask(compact, "*IDN?"), "ORVALENT,V3820A,SN00012345,1.1.2\n");
  EXPECT_EQ(compact.usbResourceName(), "USB0::0x2B7A::0x0EEC::SN00012345::INSTR");
  EXPECT_THROW(Counter(CounterOptions{Model::V3800A, "SHORT", 1}), std::invalid_argument);
  EXPECT_THROW(Counter(CounterOptions{Model::V3800A, "SN,0001234", 1}), std::invalid_argument);
}

TEST(CounterCommands, GoesRemoteOnTrafficAndLocalOnRequest) {
  Counter counter;
  EXPECT_FALSE(counter.remote());
  counter.write("*CLS");
  EXPECT_TRUE(counter.remote());
  counter.goToLocal();
  EXPECT_FALSE(counter.remote());
  counter.write("*CLS");
  counter.write(std::string_view("syst:comm:rlst loc\0", 19));
  EXPECT_FALSE(counter.remote());
  EXPECT_EQ(counter.setting("SYST:COMM:RLST"), "LOC");
}

TEST(CounterCommands, CommandLogSeesEveryMessage) {
  Counter counter;
  std::vector<std::string> seen;
  counter.setCommandLog([&](std::string_view m) { seen.emplace_back(m); });
  counter.write("*IDN?");
  counter.write("fetch?\n");
  counter.write("BOGUS");
  EXPECT_EQ(seen, (std::vector<std::string>{"*IDN?", "fetch?\n", "BOGUS"}));
}

}  // namespace
