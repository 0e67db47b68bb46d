// The audio classes as scripts see them, through a runtime with its compiler: class
// information and registration, Init counting per runtime, file streams and their titles,
// module music, samples with several voices, and radio streams from the engine tests' server
// (ICY titles including empty and unterminated ones, Ogg comments, meta counting, errors).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "app/audio_script_classes.h"
#include "app/audio_script_types.h"
#include "app/zbass.h"
#include "app_test_support.h"
#include "audio_script_fixture.h"
#include "zentra/compiler/zclstate.h"
#include "zilcompiler.h"
#include "tests/audio/audio_test_support.h"

using namespace ZTools;
using apptest::AudioScriptTest;

namespace {

const char* Text(NTLTypeProc proc, ZILLong msg) {
  ZILUnknown* out = nullptr;
  return proc(nullptr, msg, 0, nullptr, &out) == 0 && out ? static_cast<const char*>(out) : nullptr;
}

std::string Copy(const std::string& from, const std::string& name) {
  std::string to = apptest::scratchDir() + "/" + name;
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
  return to;
}

std::string Tone() { return apptest::makeAudio("script-tone.wav", "-f lavfi -i sine=frequency=440:duration=2 -ac 2"); }

}  // namespace

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

TEST_F(AudioScriptTest, DeclaredConstantsAndFunctionNumbers) {
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
  EXPECT_EQ(number("Bass", "Init"), 0);
  EXPECT_EQ(number("Bass", "GetFrequency"), 6);
  EXPECT_EQ(number("Channel", "Play"), 0);
  EXPECT_EQ(number("Channel", "SetStreamMetaCount"), 25);
  EXPECT_EQ(number("Channel", "GetConnectResult"), 26);
  EXPECT_EQ(number("Bass", "ErrorText"), 8);
  EXPECT_EQ(number("Sample", "Play", 0), 1);
  EXPECT_EQ(number("Sample", "Play", 2), 3);
  EXPECT_EQ(number("Sample", "Free"), 5);
  EXPECT_EQ(number("DspEffectEQ", "Detach"), 9);
  EXPECT_EQ(ZILTypes(ps)[cls("DspEffectEQ")->typeId].baseType, cls("DspEffect")->typeId);

  // A function number outside the declared ones answers 1111.
  NTLInstance inst{TypeId("Channel"), 0, ps, "Channel"};
  ZChannel* c = ZNewChannelObject(ps);
  EXPECT_EQ(ChannelTypeProc(&inst, NTL_CallMember, 27, c, nullptr), ZIL_ERR_Invalid_Function_Index);
  EXPECT_EQ(ChannelTypeProc(&inst, NTL_CallMember, -1, c, nullptr), ZIL_ERR_Invalid_Function_Index);
  EXPECT_EQ(BassTypeProc(&inst, NTL_CallStatic, 9, nullptr, nullptr), ZIL_ERR_Invalid_Function_Index);
  ChannelTypeProc(&inst, NTL_DestroyObject, 0, c, nullptr);
}

TEST_F(AudioScriptTest, InitOnceFrequencyAfterInitAndOneDevicePerProcess) {
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
  // This runtime's teardown (in TearDown) gives it back.
}

TEST_F(AudioScriptTest, FileStreamsTitlesLevelsAndModuleOnlyMethods) {
  std::string tone = Tone();
  std::string folders = Copy(tone, "music\\song.wav");  // a Windows-style path in one name
  std::string plain = Copy(tone, "noext");
  std::string dotted = Copy(tone, "a.b.wav");
  std::ofstream(apptest::scratchDir() + "/junk.wav") << std::string(3000, 'j');
  ASSERT_TRUE(Load(R"(
import Bass;
function Channel open(const string name, const int loop) { Bass::Init(); return Bass::StreamCreateFile(name, loop); }
function string title(Channel c) { return c.GetTitle(); }
function string describe(Channel c) {
    return "" + c.GetType() + " " + c.IsActive() + " " + c.GetOrders() + " " + c.GetOrderPosition();
}
function float level(Channel c, const int right) {
    if (right) return c.GetLevelR();
    return c.GetLevelL();
}
function float length(Channel c) { return c.GetLength(); }
function float panSeparationLeavesStreams(Channel c) { c.SetPan(-0.5); c.PanSeparation(30.0); return c.GetPan(); }
function int error() { return Bass::GetError(); }
function free(Channel c) { c.Free(); }
)"));
  ZILHandle* c = Call("open", folders.c_str(), 0);
  ASSERT_TRUE(c && c->type == TypeId("Channel")) << Describe(c) << " " << log;
  EXPECT_EQ(CallString("title", c), "song");
  EXPECT_EQ(CallString("describe", c), "2 0 0 0") << "a stopped stream; module-only methods answer 0";
  EXPECT_EQ(CallFloat("level", c, 0), 0.0) << "levels of a stopped channel";
  EXPECT_EQ(CallFloat("level", c, 1), 0.0);
  EXPECT_NEAR(CallFloat("length", c), 2.0, 0.05);
  EXPECT_FLOAT_EQ(CallFloat("panSeparationLeavesStreams", c), -0.5f);
  Call("free", c);
  EXPECT_EQ(CallString("describe", c), "0 0 0 0");
  EXPECT_EQ(CallString("title", c), "");

  EXPECT_EQ(CallString("title", Call("open", plain.c_str(), 1)), "noext") << "no dot: the whole name";
  EXPECT_EQ(CallString("title", Call("open", dotted.c_str(), 0)), "a.b");

  // A file the runtime cannot read makes the call fail; one the library refuses gives an empty
  // channel and the library's reason.
  EXPECT_EQ(CallError("open", (apptest::scratchDir() + "/missing.wav").c_str(), 0), ZIL_ERR_Unspecified);
  ZILHandle* junk = Call("open", (apptest::scratchDir() + "/junk.wav").c_str(), 0);
  EXPECT_EQ(CallInt("error"), BASS_ERROR_FILEFORM);
  EXPECT_EQ(CallString("describe", junk), "0 0 0 0");
}

TEST_F(AudioScriptTest, ModuleMusic) {
  std::vector<uint8_t> mod = audiotest::makeModule("tunes\\Script Tune.mod");
  std::string path = apptest::scratchDir() + "/tune.mod";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(mod.data()), static_cast<std::streamsize>(mod.size()));
  ASSERT_TRUE(Load(R"(
import Bass;
function string play(const string name) {
    Bass::Init();
    Channel m = Bass::MusicLoad(name, 1);
    m.PanSeparation(20.0);
    m.Play(0);
    string s = "" + m.GetType() + " " + m.GetOrders() + " " + m.IsActive() + " " + m.GetTitle();
    m.Free();
    return s + " " + m.GetType();
}
)"));
  EXPECT_EQ(CallString("play", path.c_str()), "3 2 1 Script Tune 0");
  EXPECT_EQ(CallError("play", "no-such.mod"), ZIL_ERR_Unspecified);
}

TEST_F(AudioScriptTest, SampleWithSeveralVoices) {
  std::string tone = Tone();
  ASSERT_TRUE(Load(R"(
import Bass;
function Sample load(const string name) { Bass::Init(); return Bass::SampleLoad(name, 3, 0); }
function Channel voice(Sample s) { return s.GetChannel(1); }
function string kinds(Channel a, Channel b, Channel c, Channel d) {
    return "" + a.GetType() + b.GetType() + c.GetType() + d.GetType();
}
function int playing(Channel a, Channel b, Channel c) {
    int n = 0;
    if (a.IsActive() == Channel::kActivePlaying) n++;
    if (b.IsActive() == Channel::kActivePlaying) n++;
    if (c.IsActive() == Channel::kActivePlaying) n++;
    return n;
}
function playAll(Channel a, Channel b, Channel c, Channel d) { a.Play(0); b.Play(0); c.Play(0); d.Play(0); }
function playSample(Sample s, const int how) {
    if (how == 1) s.Play();
    if (how == 2) s.Play(0.5, 0.0);
    if (how == 3) s.Play(22050.0, 1.0, -1.0);
}
function float freq(Channel c) { return c.GetFreq(); }
function stop(Sample s) { s.Stop(); }
function free(Sample s) { s.Free(); }
)"));
  EXPECT_EQ(CallError("load", "missing.wav"), ZIL_ERR_Unspecified);
  ZILHandle* s = Call("load", tone.c_str());
  ASSERT_TRUE(s && s->type == TypeId("Sample")) << Describe(s);
  ZILHandle* v[4];
  for (ZILHandle*& h : v)
    h = Call("voice", s);
  EXPECT_EQ(CallString("kinds", v[0], v[1], v[2], v[3]), "1111") << "voices are kind 1, even the refused fourth";
  Call("playAll", v[0], v[1], v[2], v[3]);
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2]), 3) << "three voices at once";
  Call("playSample", s, 2);  // takes over the oldest voice
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2]), 2);
  Call("playSample", s, 3);
  Call("playSample", s, 1);
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2]), 0) << "all three taken over by the sample's own plays";
  Call("stop", s);
  Call("free", s);
  Call("playAll", v[0], v[1], v[2], v[3]);  // the sample is gone: the engine refuses, nothing breaks
  EXPECT_EQ(CallInt("playing", v[0], v[1], v[2]), 0);
}

// Sounds are read through the runtime's own file input (in the player: the skin package).
namespace {
std::vector<uint8_t> gServed;
std::vector<ZILLong> gReadSizes;
std::vector<std::string> gOpened;

ZILError ServeFromMemory(ZILState*, ZILLong op, const ZILChar* name, void* buffer, ZILLong size, void** file,
                         ZILLong* done) {
  static size_t at = 0;
  if (op == 0) {
    gOpened.push_back(name ? name : "");
    if (!name || std::string(name) != "sounds\\click.wav")
      return ZIL_ERR_Unspecified;
    at = 0;
    *file = &gServed;
    return 0;
  }
  if (op == 1) {
    gReadSizes.push_back(size);
    size_t n = std::min(static_cast<size_t>(size), gServed.size() - at);
    std::memcpy(buffer, gServed.data() + at, n);
    at += n;
    *done = static_cast<ZILLong>(n);
  }
  return 0;
}
}  // namespace

TEST_F(AudioScriptTest, SoundsLoadThroughTheRuntimesFileInput) {
  std::ifstream in(Tone(), std::ios::binary);
  gServed.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  ASSERT_GT(gServed.size(), 3u * 65532u);
  gReadSizes.clear();
  gOpened.clear();
  ASSERT_TRUE(Load(R"(
import Bass;
function string open(const string name) { Bass::Init(); Channel c = Bass::StreamCreateFile(name, 0); return c.GetTitle(); }
function int sample(const string name) { Sample s = Bass::SampleLoad(name, 1, 0); Channel v = s.GetChannel(0); return v.GetType(); }
)"));
  ps->fileInput = ServeFromMemory;
  EXPECT_EQ(CallString("open", "sounds\\click.wav"), "click");
  EXPECT_EQ(gReadSizes.size(), gServed.size() / 65532 + 1);
  for (ZILLong size : gReadSizes)
    EXPECT_EQ(size, 65532);
  EXPECT_EQ(CallInt("sample", "sounds\\click.wav"), 1);
  EXPECT_EQ(CallError("sample", "sounds\\other.wav"), ZIL_ERR_Unspecified);
  EXPECT_EQ(gOpened.back(), "sounds\\other.wav");
}

// --- Radio streams ----------------------------------------------------------------------------

class RadioScriptTest : public AudioScriptTest {
 protected:
  static void SetUpTestSuite() { sServer = apptest::startRadioServer(); }
  static void TearDownTestSuite() {
    delete sServer;
    sServer = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(sServer, nullptr) << "the radio server did not start";
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
  static std::string Url(const std::string& path) { return sServer->url(path); }
  static audiotest::TestServer* sServer;
};
audiotest::TestServer* RadioScriptTest::sServer = nullptr;

TEST_F(RadioScriptTest, IcyTitlesInfoAndMetaCounting) {
  ZILHandle* c =
      Call("open", Url("/live?file=radio.mp3&titles=Artist%20-%20Song|Next&interval=1&burst=1&metaint=4000").c_str());
  ASSERT_EQ(CallInt("kind", c), 2) << CallInt("error");
  EXPECT_EQ(CallString("title", c), "Artist - Song") << "from StreamTitle='Artist - Song';StreamUrl='';";
  std::string info = CallString("info", c);
  EXPECT_NE(info.find("icy-name: Test Radio\n"), std::string::npos) << info;
  EXPECT_EQ(CallInt("takeCount", c), 0) << "the title at creation is not a change";
  Call("play", c);
  std::set<std::string> seen;
  int changes = 0;
  ASSERT_TRUE(apptest::waitFor(
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
  ASSERT_TRUE(apptest::waitFor([&] { return CallInt("connected", c) != -1; }, 5000));
  EXPECT_EQ(CallInt("connected", c), 0);
  EXPECT_EQ(CallString("title", c), "Later Title");
  EXPECT_NE(CallString("info", c).find("icy-name: Test Radio\n"), std::string::npos);

  ZILHandle* missing = Call("connect", Url("/status?code=404").c_str());
  ASSERT_TRUE(apptest::waitFor([&] { return CallInt("connected", missing) != -1; }, 5000));
  EXPECT_EQ(CallInt("connected", missing), BASS_ERROR_FILEOPEN);
  EXPECT_EQ(CallString("words", BASS_ERROR_FILEOPEN), "The station could not be reached or refused the stream");
}

TEST_F(RadioScriptTest, EmptyAndUnterminatedTitles) {
  // StreamTitle=''; sets an empty title.
  ZILHandle* c = Call("open", Url("/live?file=radio.mp3&titles=Some%20Title|&interval=2&burst=1&metaint=2000").c_str());
  ASSERT_EQ(CallInt("kind", c), 2) << CallInt("error");
  EXPECT_EQ(CallString("title", c), "Some Title");
  Call("play", c);
  EXPECT_TRUE(apptest::waitFor([&] { return CallInt("count", c) > 0 && CallString("title", c).empty(); }, 8000))
      << CallString("title", c);

  // StreamTitle=' without its closing '; leaves the title as it was (never set: "").
  ZILHandle* u =
      Call("open", Url("/live?file=radio.mp3&titles=A|B&interval=0.3&burst=1&metaint=2000&meta=malformed").c_str());
  ASSERT_EQ(CallInt("kind", u), 2) << CallInt("error");
  Call("play", u);
  EXPECT_TRUE(apptest::waitFor([&] { return CallInt("count", u) >= 2; }, 8000)) << "metadata events are counted";
  EXPECT_EQ(CallString("title", u), "");
}

TEST_F(RadioScriptTest, OggCommentTitleAndRefusedAddresses) {
  ZILHandle* c = Call("open", Url("/file?file=tagged.ogg&ctype=application/ogg").c_str());
  ASSERT_EQ(CallInt("kind", c), 2) << CallInt("error");
  EXPECT_EQ(CallString("title", c), "Y") << "the comment list's title=Y after ARTIST=X";

  ZILHandle* bad = Call("open", Url("/status?code=404").c_str());
  EXPECT_EQ(CallInt("kind", bad), 0);
  EXPECT_NE(CallInt("error"), BASS_OK);
  EXPECT_EQ(CallString("title", bad), "");
}
