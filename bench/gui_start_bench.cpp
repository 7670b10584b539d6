// Start-up as the operator sees it: from exec to the window's first paint, the programmer against
// a hello-world Qt window of the normal view's size (tornel4-hello-window), measured from outside
// the process, interleaved so that both see the same load. Goal: the programmer within 1.5 times
// the hello-world window. With a private sound server running, as a desktop has one, and an
// offscreen screen of a desktop's size: Qt's default 800 x 600 would put the window into its
// scroll area, which a desktop does not.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "tests/support/pulse_server.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from the spawn of `program` to the line kFirstPaintLine on its standard error.
double MillisecondsToFirstPaint(const std::string& program) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    double elapsed = -1;
    if (spawned == 0) {
        FILE* err = fdopen(pipeFds[0], "r");
        char line[512];
        while (std::fgets(line, sizeof line, err) != nullptr) {
            if (std::string(line).find(tornel::app::kFirstPaintLine) != std::string::npos) {
                elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                break;
            }
        }
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::fclose(err);
    } else {
        close(pipeFds[0]);
    }
    return elapsed;
}

// The offscreen platform with one 1920 x 1080 screen, described in a file beside the others.
std::string DesktopSizedOffscreenPlatform() {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "tornel4-bench-screen.json";
    std::ofstream(file) << R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920, )"
                           R"("height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    return "offscreen:configfile=" + file.string();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_StartUpAgainstHelloWorldWindow(benchmark::State& st) {
    setenv("QT_QPA_PLATFORM", DesktopSizedOffscreenPlatform().c_str(), 1);
    setenv("QT_LOGGING_RULES", "tornel4.startup.debug=true", 1);
    std::optional<tornel::test::PulseServer> server;
    if (tornel::test::PulseServer::Available()) {
        server.emplace();
    }
    const std::string programmer = TORNEL_BINARY_DIR "/tornel4";
    const std::string hello = TORNEL_BINARY_DIR "/tornel4-hello-window";
    std::vector<double> ours;
    std::vector<double> yardstick;
    for (auto _ : st) {
        for (int run = 0; run < 15; ++run) {
            yardstick.push_back(MillisecondsToFirstPaint(hello));
            ours.push_back(MillisecondsToFirstPaint(programmer));
        }
    }
    st.counters["tornel4_ms"] = Median(ours);
    st.counters["hello_ms"] = Median(yardstick);
    st.counters["ratio"] = Median(ours) / Median(yardstick);
}
BENCHMARK(BM_StartUpAgainstHelloWorldWindow)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
