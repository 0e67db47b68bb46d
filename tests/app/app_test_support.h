// Helpers of the player's tests beside the engine tests' own (test audio, waiting, the radio
// server): the engine on its silent device through ZBass, the radio server with the files the
// player's tests play, and starting and ending the player as a process of its own.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <string>
#include <vector>

#include "audio/bass.h"
#include "tests/audio/audio_test_support.h"

namespace apptest {

// The radio test files (radio.mp3: 10 s of MP3; titled.ogg: Vorbis with ARTIST=X and title Y)
// served by a local test server; null when the server did not start.
audiotest::TestServer* startRadioServer();

// Starts a program with the environment `env`; with `input` its standard input is a pipe whose
// writing end is put there, with `output` its standard output goes to that file. -1 on failure.
pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int* input = nullptr,
            const std::string& output = "");
// The exit status once the program ended (128 + the signal that ended it); -1, after killing it,
// when it did not end within `timeoutMs`.
int waitExit(pid_t pid, int timeoutMs);

// ZBass initialised on device 0 (no sound) for each test.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace apptest
