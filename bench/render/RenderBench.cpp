// Renders the generated winter scene (snow field, track strip, lit ball, alpha firs, fog:
// a few thousand textured triangles filling the screen) at 240 x 320 and 480 x 640 in
// 16 bits, printing frames per second and, where callgrind is available, instructions
// per frame (the difference of two runs, so set-up is not counted). Prints figures only.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DemoScene.h"

namespace {

// Snow field cells per side and ball rings: about 4,000 triangles drawn per frame.
constexpr int Cells = 64;
constexpr int Rings = 20;

struct Size {
  int width, height;
};

// Renders `frames` frames with the camera swaying a little, as in a race.
void run(demo::Scene& s, int frames) {
  for (int i = 0; i < frames; ++i) {
    float t = float(i % 200) * 0.02f;
    s.scene.camera->setPosition(std::sin(t) * 1.5f, 4.5f, -6.0f + t);
    Matrix4 spin = rotationY(t * 2.0f);
    setTranslation(spin, Vector3{-1.5f, 2.2f, 14.0f});
    s.ball->placement = spin;
    s.scene.draw(0.025f);
  }
}

// Instructions of a child run of this program under callgrind; 0 when unavailable.
double instructions(const char* self, const Size& size, int frames) {
  std::string command = "valgrind --tool=callgrind --callgrind-out-file=/dev/null " + std::string(self) +
                        " --child " + std::to_string(size.width) + " " + std::to_string(size.height) + " " +
                        std::to_string(frames) + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  char line[512];
  double collected = 0;
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    const char* p = std::strstr(line, "Collected :");
    if (p != nullptr) collected = std::strtod(p + 11, nullptr);
  }
  pclose(pipe);
  return collected;
}

// Processor time of this process: the figure that does not depend on other load.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

bool haveValgrind() { return std::system("valgrind --version >/dev/null 2>&1") == 0; }

}  // namespace

int main(int argc, char** argv) {
  setenv("KESTRUNE_BACKEND", "headless", 1);
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0) {
    demo::Scene s(std::atoi(argv[2]), std::atoi(argv[3]), 16, Cells, Rings);
    run(s, std::atoi(argv[4]));
    return 0;
  }
  const Size sizes[] = {{240, 320}, {480, 640}};
  const bool callgrind = haveValgrind() && std::getenv("KS_BENCH_NO_VALGRIND") == nullptr;
  for (const Size& size : sizes) {
    demo::Scene s(size.width, size.height, 16, Cells, Rings);
    run(s, 30);  // warm-up
    const auto& stats = s.renderer().statistics();
    int frames = 0;
    auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    double cpu = 0;
    while (cpu < 2.0) {
      run(s, 50);
      frames += 50;
      cpu = cpuSeconds() - cpuStart;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("render %dx%d 16-bit: %.0f frames/s of processor time (%.3f ms/frame; wall clock %.0f frames/s); "
                "%d triangles drawn, %d rejected, %d vertices per frame\n",
                size.width, size.height, frames / cpu, 1000.0 * cpu / frames, frames / wall, stats.trianglesDrawn,
                stats.trianglesRejected, stats.verticesTransformed);
    if (callgrind) {
      double a = instructions(argv[0], size, 10), b = instructions(argv[0], size, 40);
      if (a > 0 && b > a) std::printf("render %dx%d 16-bit: %.2f million instructions/frame (callgrind)\n", size.width,
                                      size.height, (b - a) / 30.0 / 1e6);
    }
    std::fflush(stdout);
  }
  return 0;
}
