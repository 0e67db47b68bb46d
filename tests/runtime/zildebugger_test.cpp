// The `debugger` class and its monitor, driven over real sockets on 127.0.0.1: a test client
// connects to the monitor and console ports while the script runs on a second thread, types
// commands and reads what the monitor answers. Programs are assembled by hand, so every call
// form of the instruction set can be stepped over.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "zil_test_support.h"
#include "zildebugger.h"

namespace {

using namespace ziltest;

// A port p whose successor is free too; the servers bind them with SO_REUSEADDR right after.
int freePortPair() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    int a = socket(AF_INET, SOCK_STREAM, 0), b = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof at;
    int port = 0;
    if (bind(a, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
        getsockname(a, reinterpret_cast<sockaddr*>(&at), &length) == 0) {
      port = ntohs(at.sin_port);
      at.sin_port = htons(static_cast<uint16_t>(port + 1));
      if (port >= 65534 || bind(b, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0)
        port = 0;
    }
    close(a);
    close(b);
    if (port)
      return port;
  }
  return 0;
}

int connectWithin(int port, int seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0)
      return fd;
    close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return -1;
}

// Everything up to and including `end`, or what came until the connection closed or 10 s passed.
std::string readUntil(int fd, const std::string& end) {
  std::string text;
  while (text.size() < end.size() || text.compare(text.size() - end.size(), end.size(), end) != 0) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0)
      break;
    char c;
    if (recv(fd, &c, 1, 0) != 1)
      break;
    text += c;
  }
  return text;
}

class DebuggerTest : public ZILFixture {
 protected:
  void SetUp() override {
    ZILFixture::SetUp();
    port = freePortPair();
    ASSERT_GT(port, 0);
    ASSERT_EQ(ZILDebuggerSetPort(port), 0);
    ASSERT_EQ(ZILRegisterNativeType(ps, ZILDebuggerTypeProc), 0);
    ZILTypeInfo ti{};
    ASSERT_EQ(ZILAddName(ps, "debugger", &ti.pName), 0);
    ti.family = ZIL_FAMILY_CLASS;
    ti.isNative = 1;
    ti.copyConstructor = -1;
    ti.offsetVtab = -1;
    ASSERT_EQ(ZILAddType(ps, &ti, &dbg), 0);
  }
  void TearDown() override {
    closeClients();
    if (script.joinable())
      script.join();
    ZILDebuggerSetPort(-1);
    ZILFixture::TearDown();
  }

  // Runs the code from its first word on a thread and connects both clients; returns the
  // monitor's greeting up to the first prompt.
  std::string start(Assembler& a) {
    ZILLong address = a.commit();
    prepare();
    script = std::thread([this, address] { result = ZILRunAddress(ps, address); });
    monitor = connectWithin(port, 10);
    console = connectWithin(port + 1, 10);
    EXPECT_GE(monitor, 0);
    EXPECT_GE(console, 0);
    return readUntil(monitor, "[mon] ");
  }
  // Types a command and returns the answer up to the next prompt.
  std::string type(const std::string& line) {
    std::string text = line + "\n";
    EXPECT_EQ(send(monitor, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
    return readUntil(monitor, "[mon] ");
  }
  // Types a command that ends the session; returns the run's result.
  ZILError finish(const std::string& line) {
    std::string text = line + "\n";
    send(monitor, text.data(), text.size(), MSG_NOSIGNAL);
    closeClients();
    script.join();
    return result;
  }
  void closeClients() {
    for (int* fd : {&monitor, &console})
      if (*fd >= 0) {
        close(*fd);
        *fd = -1;
      }
  }
  std::string listing(ZILLong address) {
    ZILChar line[ZIL_LISTING_LINE];
    EXPECT_GT(ZILListInstruction(ps, address, line), 0);
    return line;
  }
  static std::string exceptionLine(ZILLong address) {
    return "EXCEPTION 1010 (BREAK EXCEPTION) AT " + std::to_string(address) + "\n";
  }
  // output(text): the argument goes on the data stack.
  void output(Assembler& a, const char* text) {
    ZILLong k = -1;
    ASSERT_EQ(ZILAddConstantString(ps, text, &k), 0);
    a.op("moveh", {dh(k), r(2)}).op("push", {r(2)}).op("calln", {ziltest::type(dbg), imm(1)}).op("pop");
  }
  void setMember(ZILHandle* object, int n, ZILHandle* value) {
    ZILHandle** slot = ZILInstanceMembers(static_cast<ZILInstance*>(object->payload.p)) + n;
    ZILRelease(ps, *slot);
    *slot = value;
  }
  void breakHere(Assembler& a, const std::string& name) { a.label(name).op("calln", {ziltest::type(dbg), imm(0)}); }

  int port = 0;
  ZILLong dbg = 0;
  int monitor = -1, console = -1;
  std::thread script;
  ZILError result = -1;
};

TEST_F(DebuggerTest, BreakGreetsShowsTheCallAndContinuesAfterIt) {
  Assembler a(ps);
  output(a, "before the break");
  breakHere(a, "brk");
  a.op("ldz", {r(5)}).op("ret");
  std::string greeting = start(a);
  std::string banner = "*** ZILDebugger library version 1.0.3.2 ***\n";
  EXPECT_EQ(greeting, banner + "\nConnected to ZILConsole client on port " + std::to_string(port) +
                          "\n\n\x1b"
                          "El\x1b"
                          "c1\x1b"
                          "K0\x1b"
                          "XTOP" +
                          exceptionLine(a.at("brk")) + listing(a.at("brk")) + "\n[mon] ");
  EXPECT_EQ(readUntil(console, "\n"), "before the break\n") << "output written before the console client came";
  EXPECT_EQ(type("i"), listing(a.at("brk")) + "\n[mon] ");
  EXPECT_EQ(type("E"), exceptionLine(a.at("brk")) + "[mon] ") << "commands ignore case";
  EXPECT_EQ(type("w"),
            "\x1b"
            "C\x1b"
            "H[mon] ");
  EXPECT_EQ(type("noesc"), "[mon] ");
  EXPECT_EQ(type("w"), "[mon] ") << "no escapes after noesc";
  EXPECT_NE(type("help").find("Monitor commands:\n? <op>       Evaluate operand"), std::string::npos);
  EXPECT_EQ(finish("c"), 0);
  EXPECT_EQ(intOf(5), 0) << "the code after the break ran";
}

TEST_F(DebuggerTest, QuitEndsTheRunWithTheBreakCode) {
  Assembler a(ps);
  breakHere(a, "brk");
  a.op("ldz", {r(5)}).op("ret");
  start(a);
  EXPECT_EQ(finish("q"), ZIL_EXC_Break);
  EXPECT_EQ(reg(5)->type, ZIL_TYPE_NULL) << "nothing after the break ran";
  recover();
}

TEST_F(DebuggerTest, ShowsRegistersHandlesStackStateAndNames) {
  ZILLong cls = addClass("Pair", 2);
  Assembler a(ps);
  a.op("push", {r(3)});
  breakHere(a, "brk");
  a.op("pop").op("ret");
  prepare();
  setInt(3, 42);
  setFloat(4, 2.5);
  setString(5, "tab\there");
  setReg(6, newArrayOfInts({7, 8, 9}));
  setInt(7, 1);
  ZILHandle* pair = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &pair), 0);
  setMember(pair, 1, ZILNewInt(ps, -5));
  setReg(8, pair);
  start(a);
  std::string regs = type("lr");
  EXPECT_NE(regs.find("r3 : int 42\n"), std::string::npos) << regs;
  EXPECT_NE(regs.find("r4 : float 2.5\n"), std::string::npos);
  EXPECT_NE(regs.find("r5 : string \"tab\\x09here\"\n"), std::string::npos);
  EXPECT_NE(regs.find("r6 : array [3]\n"), std::string::npos);
  EXPECT_NE(regs.find("r8 : <Pair>\n"), std::string::npos);
  EXPECT_NE(regs.find("r31: null\n"), std::string::npos);
  std::string intDisplay = "type:        1 [int]\nrefcount:    ";
  struct Case {
    const char* command;
    const char* expected;  // a part of the answer
  } cases[] = {
      {"r 3", "data:        42\npName:            int\nfamily:           integral\n"},
      {"r 4", "data:        2.5\n"},
      {"r 5", "string:      \"tab\\x09here\"\nsize:        8\n"},
      {"r 6", "type:        5 [array]\nrefcount:    1\nsize:        3\n"},
      {"? r3", "data:        42\n"},
      {"? (r6+r7)", "data:        8\n"},
      {"? (r8 + 1)", "data:        -5\n"},
      {"? (sp+0)", "data:        42\n"},
      {"r $1f", "type:        0 [null]\n"},
      {"? (sp+99999999999)", "?\n"},
      {"? (sp+-1)", "?\n"},
      {"? (r6+r3)", "?\n"},
      {"? (r8+2)", "?\n"},
      {"? r32", "?\n"},
      {"? junk", "?\n"},
      {"r 32", "r: register 32 is outside 0..31\n"},
      {"r -1", "r: register -1 is outside 0..31\n"},
      {"r", "r: missing register\n"},
      {"h -1", "outside"},
      {"h 99999999999", "outside"},
      {"s", "ZIL virtual machine state ["},
      {"s",
       "----------------------------------------------------------------\nDataSP  CallSP  PC      Excep   E T I S\n"},
      {"s", "UseHand MaxHand\n"},
      {"d -1 4", "d: offset -1 is outside"},
      {"d 0 0", "d: count 0 is outside"},
      {"d 99999999 1", "outside"},
  };
  for (const Case& c : cases) {
    std::string answer = type(c.command);
    EXPECT_NE(answer.find(c.expected), std::string::npos) << c.command << " answered\n" << answer;
  }
  // The pool: the handle in r3 is shown by its index; a free one is refused.
  ZILLong index = ZILHandleIndex(ps, reg(3));
  EXPECT_NE(type("h " + std::to_string(index)).find("data:        42\n"), std::string::npos);
  ZILLong freeIndex = -1;
  for (ZILLong i = 0; i < ps->handleCapacity && freeIndex < 0; ++i)
    if (ps->handles[i]->refCount == 0)
      freeIndex = i;
  ASSERT_GE(freeIndex, 0);
  EXPECT_EQ(type("h " + std::to_string(freeIndex)),
            "h: handle " + std::to_string(freeIndex) + " is not in use\n[mon] ");
  const auto* names = static_cast<const unsigned char*>(ps->names.base);
  char expected[128];
  snprintf(expected, sizeof expected, "00000001 %2.2x %2.2x                                           ..\n", names[1],
           names[2]);
  if (names[1] >= 32 && names[2] >= 32)
    snprintf(expected + 57, sizeof expected - 57, "%c%c\n", names[1], names[2]);
  EXPECT_EQ(type("d 1 2"), std::string(expected) + "[mon] ");
  std::string dump = type("d 0 100000000");
  EXPECT_LE(dump.size(), static_cast<size_t>(ps->names.count / 16 + 2) * 75) << "clipped at the used size";
  EXPECT_EQ(finish("c"), 0);
}

TEST_F(DebuggerTest, ListsCodeAndStopsAtAnUnknownOpcode) {
  Assembler a(ps);
  breakHere(a, "brk");
  a.op("ldz", {r(5)}).label("mid").op("incl", {r(5)}).op("ret").label("bad").word(999);
  start(a);
  std::string all = listing(a.at("brk")) + "\n" + listing(a.at("brk") + 3) + "\n" + listing(a.at("mid")) + "\n" +
                    listing(a.at("mid") + 2) + "\n";
  EXPECT_EQ(type("l " + std::to_string(a.at("brk"))),
            all + "ERROR IN INSTRUCTION TABLE OR INVALID INSTRUCTION!\n[mon] ");
  EXPECT_EQ(type("l " + std::to_string(a.at("mid")) + " " + std::to_string(a.at("mid"))),
            listing(a.at("mid")) + "\n[mon] ");
  EXPECT_EQ(type("l " + std::to_string(a.at("mid") + 1)),
            "l: no instruction starts at " + std::to_string(a.at("mid") + 1) + "\n[mon] ");
  EXPECT_NE(type("l -3").find("outside"), std::string::npos);
  EXPECT_NE(type("l " + std::to_string(a.at("mid")) + " " + std::to_string(a.at("brk"))).find("outside"),
            std::string::npos);
  std::string trace = type("lc");
  EXPECT_NE(trace.find("native_entry_point()"), std::string::npos) << trace;
  EXPECT_NE(type("lc -1").find("outside"), std::string::npos);
  EXPECT_EQ(finish("q"), ZIL_EXC_Break);
  recover();
}

// Breakpoints accept only instruction starts; a hit stops before the instruction, which runs
// once execution continues; stout stops at the caller's next instruction.
TEST_F(DebuggerTest, BreakpointsStopBeforeTheirInstructionAndStepOutReturns) {
  Assembler a(ps);
  breakHere(a, "brk");
  a.op("ldz", {r(5)}).label("call").op("jsr", {addressOf("sub")}).label("after").op("ret");
  a.label("sub").op("incl", {r(5)}).label("sub2").op("incl", {r(5)}).op("ret");
  start(a);
  const std::string at = std::to_string(a.at("sub"));
  struct Case {
    std::string command;
    std::string answer;
  } cases[] = {
      {"sbp " + at, "1\n"},
      {"sbp " + at, "-1\n"},                                // already set
      {"sbp " + std::to_string(a.at("call") + 1), "-1\n"},  // inside the jsr
      {"sbp -1", "-1\n"},
      {"sbp 99999999999999", "-1\n"},
      {"sbp $7fffffff", "-1\n"},
      {"sbp " + std::to_string(ps->code.count), "-1\n"},
      {"sbp " + std::to_string(a.at("sub2")), "2\n"},
      {"cbp " + std::to_string(a.at("sub2")), "2\n"},
      {"cbp " + std::to_string(a.at("sub2")), "-1\n"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(type(c.command), c.answer + "[mon] ") << c.command;
  EXPECT_NE(ZILCode(ps)[a.at("sub")], ZOP_BRK) << "breakpoints are out of the code while the monitor runs";
  std::string hit = type("c");
  EXPECT_NE(hit.find(exceptionLine(a.at("sub")) + listing(a.at("sub")) + "\n"), std::string::npos) << hit;
  EXPECT_EQ(intOf(5), 0) << "stopped before the instruction";
  hit = type("stout");
  EXPECT_NE(hit.find(exceptionLine(a.at("after"))), std::string::npos) << hit;
  EXPECT_EQ(intOf(5), 2) << "the instruction under the breakpoint ran";
  EXPECT_EQ(finish("c"), 0);
}

// Step-over runs every call form whole and stops at the next instruction.
TEST_F(DebuggerTest, StepOverStepsOverEveryCallForm) {
  ZILLong cls = addClass("Holder", 1);
  Assembler a(ps);
  breakHere(a, "brk");
  a.label("c0").op("jsr", {addressOf("sub")});
  a.label("c1").op("jsr", {r(4)});
  a.label("c2").op("jsr", {rd(8, 0)});
  a.label("c3").op("jsr", {rr(6, 7)});
  a.op("push", {r(4)}).label("c4").op("jsr", {sd(0)}).label("c5").op("pop");
  a.label("c6").op("calls", {imm(0)});
  a.label("c7").op("calldg", {r(9)});
  a.label("c8").op("callm", {ziltest::type(cls), imm(0)});
  a.label("c9").op("ldz", {r(10)});
  a.label("end").op("ret");
  a.label("sub").op("incl", {r(3)}).op("ret");
  ZILLong address = a.commit();
  ZILLong subIndex = addFunction("sub", cls, a.at("sub"), 3);
  ASSERT_EQ(subIndex, 0);
  ZILTypes(ps)[cls].methodCount = 1;
  ASSERT_EQ(ZILAddNameBytes(ps, &subIndex, sizeof subIndex, &ZILTypes(ps)[cls].offsetVtab), 0);
  prepare();
  setInt(3, 0);
  setInt(4, a.at("sub"));
  setReg(6, newArrayOfInts({a.at("sub")}));
  setInt(7, 0);
  ZILHandle* holder = nullptr;
  ASSERT_EQ(ZILNewInstance(ps, cls, &holder), 0);
  setMember(holder, 0, ZILNewInt(ps, a.at("sub")));
  setReg(8, holder);
  ZILHandle* dg = nullptr;
  ASSERT_EQ(ZILNewDelegate(ps, ZIL_TYPE_DELEGATE, subIndex, nullptr, &dg), 0);
  setReg(9, dg);
  ZILAddRef(holder);
  setReg(0, holder);
  script = std::thread([this, address] { result = ZILRunAddress(ps, address); });
  monitor = connectWithin(port, 10);
  console = connectWithin(port + 1, 10);
  readUntil(monitor, "[mon] ");
  // One stovr per instruction from c0 on; each call runs sub once and stops right after it.
  ZILLong expected = 0;
  for (ZILLong at = a.at("c0"); at < a.at("c9");) {
    const ZILOpcodeInfo* info = ZILGetOpcodeInfo(ZILCode(ps)[at]);
    ASSERT_NE(info, nullptr);
    bool call = std::string(info->mnemonic) != "push" && std::string(info->mnemonic) != "pop";
    std::string answer = type("stovr");
    at += info->length;
    expected += call ? 1 : 0;
    EXPECT_NE(answer.find(exceptionLine(at)), std::string::npos) << info->mnemonic << ": " << answer;
    EXPECT_EQ(intOf(3), expected) << info->mnemonic << " at " << at - info->length;
  }
  EXPECT_EQ(finish("c"), 0);
  EXPECT_EQ(intOf(10), 0);
}

TEST_F(DebuggerTest, InputReturnsTheLineWithoutItsCarriageReturn) {
  Assembler a(ps);
  a.op("calln", {ziltest::type(dbg), imm(2)}).op("move", {r(1), r(5)}).op("ret");
  ZILLong address = a.commit();
  prepare();
  script = std::thread([this, address] { result = ZILRunAddress(ps, address); });
  console = connectWithin(port + 1, 10);
  ASSERT_GE(console, 0);
  EXPECT_EQ(readUntil(console, "INPUT> "), "INPUT> ");
  send(console, "typed text\r\n", 12, MSG_NOSIGNAL);
  script.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(stringOf(reg(5)), "typed text");
}

TEST_F(DebuggerTest, ALostOrHostileClientAbortsTheRunAndTheProcessLivesOn) {
  for (const char* last : {"", "POST / HTTP/1.1"}) {
    Assembler a(ps);
    breakHere(a, "brk");
    a.op("ldz", {r(5)}).op("ret");
    if (ps->initialized) {  // second round: the monitor waits for a new client
      ZILLong address = a.commit();
      script = std::thread([this, address] { result = ZILRunAddress(ps, address); });
      monitor = connectWithin(port, 10);
      readUntil(monitor, "[mon] ");
    } else {
      start(a);
    }
    if (*last) {
      std::string line = std::string(last) + "\r\n";
      send(monitor, line.data(), line.size(), MSG_NOSIGNAL);
      script.join();
    } else {
      shutdown(monitor, SHUT_RDWR);
      script.join();
    }
    EXPECT_EQ(result, ZIL_EXC_Break) << (*last ? last : "disconnect");
    close(monitor);
    monitor = -1;
    recover();
  }
}

TEST_F(DebuggerTest, ListingFileIsAPlainListingNameInTheCurrentFolder) {
  namespace fs = std::filesystem;
  char pattern[] = "/tmp/zildebugger_test_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path dir = pattern;
  fs::path previous = fs::current_path();
  fs::current_path(dir);
  std::ofstream(dir / "other.lst") << "not ours\n";
  fs::create_symlink(dir / "other.lst", dir / "link.lst");
  Assembler a(ps);
  breakHere(a, "brk");
  a.op("ret");
  start(a);
  for (const char* name : {"../up.lst", "/tmp/abs.lst", "code.txt", ".hidden.lst", "sub/x.lst", "link.lst"})
    EXPECT_EQ(type(std::string("lf ") + name).rfind("lf: ", 0), 0u) << name;
  EXPECT_EQ(type("lf code.lst"), "Code listed to code.lst\n[mon] ");
  EXPECT_EQ(type("lf code.lst"), "Code listed to code.lst\n[mon] ") << "a listing replaces the one before";
  EXPECT_EQ(finish("c"), 0);
  std::ifstream in(dir / "code.lst");
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, listing(a.at("brk")));
  std::ifstream other(dir / "other.lst");
  std::getline(other, first);
  EXPECT_EQ(first, "not ours") << "the link's target is untouched";
  EXPECT_FALSE(fs::exists(dir.parent_path() / "up.lst"));
  fs::current_path(previous);
  fs::remove_all(dir);
}

TEST_F(DebuggerTest, OutputWaitingForTheConsoleIsBounded) {
  std::string big(40000, 'x');
  Assembler a(ps);
  output(a, big.c_str());
  output(a, big.c_str());
  output(a, "last");
  breakHere(a, "brk");
  a.op("ret");
  start(a);
  std::string received = readUntil(console, "last\n");
  EXPECT_LE(received.size(), 65536u);
  EXPECT_EQ(received.substr(received.size() - 5), "last\n") << "the newest output is kept";
  EXPECT_EQ(finish("c"), 0);
}

TEST(DebuggerClass, UnregisteringGivesTheVectorsBack) {
  ZILState* ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  auto host = [](ZILState*) {
  };
  for (ZILExceptionVector& v : ps->vectors)
    v = host;
  NTLInstance inst{0, 0, ps, "debugger"};
  ASSERT_EQ(ZILDebuggerTypeProc(&inst, NTL_Initialize, 0, nullptr, nullptr), 0);
  for (ZILExceptionVector v : ps->vectors)
    EXPECT_NE(v, static_cast<ZILExceptionVector>(host));
  ASSERT_EQ(ZILDebuggerTypeProc(nullptr, NTL_Unregister, 0, ps, nullptr), 0);
  for (ZILExceptionVector v : ps->vectors)
    EXPECT_EQ(v, static_cast<ZILExceptionVector>(host));
  EXPECT_EQ(ZILDebuggerSetPort(65535), ZIL_ERR_Illegal_Argument);
  EXPECT_EQ(ZILDebuggerSetPort(-2), ZIL_ERR_Illegal_Argument);
  ZILTerminate(ps);
}

}  // namespace
