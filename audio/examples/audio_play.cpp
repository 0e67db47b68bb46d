// audio-play: plays one internet stream, sound file or tracker module through the engine.
//   audio-play [--no-sound] [--seconds N] URL-OR-FILE
// Prints "title: TEXT" at start and at every title change, "end" when the channel ends, and
// "error: CODE (TEXT)" (the engine's error code and what it means, exit status 1) when it
// cannot play. A wrong command line is one line on standard error and exit status 2.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <mutex>
#include <string>

#include "audio/bass.h"

namespace {

std::mutex g_printLock;
std::condition_variable g_endedSignal;
bool g_ended = false;  // guarded by g_printLock
std::string g_title;

std::string lowerExtension(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool isModuleName(const std::string& path) {
  static const char* kExt[] = {"mod", "s3m", "xm",  "it",  "mptm", "669", "mtm", "med",
                               "okt", "stm", "ult", "far", "amf",  "dsm", "umx"};
  std::string ext = lowerExtension(path);
  for (const char* e : kExt)
    if (ext == e)
      return true;
  return false;
}

std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

// The title in a META tag: StreamTitle='...'; or, for Ogg, the TITLE= entry of a comment list.
bool titleFromMeta(const char* meta, std::string* title) {
  if (!meta)
    return false;
  const char* start = std::strstr(meta, "StreamTitle='");
  if (start) {
    start += 13;
    const char* end = std::strstr(start, "';");
    if (!end)
      return false;
    *title = std::string(start, end);
    return true;
  }
  for (const char* p = meta; *p; p += std::strlen(p) + 1)
    if (strncasecmp(p, "TITLE=", 6) == 0) {
      *title = p + 6;
      return true;
    }
  return false;
}

void printTitle(const std::string& title) {
  std::lock_guard<std::mutex> guard(g_printLock);
  std::printf("title: %s\n", title.c_str());
  std::fflush(stdout);
}

void CALLBACK onMeta(HSYNC, DWORD channel, DWORD, void*) {
  std::string title;
  if (!titleFromMeta(BASS_ChannelGetTags(channel, BASS_TAG_META), &title))
    return;
  {
    std::lock_guard<std::mutex> guard(g_printLock);
    if (title == g_title)
      return;
    g_title = title;
  }
  printTitle(title);
}

void CALLBACK onEnd(HSYNC, DWORD, DWORD, void*) {
  {
    std::lock_guard<std::mutex> guard(g_printLock);
    g_ended = true;
  }
  g_endedSignal.notify_all();
}

// What an engine error means to someone playing a file or an address.
const char* errorText(int code) {
  switch (code) {
    case BASS_ERROR_MEM: return "out of memory";
    case BASS_ERROR_FILEOPEN: return "the file or address cannot be opened, or the server refused it";
    case BASS_ERROR_DRIVER: return "no sound driver can be used";
    case BASS_ERROR_FORMAT: return "the sound device cannot play this format";
    case BASS_ERROR_INIT: return "sound output is not started";
    case BASS_ERROR_START: return "sound output could not be started";
    case BASS_ERROR_DEVICE: return "no sound output device can be opened";
    case BASS_ERROR_NOTAVAIL: return "not available";
    case BASS_ERROR_TIMEOUT: return "the server did not answer in time";
    case BASS_ERROR_FILEFORM: return "not a sound format the engine plays";
    case BASS_ERROR_CODEC: return "the sound's codec is not supported";
    case BASS_ERROR_ENDED: return "the stream has ended";
    default: return "the engine could not play it";
  }
}

// `hint`, when given, says what to do about it.
int failWith(int code, const char* hint = nullptr) {
  std::printf("error: %d (%s%s%s)\n", code, errorText(code), hint ? "; " : "", hint ? hint : "");
  BASS_Free();
  return 1;
}

constexpr const char* kUsage = "usage: audio-play [--no-sound] [--seconds N] URL-OR-FILE\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "audio-play: %s\nTry 'audio-play --help'.\n", message.c_str());
  return 2;
}

// A number of seconds, 0 or more.
bool parseSeconds(const char* text, double* seconds) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (!*text || *end || !(v >= 0) || v > 1e9)
    return false;
  *seconds = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool noSound = false;
  double seconds = -1;
  std::string target;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--no-sound") {
      noSound = true;
    } else if (arg == "--seconds" || arg.rfind("--seconds=", 0) == 0) {
      const char* value = arg == "--seconds" ? (i + 1 < argc ? argv[++i] : nullptr) : argv[i] + 10;
      if (!value)
        return usageError("option --seconds needs a value");
      if (!parseSeconds(value, &seconds))
        return usageError(std::string("option --seconds takes a number of seconds, not '") + value + "'");
    } else if (arg == "--help" || arg == "-h") {
      std::printf(
          "%s"
          "Plays an internet stream (http, https), a sound file or a tracker module.\n"
          "  --no-sound    play on the engine's silent device instead of the sound output\n"
          "  --seconds N   stop after N seconds (default: play to the end)\n",
          kUsage);
      return 0;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError("unknown option '" + arg + "'");
    } else if (!target.empty()) {
      return usageError("plays one URL or file; '" + arg + "' is one too many");
    } else {
      target = arg;
    }
  }
  if (target.empty())
    return usageError("missing URL or file");
  if (!BASS_Init(noSound ? 0 : -1, 44100, 0, nullptr, nullptr)) {
    int code = BASS_ErrorGetCode();
    bool noOutput = code == BASS_ERROR_DEVICE || code == BASS_ERROR_DRIVER || code == BASS_ERROR_START;
    return failWith(code, !noSound && noOutput ? "--no-sound plays without a sound device" : nullptr);
  }

  bool isUrl = target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0;
  DWORD handle = 0;
  std::string title;
  if (isUrl) {
    handle = BASS_StreamCreateURL(target.c_str(), 0, BASS_SAMPLE_FLOAT, nullptr, nullptr);
    if (!handle)
      return failWith(BASS_ErrorGetCode());
    if (!titleFromMeta(BASS_ChannelGetTags(handle, BASS_TAG_META), &title))
      title = target;
  } else if (isModuleName(target)) {
    handle = BASS_MusicLoad(FALSE, target.c_str(), 0, 0, BASS_SAMPLE_FLOAT | BASS_MUSIC_RAMPS | BASS_MUSIC_PRESCAN, 0);
    if (!handle)
      return failWith(BASS_ErrorGetCode());
    const char* name = BASS_ChannelGetTags(handle, BASS_TAG_MUSIC_NAME);
    title = name && *name ? name : baseName(target);
  } else {
    handle = BASS_StreamCreateFile(FALSE, target.c_str(), 0, 0, BASS_SAMPLE_FLOAT);
    if (!handle && BASS_ErrorGetCode() == BASS_ERROR_FILEFORM)
      handle =
          BASS_MusicLoad(FALSE, target.c_str(), 0, 0, BASS_SAMPLE_FLOAT | BASS_MUSIC_RAMPS | BASS_MUSIC_PRESCAN, 0);
    if (!handle)
      return failWith(BASS_ErrorGetCode());
    if (!titleFromMeta(BASS_ChannelGetTags(handle, BASS_TAG_OGG), &title))
      title = baseName(target);
  }
  g_title = title;
  printTitle(title);
  BASS_ChannelSetSync(handle, BASS_SYNC_META, 0, onMeta, nullptr);
  BASS_ChannelSetSync(handle, BASS_SYNC_END, 0, onEnd, nullptr);
  if (!BASS_ChannelPlay(handle, FALSE))
    return failWith(BASS_ErrorGetCode());

  {
    std::unique_lock<std::mutex> guard(g_printLock);
    if (seconds >= 0)
      g_endedSignal.wait_for(guard, std::chrono::duration<double>(seconds), [] { return g_ended; });
    else
      g_endedSignal.wait(guard, [] { return g_ended; });
    if (g_ended) {
      std::printf("end\n");
      std::fflush(stdout);
    }
  }
  BASS_Free();
  return 0;
}
