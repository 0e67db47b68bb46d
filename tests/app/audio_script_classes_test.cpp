// The audio classes Bass, Channel and Sample, through a runtime with its compiler and through
// the records behind them, on the engine's silent device: whole-file loading and its memory,
// class information and registration, Init counting per runtime, file streams, module music,
// samples with several voices, and radio streams from the engine tests' server (ICY and Ogg
// titles, meta counting, background connecting, titles read and channels freed while the
// metadata sync runs).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "app/audio_file_input.h"
#include "app/audio_script_classes.h"
#include "app/audio_script_types.h"
#include "app/zbass.h"
#include "app/zchannel.h"
#include "app/zsample.h"
#include "app_test_support.h"
#include "audio_script_fixture.h"
#include "zentra/compiler/zclstate.h"
#include "zilcompiler.h"

using namespace ZTools;
using apptest::AudioScriptTest;
using audiotest::waitFor;

namespace {

// Files in memory, read through the same callback shape as the runtime's file input; counts
// allocations so a test can see that every block went back.
struct MemoryFiles {
  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<ZILLong> readSizes;
  int allocs = 0, frees = 0, failAlloc = -1, failReadAt = -1;

  struct Open {
    const std::vector<uint8_t>* data;
    size_t at;
  };

  ZAudioHost Host() {
    ZAudioHost h;
    h.fileInput = [this](int op, const char* name, void* buffer, ZILLong size, void** file, ZILLong* done) -> ZILError {
      if (op == ZAudioHost::kOpen) {
        auto it = name ? files.find(name) : files.end();
        if (it == files.end())
          return ZIL_ERR_Unspecified;
        *file = new Open{&it->second, 0};
        return 0;
      }
      auto* f = static_cast<Open*>(*file);
      if (op == ZAudioHost::kClose) {
        delete f;
        *file = nullptr;
        return 0;
      }
      readSizes.push_back(size);
      if (static_cast<int>(readSizes.size()) - 1 == failReadAt)
        return ZIL_ERR_Unspecified;
      size_t n = std::min(static_cast<size_t>(size), f->data->size() - f->at);
      if (n)
        std::memcpy(buffer, f->data->data() + f->at, n);
      f->at += n;
      *done = static_cast<ZILLong>(n);
      return 0;
    };
    h.alloc = [this](size_t size) -> void* {
      if (allocs++ == failAlloc)
        return nullptr;
      return std::malloc(size);
    };
    h.free = [this](void* p) {
      ++frees;
      std::free(p);
    };
    return h;
  }
};

// What a runtime's file input reads (in the player: the skin package).
MemoryFiles* gServed = nullptr;

ZILError ServeFromMemory(ZILState*, ZILLong op, const ZILChar* name, void* buffer, ZILLong size, void** file,
                         ZILLong* done) {
  return gServed->Host().fileInput(static_cast<int>(op), name, buffer, size, file, done);
}

std::string Tone(double seconds = 2) {
  return audiotest::makeAudio("app-tone" + std::to_string(static_cast<int>(seconds * 10)) + ".wav",
                              "-f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) + " -ac 2");
}

const char* Text(NTLTypeProc proc, ZILLong msg) {
  ZILUnknown* out = nullptr;
  return proc(nullptr, msg, 0, nullptr, &out) == 0 && out ? static_cast<const char*>(out) : nullptr;
}

// The one radio server of this process, started when a test first needs it.
audiotest::TestServer* Radio() {
  static std::unique_ptr<audiotest::TestServer> server(apptest::startRadioServer());
  return server.get();
}

}  // namespace

// --- Whole-file loading and the records' memory ------------------------------------------------

TEST(AudioFileInputTest, ReadsWholeFilesInChunksAtEveryBoundary) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{65531}, size_t{65532}, size_t{65533}, size_t{3 * 65532}, size_t{200000}}) {
    MemoryFiles m;
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    m.files["sounds\\x.wav"] = bytes;
    ZAudioBuffer buf;
    {
      ZAudioHost host = m.Host();
      ASSERT_EQ(ZLoadAudioFile(host, "sounds\\x.wav", buf), 0) << size;
      ASSERT_EQ(buf.Size(), size);
      if (size) {
        EXPECT_EQ(std::memcmp(buf.Data(), bytes.data(), size), 0) << size;
      }
      EXPECT_EQ(m.readSizes.size(), size / 65532 + 1) << "reads until a short one";
      for (ZILLong s : m.readSizes)
        EXPECT_EQ(s, 65532);
      EXPECT_EQ(m.allocs - m.frees, 1) << "only the result is left";
      buf.Release();
    }
    EXPECT_EQ(m.allocs, m.frees);
  }
}

TEST(AudioFileInputTest, FailuresAnswer1100AndFreeEveryBlock) {
  MemoryFiles m;
  m.files["f"] = std::vector<uint8_t>(150000, 1);
  ZAudioHost host = m.Host();
  ZAudioBuffer buf;
  EXPECT_EQ(ZLoadAudioFile(host, nullptr, buf), ZIL_ERR_Unspecified);
  EXPECT_EQ(ZLoadAudioFile(host, "", buf), ZIL_ERR_Unspecified);
  EXPECT_EQ(ZLoadAudioFile(host, "missing", buf), ZIL_ERR_Unspecified);
  for (int failAt = 0; failAt < 4; ++failAt) {  // each block, then the result buffer
    m.failAlloc = failAt;
    m.allocs = m.frees = 0;
    EXPECT_EQ(ZLoadAudioFile(host, "f", buf), ZIL_ERR_Unspecified) << failAt;
    EXPECT_TRUE(buf.Empty());
    EXPECT_EQ(m.allocs - 1, m.frees) << "all blocks freed after failing allocation " << failAt;
  }
  m.failAlloc = -1;
  m.failReadAt = 1;
  m.readSizes.clear();
  m.allocs = m.frees = 0;
  EXPECT_EQ(ZLoadAudioFile(host, "f", buf), ZIL_ERR_Unspecified);
  EXPECT_EQ(m.allocs, m.frees);
  // The standard host reads real files.
  EXPECT_EQ(ZLoadAudioFile(ZDefaultAudioHost(), Tone().c_str(), buf), 0);
  EXPECT_GT(buf.Size(), 44u);
  EXPECT_EQ(ZLoadAudioFile(ZDefaultAudioHost(), "/nonexistent/file.wav", buf), ZIL_ERR_Unspecified);
}

TEST(ChannelTest, LevelWords) {
  EXPECT_EQ(ZLevelFromWord(0xFFFFFFFFu, false), 0.0f);
  EXPECT_EQ(ZLevelFromWord(0xFFFFFFFFu, true), 0.0f);
  EXPECT_EQ(ZLevelFromWord(0x8000, false), 1.0f);
  EXPECT_EQ(ZLevelFromWord(0x40000000u | 0x4000, true), 0.5f);
  EXPECT_EQ(ZLevelFromWord(0x00004000u, true), 0.0f);
}

class AudioRecordsTest : public apptest::EngineTest {};

// A file stream keeps its file's copy while it lives; a module and a refused file give theirs
// back at once, a sample when it is freed.
TEST_F(AudioRecordsTest, FileMemoryGoesBackWhenTheEngineIsDoneWithIt) {
  MemoryFiles m;
  m.files["tone.wav"] = audiotest::readFile(Tone());
  m.files["tune.mod"] = audiotest::makeModule("Tune");
  m.files["junk"] = std::vector<uint8_t>(5000, 0x5a);
  ZAudioHost host = m.Host();
  ZChannel refused, music;
  EXPECT_EQ(refused.StreamCreateFile(host, "junk", 0), 0) << "a refusal is not a failed call";
  EXPECT_EQ(refused.Handle(), 0u);
  EXPECT_EQ(m.allocs, m.frees) << "the refused file";
  ASSERT_EQ(music.MusicLoad(host, "tune.mod", 0), 0);
  ASSERT_NE(music.Handle(), 0u) << ZBass::GetError();
  EXPECT_EQ(m.allocs, m.frees) << "the module, right after loading";
  {
    ZSample s;
    ASSERT_EQ(s.Load(host, "tone.wav", 1, 0), 0);
    EXPECT_GT(m.allocs, m.frees);
    s.Free();
    EXPECT_EQ(m.allocs, m.frees) << "the freed sample";
  }
  {
    ZChannel c;
    ASSERT_EQ(c.StreamCreateFile(host, "tone.wav", 1), 0);
    c.Play(0);
    EXPECT_GT(m.allocs, m.frees);
  }
  EXPECT_EQ(m.allocs, m.frees) << "the stream destroyed while playing";
  ZChannel none;
  none.StreamCreateURL(nullptr);
  EXPECT_EQ(none.Handle(), 0u);
}

// --- The classes through a runtime -------------------------------------------------------------

class AudioClassesTest : public AudioScriptTest {
 protected:
  void Serve() {
    gServed = &files;
    ps->fileInput = ServeFromMemory;
  }
  MemoryFiles files;
};

TEST(AudioScriptTypesTest, ObjectsComeOnlyFromTheAudioFunctions) {
  // Scripts cannot make Bass, Channel or Sample objects with `new`; the equalizer has no
  // static functions; unknown messages are refused.
  for (NTLTypeProc proc : {BassTypeProc, ChannelTypeProc, SampleTypeProc}) {
    ZILUnknown* out = nullptr;
    EXPECT_EQ(proc(nullptr, NTL_NewObject, 0, nullptr, &out), ZIL_ERR_Unsupported_Native_Call);
    EXPECT_EQ(proc(nullptr, 99, 0, nullptr, nullptr), ZIL_ERR_Unsupported_Native_Call);
  }
  EXPECT_EQ(DspEffectEQTypeProc(nullptr, NTL_CallStatic, 0, nullptr, nullptr), ZIL_ERR_Invalid_Function_Index);
  EXPECT_STREQ(Text(BassTypeProc, NTL_GetPackageString), "Channel, Sample");
  EXPECT_STREQ(Text(DspEffectEQTypeProc, NTL_GetBaseName), "DspEffect");
}

TEST(AudioScriptTypesTest, RegistrationNeedsACompilerAndHappensOnce) {
  EXPECT_EQ(RegisterAudioScriptClasses(nullptr), ZIL_ERR_Illegal_Argument);
  ZILState* ps = ZILInitialize();
  ASSERT_NE(ps, nullptr);
  EXPECT_EQ(RegisterAudioScriptClasses(ps), ZIL_ERR_No_Compiler);
  ASSERT_EQ(ZILInitializeCompiler(ps), 0);
  ps->log = [](ZILState*, const ZILChar*) {
  };
  EXPECT_EQ(RegisterAudioScriptClasses(ps), 0);
  EXPECT_EQ(RegisterAudioScriptClasses(ps), ZIL_ERR_Register_Native_Type_Failed);
  EXPECT_EQ(ps->nativeCount >= 4, true);
  ZILTerminate(ps);
}

TEST_F(AudioClassesTest, DeclaredConstantsAndFunctionNumbers) {
  ASSERT_TRUE(Load(R"(
import Bass;
import DspEffectEQ;
function int constants() { return Bass::ERROR_UNKNOWN * 1000 + Channel::kAttribPan * 100 + Bass::ERROR_ENDED; }
)"));
  EXPECT_EQ(CallInt("constants"), -1000 + 300 + 45);
  ZCLState* st = ZCLGetState(ps);
  auto cls = [&](const char* name) -> ZCLClass* {
    ZCLTypeDesc d;
    return ZCLLookupTypeName(st, name, &d) ? st->classes[d.type].get() : nullptr;
  };
  auto constants = [&](const char* name) {
    std::string out;
    for (const ZCLMember& m : cls(name)->members)
      if (m.type.isConst && m.constKind == 1)
        out += m.name + "=" + std::to_string(m.intValue) + " ";
    return out;
  };
  auto number = [&](const char* name, const char* function, size_t overload = 0) {
    for (auto& f : cls(name)->funcs)
      if (f->name == function && overload-- == 0)
        return static_cast<int>(f->memberIndex);
    return -1;
  };
  for (const char* name : {"Bass", "Channel", "Sample", "DspEffectEQ", "DspEffect"})
    ASSERT_NE(cls(name), nullptr) << name;
  EXPECT_EQ(constants("Bass"),
            "OK=0 ERROR_MEM=1 ERROR_FILEOPEN=2 ERROR_DRIVER=3 ERROR_BUFLOST=4 ERROR_HANDLE=5 ERROR_FORMAT=6 "
            "ERROR_POSITION=7 ERROR_INIT=8 ERROR_START=9 ERROR_ALREADY=14 ERROR_NOCHAN=18 ERROR_ILLTYPE=19 "
            "ERROR_ILLPARAM=20 ERROR_NO3D=21 ERROR_NOEAX=22 ERROR_DEVICE=23 ERROR_NOPLAY=24 ERROR_FREQ=25 "
            "ERROR_NOTFILE=27 ERROR_NOHW=29 ERROR_EMPTY=31 ERROR_NONET=32 ERROR_CREATE=33 ERROR_NOFX=34 "
            "ERROR_NOTAVAIL=37 ERROR_DECODE=38 ERROR_DX=39 ERROR_TIMEOUT=40 ERROR_FILEFORM=41 ERROR_SPEAKER=42 "
            "ERROR_VERSION=43 ERROR_CODEC=44 ERROR_ENDED=45 ERROR_UNKNOWN=-1 ");
  EXPECT_EQ(
      constants("Channel"),
      "kActiveStopped=0 kActivePlaying=1 kActiveStalled=2 kActivePaused=3 kAttribFreq=1 kAttribVol=2 kAttribPan=3 ");
  const struct {
    const char* cls;
    const char* function;
    size_t overload;
    int number;
  } numbers[] = {
      {"Bass", "Init", 0, 0},
      {"Bass", "GetFrequency", 0, 6},
      {"Bass", "ErrorText", 0, 8},
      {"Channel", "Play", 0, 0},
      {"Channel", "SetStreamMetaCount", 0, 25},
      {"Channel", "GetConnectResult", 0, 26},
      {"Sample", "Play", 0, 1},
      {"Sample", "Play", 2, 3},
      {"Sample", "Free", 0, 5},
      {"DspEffectEQ", "Detach", 0, 9},
  };
  for (const auto& n : numbers)
    EXPECT_EQ(number(n.cls, n.function, n.overload), n.number) << n.cls << "::" << n.function << " " << n.overload;
  EXPECT_EQ(ZILTypes(ps)[cls("DspEffectEQ")->typeId].baseType, cls("DspEffect")->typeId);

  // A function number outside the declared ones answers 1111.
  NTLInstance inst{TypeId("Channel"), 0, ps, "Channel"};
  ZChannel* c = ZNewChannelObject(ps);
  EXPECT_EQ(ChannelTypeProc(&inst, NTL_CallMember, 27, c, nullptr), ZIL_ERR_Invalid_Function_Index);
  EXPECT_EQ(ChannelTypeProc(&inst, NTL_CallMember, -1, c, nullptr), ZIL_ERR_Invalid_Function_Index);
  EXPECT_EQ(BassTypeProc(&inst, NTL_CallStatic, 9, nullptr, nullptr), ZIL_ERR_Invalid_Function_Index);
  ChannelTypeProc(&inst, NTL_DestroyObject, 0, c, nullptr);
}

TEST_F(AudioClassesTest, InitOnceFrequencyAfterInitAndOneDevicePerProcess) {
  ASSERT_TRUE(Load(R"(
import Bass;
function int init() { return Bass::Init(); }
function int frequency() { return Bass::GetFrequency(); }
)"));
  EXPECT_EQ(CallInt("frequency"), 0) << "before Init";
  EXPECT_NE(CallInt("init"), 0);
  EXPECT_GE(CallInt("frequency"), 20000);
  EXPECT_EQ(CallInt("init"), 0) << "a second Init does nothing";
  EXPECT_EQ(ZBass::InitCount(), 1);
  EXPECT_EQ(ZBass::CreationFlags(0), static_cast<DWORD>(BASS_SAMPLE_FLOAT)) << "the engine takes float streams";
  EXPECT_EQ(ZBass::CreationFlags(1), static_cast<DWORD>(BASS_SAMPLE_FLOAT | BASS_SAMPLE_LOOP));

  // A second runtime finds the device open: its Init answers 0, and its teardown leaves the
  // device to the runtime that opened it.
  ZILState* other = ZILInitialize();
  ASSERT_NE(other, nullptr);
  other->log = [](ZILState*, const ZILChar*) {
  };
  ASSERT_EQ(ZILInitializeCompiler(other), 0);
  ASSERT_EQ(RegisterAudioScriptClasses(other), 0);
  ASSERT_EQ(ZCLCompile(other, "other.zc", "import Bass; function int init() { return Bass::Init(); }"), 0);
  ASSERT_EQ(ZCLLink(other), 0);
  ASSERT_EQ(ZILRun(other), 0);
  ZILHandle* fn = ZILGetFunction(other, "init");
  ZILHandle* r = ZILCallFunction(other, fn, 0);
  ASSERT_TRUE(r && r->type == ZIL_TYPE_INT);
  EXPECT_EQ(r->payload.l, 0);
  NTLFreeHandle(other, r);
  NTLFreeHandle(other, fn);
  ZILTerminate(other);
  EXPECT_EQ(ZBass::InitCount(), 1);
  BASS_INFO info;
  EXPECT_TRUE(BASS_GetInfo(&info)) << "the device is still open";
  ZBass::Terminate();
  EXPECT_EQ(ZBass::InitCount(), 0);
  EXPECT_FALSE(BASS_GetInfo(&info)) << "the last terminate frees the device";
  // This runtime's teardown (in TearDown) is now one terminate too many: the count stays 0.
}

TEST_F(AudioClassesTest, FileStreamsThroughTheRuntimesFileInput) {
  files.files["music\\song.wav"] = audiotest::readFile(Tone(3));
  files.files["junk.wav"] = std::vector<uint8_t>(3000, 'j');
  Serve();
  ASSERT_TRUE(Load(R"(
import Bass;
function Channel open(const string name, const int loop) { Bass::Init(); return Bass::StreamCreateFile(name, loop); }
function string describe(Channel c) {
    return c.GetTitle() + "|" + c.GetStreamInfo() + "|" + c.GetType() + " " + c.IsActive() + " " + c.GetOrders() + " "
        + c.GetOrderPosition();
}
function float get(Channel c, const int what) {
    if (what == 0) return c.GetLevelL();
    if (what == 1) return c.GetLevelR();
    if (what == 2) return c.GetPosition();
    if (what == 3) return c.GetLength();
    if (what == 4) return c.GetFreq();
    if (what == 5) return c.GetVolume();
    return c.GetPan();
}
function act(Channel c, const int what, const float value) {
    if (what == 0) c.Play(0);
    if (what == 1) c.Pause();
    if (what == 2) c.Stop();
    if (what == 3) c.Free();
    if (what == 4) c.SetVolume(value);
    if (what == 5) c.SetPan(value);
    if (what == 6) c.PanSeparation(value);
    if (what == 7) c.SetPosition(value);
    if (what == 8) c.Slide(Channel::kAttribVol, value, 5000);
    if (what == 9) c.SetFreq(value);
}
function int sliding(Channel c) { return c.IsSliding(Channel::kAttribVol); }
function int error() { return Bass::GetError(); }
)"));
  enum {
    kLevelL,
    kLevelR,
    kPosition,
    kLength,
    kFreq,
    kVolume,
    kPan
  };
  enum {
    kPlay,
    kPause,
    kStop,
    kFree,
    kSetVolume,
    kSetPan,
    kPanSeparation,
    kSetPosition,
    kSlide,
    kSetFreq
  };
  // A file the runtime cannot read makes the call fail; one the library refuses gives an empty
  // channel and the library's reason.
  EXPECT_EQ(CallError("open", "missing.wav", 0), ZIL_ERR_Unspecified);
  ZILHandle* junk = Call("open", "junk.wav", 0);
  EXPECT_EQ(CallInt("error"), BASS_ERROR_FILEFORM);
  EXPECT_EQ(CallString("describe", junk), "||0 0 0 0");

  ZILHandle* c = Call("open", "music\\song.wav", 0);
  ASSERT_TRUE(c && c->type == TypeId("Channel")) << Describe(c) << " " << log;
  EXPECT_EQ(CallString("describe", c), "song||2 0 0 0") << "a stopped stream; module-only methods answer 0";
  EXPECT_EQ(CallFloat("get", c, kLevelL), 0.0) << "levels of a stopped channel";
  EXPECT_EQ(CallFloat("get", c, kLevelR), 0.0);
  EXPECT_NEAR(CallFloat("get", c, kLength), 3.0, 0.05);
  EXPECT_EQ(CallFloat("get", c, kFreq), 44100.0);
  Call("act", c, kSetVolume, 0.5);
  Call("act", c, kSetPan, -0.25);
  Call("act", c, kPanSeparation, 30.0);  // a module's setting: leaves a stream alone
  EXPECT_EQ(CallFloat("get", c, kVolume), 0.5);
  EXPECT_EQ(CallFloat("get", c, kPan), -0.25);
  Call("act", c, kPlay, 0.0);
  EXPECT_EQ(CallString("describe", c), "song||2 1 0 0");
  EXPECT_TRUE(
      waitFor([&] { return CallFloat("get", c, kLevelL) > 0.05 && CallFloat("get", c, kPosition) > 0.1; }, 3000));
  EXPECT_GT(CallFloat("get", c, kLevelR), 0.05);
  Call("act", c, kSlide, 1.0);
  EXPECT_EQ(CallInt("sliding", c), 1);
  Call("act", c, kSetFreq, 22050.0);
  EXPECT_EQ(CallFloat("get", c, kFreq), 22050.0);
  Call("act", c, kPause, 0.0);
  EXPECT_EQ(CallString("describe", c), "song||2 3 0 0");
  Call("act", c, kSetPosition, 0.5);
  EXPECT_NEAR(CallFloat("get", c, kPosition), 0.5, 0.02);
  Call("act", c, kStop, 0.0);
  EXPECT_EQ(CallString("describe", c), "song||2 0 0 0");
  Call("act", c, kFree, 0.0);
  EXPECT_EQ(CallString("describe", c), "||0 0 0 0");
  EXPECT_EQ(CallFloat("get", c, kVolume), 0.0) << "a freed channel's getters answer 0";
  Call("act", c, kFree, 0.0);  // twice: nothing
}

TEST_F(AudioClassesTest, ModuleMusic) {
  const std::string tune = audiotest::workDir() + "/tune.mod", junk = audiotest::workDir() + "/junk.mod";
  const std::vector<uint8_t> mod = audiotest::makeModule("tunes\\Script Tune.mod");
  std::ofstream(tune, std::ios::binary)
      .write(reinterpret_cast<const char*>(mod.data()), static_cast<std::streamsize>(mod.size()));
  std::ofstream(junk, std::ios::binary) << std::string(100, '\1');
  ASSERT_TRUE(Load(R"(
import Bass;
function string play(const string name) {
    Bass::Init();
    Channel m = Bass::MusicLoad(name, 1);
    m.PanSeparation(20.0);
    m.Play(0);
    string s = "" + m.GetType() + " " + m.GetOrders() + " " + m.GetOrderPosition() + " " + m.IsActive() + " "
        + m.GetTitle();
    m.Free();
    return s + " / " + m.GetType() + " " + m.GetOrders();
}
)"));
  EXPECT_EQ(CallString("play", tune.c_str()), "3 2 0 1 Script Tune / 0 0") << "the title is cut like a file name";
  EXPECT_EQ(CallString("play", junk.c_str()), "0 0 0 0  / 0 0") << "refused by the library";
  EXPECT_EQ(CallError("play", "no-such.mod"), ZIL_ERR_Unspecified);
}

TEST_F(AudioClassesTest, SampleWithSeveralVoices) {
  files.files["sounds\\click.wav"] = audiotest::readFile(Tone());
  Serve();
  ASSERT_TRUE(Load(R"(
import Bass;
function Sample load(const string name) { Bass::Init(); return Bass::SampleLoad(name, 3, 0); }
function Channel voice(Sample s) { return s.GetChannel(1); }
function string kinds(Channel a, Channel b, Channel c, Channel d) {
    return "" + a.GetType() + b.GetType() + c.GetType() + d.GetType();
}
function int playing(Channel a, Channel b, Channel c, Channel d) {
    int n = 0;
    if (a.IsActive() == Channel::kActivePlaying) n++;
    if (b.IsActive() == Channel::kActivePlaying) n++;
    if (c.IsActive() == Channel::kActivePlaying) n++;
    if (d.IsActive() == Channel::kActivePlaying) n++;
    return n;
}
function playAll(Channel a, Channel b, Channel c, Channel d) { a.Play(0); b.Play(0); c.Play(0); d.Play(0); }
function playSample(Sample s, const int how) {
    if (how == 1) s.Play();
    if (how == 2) s.Play(0.5, 0.0);
    if (how == 3) s.Play(22050.0, 1.0, -1.0);
}
function stop(Sample s) { s.Stop(); }
function free(Sample s) { s.Free(); }
)"));
  EXPECT_EQ(CallError("load", "sounds\\other.wav"), ZIL_ERR_Unspecified);
  ZILHandle* s = Call("load", "sounds\\click.wav");
  ASSERT_TRUE(s && s->type == TypeId("Sample")) << Describe(s);
  ZILHandle* v[4];
  for (ZILHandle*& h : v)
    h = Call("voice", s);
  EXPECT_EQ(CallString("kinds", v[0], v[1], v[2], v[3]), "1111") << "voices are kind 1, even the refused fourth";
  Call("playAll", v[0], v[1], v[2], v[3]);
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2], v[3]), 3) << "three voices at once; the fourth was refused";
  Call("playSample", s, 2);  // takes over the oldest voice
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2], v[3]), 2);
  Call("playSample", s, 3);
  Call("playSample", s, 1);
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2], v[3]), 0) << "all three taken over by the sample's own plays";
  Call("stop", s);
  Call("free", s);
  Call("playAll", v[0], v[1], v[2], v[3]);  // the sample is gone: the engine refuses, nothing breaks
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2], v[3]), 0);
}

// --- Radio streams -----------------------------------------------------------------------------

class RadioScriptTest : public AudioScriptTest {
 protected:
  void SetUp() override {
    ASSERT_NE(Radio(), nullptr) << "the radio server did not start";
    AudioScriptTest::SetUp();
    ASSERT_TRUE(Load(R"(
import Bass;
function Channel open(const string url) {
    Bass::Init();
    return Bass::StreamCreateURL(url);
}
function string title(Channel c) { return c.GetTitle(); }
function string info(Channel c) { return c.GetStreamInfo(); }
function int kind(Channel c) { return c.GetType(); }
function int error() { return Bass::GetError(); }
function play(Channel c) { c.Play(0); }
function int takeCount(Channel c) { int n = c.GetStreamMetaCount(); c.SetStreamMetaCount(0); return n; }
function int count(Channel c) { return c.GetStreamMetaCount(); }
function Channel connect(const string url) { Bass::Init(); return Bass::StreamConnectURL(url); }
function int connected(Channel c) { return c.GetConnectResult(); }
function string words(int code) { return Bass::ErrorText(code); }
)"));
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
    BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 1000);
    BASS_SetConfig(BASS_CONFIG_NET_PREBUF, 50);
  }
  static std::string Url(const std::string& path) { return Radio()->url(path); }
};

TEST_F(RadioScriptTest, IcyTitlesInfoAndMetaCounting) {
  ZILHandle* c =
      Call("open", Url("/live?file=radio.mp3&titles=Artist%20-%20Song|Next&interval=1&burst=1&metaint=4000").c_str());
  ASSERT_EQ(CallInt("kind", c), 2) << CallInt("error");
  EXPECT_EQ(CallString("title", c), "Artist - Song") << "from StreamTitle='Artist - Song';StreamUrl='';";
  std::string info = CallString("info", c);
  EXPECT_NE(info.find("icy-name: Test Radio\n"), std::string::npos) << info;
  EXPECT_NE(info.find("icy-br: 128\n"), std::string::npos) << info;
  EXPECT_EQ(CallInt("takeCount", c), 0) << "the title at creation is not a change";
  Call("play", c);
  // A script's poll: count, title, reset; every change is seen with its new title.
  std::set<std::string> seen;
  int changes = 0;
  ASSERT_TRUE(waitFor(
      [&] {
        int n = CallInt("takeCount", c);
        if (n > 0) {
          changes += n;
          seen.insert(CallString("title", c));
        }
        return seen.count("Next") && seen.count("Artist - Song");
      },
      8000))
      << "changes seen: " << changes;
  EXPECT_GE(changes, 2);
}

TEST_F(RadioScriptTest, ConnectingInTheBackgroundThenTitleAndInfo) {
  ZILHandle* c = Call("connect", Url("/live?file=radio.mp3&titles=Later%20Title&burst=1&metaint=4000").c_str());
  ASSERT_EQ(CallInt("kind", c), 2) << "a stream at once, before it is connected";
  Call("play", c);
  ASSERT_TRUE(waitFor([&] { return CallInt("connected", c) != -1; }, 5000));
  EXPECT_EQ(CallInt("connected", c), 0);
  EXPECT_EQ(CallString("title", c), "Later Title");
  EXPECT_NE(CallString("info", c).find("icy-name: Test Radio\n"), std::string::npos);

  ZILHandle* missing = Call("connect", Url("/status?code=404").c_str());
  ASSERT_TRUE(waitFor([&] { return CallInt("connected", missing) != -1; }, 5000));
  EXPECT_EQ(CallInt("connected", missing), BASS_ERROR_FILEOPEN);
  EXPECT_EQ(CallString("words", BASS_ERROR_FILEOPEN), "The station could not be reached or refused the stream");
}

TEST_F(RadioScriptTest, UnterminatedTitlesAreCountedButLeaveTheTitle) {
  // StreamTitle=' without its closing '; leaves the title as it was (never set: "").
  ZILHandle* u =
      Call("open", Url("/live?file=radio.mp3&titles=A|B&interval=0.3&burst=1&metaint=2000&meta=malformed").c_str());
  ASSERT_EQ(CallInt("kind", u), 2) << CallInt("error");
  Call("play", u);
  EXPECT_TRUE(waitFor([&] { return CallInt("count", u) >= 2; }, 8000)) << "metadata events are counted";
  EXPECT_EQ(CallString("title", u), "");
}

TEST_F(RadioScriptTest, OggCommentTitleAndRefusedAddresses) {
  ZILHandle* c = Call("open", Url("/file?file=titled.ogg&ctype=application/ogg").c_str());
  ASSERT_EQ(CallInt("kind", c), 2) << CallInt("error");
  EXPECT_EQ(CallString("title", c), "Y") << "the comment list's title=Y after ARTIST=X";

  ZILHandle* bad = Call("open", Url("/status?code=404").c_str());
  EXPECT_EQ(CallInt("kind", bad), 0);
  EXPECT_NE(CallInt("error"), BASS_OK);
  EXPECT_EQ(CallString("title", bad), "");
}

class RadioRecordsTest : public apptest::EngineTest {
 protected:
  void SetUp() override {
    ASSERT_NE(Radio(), nullptr) << "the radio server did not start";
    apptest::EngineTest::SetUp();
  }
};

TEST_F(RadioRecordsTest, TitlesAreReadWholeWhileTheSyncReplacesThem) {
  // Titles change every block of metadata; a reader must only ever see one of them whole.
  const std::string a(300, 'a'), b(700, 'b');
  ZChannel c;
  c.StreamCreateURL(
      Radio()->url("/live?file=radio.mp3&titles=" + a + "|" + b + "&interval=0.05&burst=3&metaint=500").c_str());
  ASSERT_NE(c.Handle(), 0u) << ZBass::GetError();
  c.Play(0);
  int bad = 0, reads = 0;
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  while (std::chrono::steady_clock::now() < until) {
    std::string t = c.GetTitle();
    bad += t != a && t != b;
    ++reads;
  }
  EXPECT_EQ(bad, 0) << reads << " reads";
  EXPECT_GT(c.GetStreamMetaCount(), 2);
}

TEST_F(RadioRecordsTest, FreeingWhileMetadataArrivesIsSafe) {
  for (int round = 0; round < 6; ++round) {
    auto c = std::make_unique<ZChannel>();
    c->StreamCreateURL(Radio()->url("/live?file=radio.mp3&titles=A|B|C&interval=0.02&burst=3&metaint=300").c_str());
    ASSERT_NE(c->Handle(), 0u) << ZBass::GetError();
    c->Play(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50 + 30 * round));
    if (round % 2)
      c->Free();
    c.reset();
  }
}
