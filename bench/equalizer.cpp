// bench-links: sonabel_app sonabel_audio
// The three-band equalizer's DSP callback over 10 minutes of 44.1 kHz stereo float audio (a
// 10-second block of noise and tones, sixty times), in CPU time of one thread, printed as how
// many times faster than real time it runs; next to sox applying a low shelf (100 Hz), a
// peaking filter (1 kHz) and a high shelf (10 kHz), two octaves wide, to the same audio in the
// same run (sox's CPU time, reading and writing raw floats through /dev/null).
// Usage: bench_equalizer [minutes]
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/dsp_effect_eq.h"

namespace {

double ThreadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

double ChildrenCpuSeconds() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_utime.tv_usec * 1e-6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
  const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
  const int rate = 44100;
  const size_t blockFrames = 10 * rate;
  const int passes = static_cast<int>(std::lround(minutes * 6));
  const double audioSeconds = passes * 10.0;

  std::vector<float> block(2 * blockFrames);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> noise(-0.2f, 0.2f);
  for (size_t i = 0; i < blockFrames; ++i) {
    float tone = 0.3f * std::sin(2 * M_PI * 220.0 * i / rate) + 0.1f * std::sin(2 * M_PI * 5000.0 * i / rate);
    block[2 * i] = tone + noise(rng);
    block[2 * i + 1] = tone - noise(rng);
  }

  // The reference input for sox: the same ten minutes as one raw file.
  std::string raw =
      (std::filesystem::temp_directory_path() / ("bench-eq-" + std::to_string(getpid()) + ".f32")).string();
  if (FILE* f = std::fopen(raw.c_str(), "wb")) {
    for (int p = 0; p < passes; ++p)
      std::fwrite(block.data(), sizeof(float), block.size(), f);
    std::fclose(f);
  }

  ZTools::CDspEffectEQ eq;
  eq.SetParameter(0, 6.0f);
  eq.SetParameter(1, -4.0f);
  eq.SetParameter(2, 3.0f);
  std::vector<float> work(block.size());
  double cpu = 0;
  for (int p = 0; p < passes; ++p) {
    std::copy(block.begin(), block.end(), work.begin());  // fresh input, outside the timing
    double t0 = ThreadCpuSeconds();
    ZTools::CDspEffectEQ::DspCallback(1, 1, work.data(), static_cast<DWORD>(work.size() * sizeof(float)), &eq);
    cpu += ThreadCpuSeconds() - t0;
  }
  volatile float sink = work[12345];
  (void)sink;

  std::string cmd =
      "sox -t f32 -r 44100 -c 2 '" + raw + "' -t f32 /dev/null bass 6 100 2o equalizer 1000 2o -4 treble 3 10000 2o";
  double c0 = ChildrenCpuSeconds();
  int status = std::system(cmd.c_str());
  double soxCpu = ChildrenCpuSeconds() - c0;
  std::filesystem::remove(raw);

  std::printf("audio: %.0f s of 44.1 kHz stereo float\n", audioSeconds);
  std::printf("equalizer callback: %.3f s CPU, %.0fx real time\n", cpu, audioSeconds / cpu);
  if (status == 0)
    std::printf("sox bass+equalizer+treble: %.3f s CPU, %.0fx real time\n", soxCpu, audioSeconds / soxCpu);
  else
    std::printf("sox failed (status %d)\n", status);
  std::printf("equalizer / sox speed: %.2fx\n", soxCpu / cpu);
  return 0;
}
