#include "tests/support/pulse_server.h"

#include "tests/support/run_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace tornel::test {

namespace {

constexpr auto kStartLimit = std::chrono::seconds(5);
constexpr auto kStopLimit = std::chrono::seconds(2);

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// The current environment with `overrides` ("NAME=value") replacing or adding variables.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& o : overrides) {
            replaced = replaced || o.substr(0, o.find('=')) == name;
        }
        if (!replaced) {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) {
        p.push_back(s.data());
    }
    p.push_back(nullptr);
    return p;
}

// Starts `program`; the child gets /dev/null for its standard streams and dies with the test.
pid_t Spawn(const std::string& program, std::vector<std::string> args,
            std::vector<std::string> env) {
    args.insert(args.begin(), program);
    // Everything the child needs is prepared here: after fork only exec-safe calls are made.
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    return pid;
}

// Waits for the child `pid` until `limit`; one still running then is killed. True when it exited
// with status 0 in time.
bool ExitedCleanlyBefore(pid_t pid, std::chrono::steady_clock::time_point limit) {
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limit) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool SocketAnswers(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    close(fd);
    return ok;
}

void SetOrUnset(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

std::optional<std::string> GetEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::optional<std::string>(v) : std::nullopt;
}

}  // namespace

PulseServer::PulseServer() : PulseServer(Options{}) {}

PulseServer::PulseServer(Options options) : options_(options) {
    try {
        Start();
    } catch (...) {
        Stop();
        throw;
    }
}

PulseServer::~PulseServer() {
    Stop();
}

bool PulseServer::Available() {
    return !FindProgram("pulseaudio").empty() && !FindProgram("pactl").empty() &&
           !FindProgram("parec").empty();
}

void PulseServer::Start() {
    char dirTemplate[] = "/tmp/tornel-pulse-XXXXXX";  // mkdtemp makes it mode 700
    if (mkdtemp(dirTemplate) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = dirTemplate;
    socketPath_ = dir_ + "/native";
    cookiePath_ = dir_ + "/cookie";
    logPath_ = dir_ + "/server.log";
    std::vector<std::string> sinkArgs = {"--load=" + NewSink("cap")};
    for (const std::string& name : options_.moreSinks) {
        sinkArgs.push_back("--load=" + NewSink(name));
    }
    std::vector<std::string> args = {
        "--daemonize=no",
        "--system=false",
        "--exit-idle-time=-1",
        "-n",
        "--disallow-exit",
        "--log-target=file:" + logPath_,
        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socketPath_};
    args.insert(args.end(), sinkArgs.begin(), sinkArgs.end());
    for (const std::string& name : options_.nullSinks) {
        args.push_back("--load=module-null-sink sink_name=" + name +
                       " format=s16le rate=" + std::to_string(options_.rate) +
                       " channels=" + std::to_string(options_.channels));
    }
    if (options_.input) {
        inputFifoPath_ = dir_ + "/source.fifo";
        const int rate = options_.inputRate == 0 ? options_.rate : options_.inputRate;
        args.push_back("--load=module-pipe-source source_name=mic file=" + inputFifoPath_ +
                       " format=s16le rate=" + std::to_string(rate) + " channels=1");
    }
    if (options_.suspendIdleSeconds > 0) {
        args.push_back("--load=module-suspend-on-idle timeout=" +
                       std::to_string(options_.suspendIdleSeconds));
    }
    pid_ = Spawn(FindProgram("pulseaudio"), args,
                 EnvironmentWith({"XDG_RUNTIME_DIR=" + dir_, "HOME=" + dir_}));

    const auto limit = Clock::now() + kStartLimit;
    while (!SocketAnswers(socketPath_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("pulseaudio exited at start:\n" + LogText());
        }
        if (Clock::now() > limit) {
            throw std::runtime_error("pulseaudio did not come up:\n" + LogText());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Pactl({"set-default-sink", "cap"});
    for (const std::string& name : options_.nullSinks) {
        RecordMonitor(name);
    }
    if (options_.input) {
        Pactl({"set-default-source", "mic"});
        inputFifo_ = open(inputFifoPath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (inputFifo_ < 0) {
            throw std::runtime_error("cannot open the source's FIFO");
        }
    }
    if (options_.loopback) {
        if (!options_.input || options_.channels != 1 ||
            (options_.inputRate != 0 && options_.inputRate != options_.rate)) {
            throw std::runtime_error("a loopback needs a mono input at the server's rate");
        }
        sinks_.at("cap")->FeedTo(inputFifo_);
    }
    SetClientEnvironment();
    // Every monitor is heard before a test plays anything.
    while (!monitorRecorders_.empty() &&
           Lines(PactlOutput({"list", "short", "source-outputs"})) < monitorRecorders_.size()) {
        if (Clock::now() > limit + kStartLimit) {
            throw std::runtime_error("parec did not start:\n" + LogText());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool PulseServer::FeedInput(std::span<const std::int16_t> samples) const {
    const auto* bytes = reinterpret_cast<const char*>(samples.data());
    std::size_t left = samples.size_bytes();
    auto progress = Clock::now();
    while (left > 0) {
        if (Clock::now() - progress > kStartLimit) {
            return false;  // the source stopped reading
        }
        pollfd p{inputFifo_, POLLOUT, 0};
        if (poll(&p, 1, 20) <= 0) {
            continue;
        }
        const ssize_t n = write(inputFifo_, bytes, left);
        if (n <= 0) {
            continue;
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
        progress = Clock::now();
    }
    return true;
}

void PulseServer::RecordMonitor(const std::string& name) {
    auto recording =
        std::make_unique<SinkRecording>(dir_ + "/" + name + ".monitor.fifo", options_.channels);
    monitorRecorders_.push_back(
        Spawn(FindProgram("parec"),
              {"--device=" + name + ".monitor", "--format=s16le",
               "--rate=" + std::to_string(rate()), "--channels=" + std::to_string(channels()),
               "--latency-msec=20", "--raw", recording->fifoPath()},
              EnvironmentWith(ClientEnvironment())));
    monitors_[name] = std::move(recording);
}

const PulseServer::SinkRecording& PulseServer::Monitor(const std::string& name) const {
    const auto it = monitors_.find(name);
    if (it == monitors_.end()) {
        throw std::runtime_error("no null sink " + name);
    }
    return *it->second;
}

bool PulseServer::WaitForRecorder(std::chrono::milliseconds timeout) const {
    const auto limit = Clock::now() + timeout;
    while (Clock::now() < limit) {
        if (Lines(PactlOutput({"list", "short", "source-outputs"})) > monitorRecorders_.size()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string PulseServer::PactlOutput(const std::vector<std::string>& args) const {
    const ProcessResult r = RunProcess(FindProgram("pactl"), args);
    if (r.status != 0) {
        throw std::runtime_error("pactl failed: " + r.err + "\n" + LogText());
    }
    return r.out;
}

void PulseServer::Pactl(const std::vector<std::string>& args) const {
    const auto limit = Clock::now() + kStartLimit;
    for (;;) {
        // A stopped or stuck server would keep pactl waiting for ever: each try ends by the limit.
        const pid_t pid = Spawn(FindProgram("pactl"), args, EnvironmentWith(ClientEnvironment()));
        if (ExitedCleanlyBefore(pid, limit)) {
            return;
        }
        if (Clock::now() > limit) {
            throw std::runtime_error("pactl failed:\n" + LogText());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void PulseServer::Stop() {
    for (const pid_t recorder : monitorRecorders_) {
        kill(recorder, SIGTERM);
        waitpid(recorder, nullptr, 0);
    }
    monitorRecorders_.clear();
    monitors_.clear();
    if (pid_ > 0) {
        RestoreClientEnvironment();
        kill(pid_, SIGTERM);
        const auto limit = Clock::now() + kStopLimit;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > limit) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
    }
    sinks_.clear();
    if (inputFifo_ >= 0) {
        close(inputFifo_);
        inputFifo_ = -1;
    }
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        dir_.clear();
    }
}

PulseServer::SinkRecording::SinkRecording(std::string fifoPath, int channels)
    : fifoPath_(std::move(fifoPath)), channels_(channels) {
    if (mkfifo(fifoPath_.c_str(), 0600) != 0) {
        throw std::runtime_error("mkfifo failed");
    }
    // Opened for reading and writing: never blocks on open and never sees end-of-file.
    fifo_ = open(fifoPath_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fifo_ < 0) {
        throw std::runtime_error("cannot open the sink's FIFO");
    }
    reader_ = std::thread([this] { Read(); });
}

PulseServer::SinkRecording::~SinkRecording() {
    stopReading_ = true;
    if (reader_.joinable()) {
        reader_.join();
    }
    if (fifo_ >= 0) {
        close(fifo_);
    }
}

void PulseServer::SinkRecording::Read() {
    std::vector<std::uint8_t> block(65536);
    while (!stopReading_) {
        pollfd p{fifo_, POLLIN, 0};
        if (poll(&p, 1, 20) <= 0) {
            continue;
        }
        const ssize_t n = read(fifo_, block.data(), block.size());
        if (n <= 0) {
            continue;
        }
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        bytes_.insert(bytes_.end(), block.begin(), block.begin() + n);
        arrivals_.push_back({now, bytes_.size()});
        FeedNewBytes();
    }
}

// Whole samples only, in writes of at most PIPE_BUF bytes, which a pipe takes whole or not at
// all: a write the input's FIFO has no room for is dropped without splitting a sample.
void PulseServer::SinkRecording::FeedNewBytes() {
    const int fifo = feedFifo_;
    const std::size_t end = bytes_.size() & ~std::size_t{1};
    while (fifo >= 0 && fedBytes_ < end) {
        const std::size_t count = std::min<std::size_t>(end - fedBytes_, PIPE_BUF);
        [[maybe_unused]] const ssize_t written = write(fifo, bytes_.data() + fedBytes_, count);
        fedBytes_ += count;
    }
    fedBytes_ = std::max(fedBytes_, end);
}

std::string PulseServer::NewSink(const std::string& name) {
    auto recording =
        std::make_unique<SinkRecording>(dir_ + "/" + name + ".fifo", options_.channels);
    const std::string args =
        "module-pipe-sink sink_name=" + name + " file=" + recording->fifoPath() +
        " format=s16le rate=" + std::to_string(options_.rate) +
        " channels=" + std::to_string(options_.channels) +
        " use_system_clock_for_timing=yes sink_properties=\"device.description='" +
        DescriptionOf(name) + "'\"";
    sinks_[name] = std::move(recording);
    return args;
}

std::string PulseServer::DescriptionOf(const std::string& name) {
    return "Запись " + name;
}

const PulseServer::SinkRecording& PulseServer::Sink(const std::string& name) const {
    const auto it = sinks_.find(name);
    if (it == sinks_.end()) {
        throw std::runtime_error("no sink " + name);
    }
    return *it->second;
}

void PulseServer::AddSink(const std::string& name) {
    const std::string module = NewSink(name);
    const std::size_t space = module.find(' ');
    // pactl joins the module's arguments into one string again.
    PactlOutput({"load-module", module.substr(0, space), module.substr(space + 1)});
}

void PulseServer::RemoveSink(const std::string& name) {
    // "<index>\tmodule-pipe-sink\tsink_name=<name> file=..."
    std::stringstream modules(PactlOutput({"list", "short", "modules"}));
    std::string line;
    while (std::getline(modules, line)) {
        if (line.find("sink_name=" + name + " ") != std::string::npos) {
            Pactl({"unload-module", line.substr(0, line.find('\t'))});
            return;
        }
    }
    throw std::runtime_error("no module for sink " + name);
}

std::vector<std::string> PulseServer::ClientEnvironment() const {
    return {"PULSE_SERVER=unix:" + socketPath_, "PULSE_COOKIE=" + cookiePath_};
}

void PulseServer::SetClientEnvironment() {
    environmentSet_ = true;
    savedServer_ = GetEnv("PULSE_SERVER");
    savedCookie_ = GetEnv("PULSE_COOKIE");
    setenv("PULSE_SERVER", ("unix:" + socketPath_).c_str(), 1);
    setenv("PULSE_COOKIE", cookiePath_.c_str(), 1);
}

void PulseServer::RestoreClientEnvironment() {
    if (!environmentSet_) {
        return;
    }
    environmentSet_ = false;
    SetOrUnset("PULSE_SERVER", savedServer_);
    SetOrUnset("PULSE_COOKIE", savedCookie_);
}

std::size_t PulseServer::SinkRecording::RecordedFrames() const {
    std::lock_guard lock(mutex_);
    return bytes_.size() / (2 * static_cast<std::size_t>(channels_));
}

bool PulseServer::SinkRecording::WaitForFrames(std::size_t frames,
                                               std::chrono::milliseconds timeout) const {
    const auto limit = Clock::now() + timeout;
    while (RecordedFrames() < frames) {
        if (Clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

long PulseServer::SinkRecording::WaitForPlayed(std::size_t from,
                                               const std::vector<std::int16_t>& expected,
                                               std::chrono::milliseconds timeout,
                                               std::size_t mostLost) const {
    const auto limit = Clock::now() + timeout;
    long lost = LostAtStart(Recording(from), expected, mostLost);
    while (lost < 0 && Clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        lost = LostAtStart(Recording(from), expected, mostLost);
    }
    return lost;
}

std::string PulseServer::SinkRecording::PlayedSummary(
    std::size_t from, const std::vector<std::int16_t>& expected) const {
    const auto heard = Recording(from);
    const long onset = FirstAbove(heard, 0);
    std::string text = "heard " + std::to_string(heard.size()) + " samples, sound from " +
                       std::to_string(onset) + ", the file has " + std::to_string(expected.size());
    constexpr long kAlign = 64;
    if (onset < 0 || heard.size() < static_cast<std::size_t>(onset + kAlign)) {
        return text;
    }
    // Where in the file the sound heard starts, and where the two part.
    const auto sound = heard.begin() + onset;
    const auto start = std::search(expected.begin(), expected.end(), sound, sound + kAlign);
    if (start == expected.end()) {
        return text + "; its first sound is not in the file";
    }
    const auto parted = std::mismatch(start, expected.end(), sound, heard.end()).first;
    return text + "; it starts at the file's sample " + std::to_string(start - expected.begin()) +
           " and parts from it at the file's sample " + std::to_string(parted - expected.begin());
}

std::vector<std::int16_t> PulseServer::SinkRecording::Recording(std::size_t from,
                                                                int channel) const {
    std::lock_guard lock(mutex_);
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels_);
    const std::size_t frames = bytes_.size() / frameBytes;
    std::vector<std::int16_t> out;
    for (std::size_t f = from; f < frames; ++f) {
        const std::size_t at = f * frameBytes + 2 * static_cast<std::size_t>(channel);
        out.push_back(static_cast<std::int16_t>(bytes_[at] | bytes_[at + 1] << 8));
    }
    return out;
}

PulseServer::Clock::time_point PulseServer::SinkRecording::ArrivalTime(std::size_t frame) const {
    std::lock_guard lock(mutex_);
    const std::size_t byte = frame * 2 * static_cast<std::size_t>(channels_);
    const auto it = std::upper_bound(arrivals_.begin(), arrivals_.end(), byte,
                                     [](std::size_t b, const Arrival& a) { return b < a.endByte; });
    return it == arrivals_.end() ? Clock::time_point::max() : it->time;
}

std::size_t PulseServer::RecordedFrames() const {
    return Sink("cap").RecordedFrames();
}

bool PulseServer::WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const {
    return Sink("cap").WaitForFrames(frames, timeout);
}

std::vector<std::int16_t> PulseServer::Recording(std::size_t from, int channel) const {
    return Sink("cap").Recording(from, channel);
}

PulseServer::Clock::time_point PulseServer::ArrivalTime(std::size_t frame) const {
    return Sink("cap").ArrivalTime(frame);
}

std::string PulseServer::LogText() const {
    return ReadFile(logPath_);
}

long FirstAbove(const std::vector<std::int16_t>& samples, int threshold, std::size_t from) {
    for (std::size_t i = from; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

long LostAtStart(const std::vector<std::int16_t>& recording,
                 const std::vector<std::int16_t>& expected, std::size_t mostLost) {
    const long onset = FirstAbove(recording, 0);
    if (onset < 0) {
        return -1;
    }
    const auto heard = recording.begin() + onset;
    // Up to the last sound: a send may end the stream within its tolerance of the end, so the
    // last milliseconds of the silence after the signal need not be heard.
    const auto end = expected.begin() + std::max(EndAbove(expected, 0), 0L);
    for (std::size_t lost = 0; lost <= mostLost && lost < expected.size(); ++lost) {
        // The recording's first sound is the first non-zero sample kept.
        const long first = FirstAbove(expected, 0, lost);
        if (first < 0 || expected.begin() + first >= end) {
            break;
        }
        const auto rest = end - (expected.begin() + first);
        if (recording.end() - heard >= rest && std::equal(expected.begin() + first, end, heard)) {
            return static_cast<long>(lost);
        }
    }
    return -1;
}

long EndAbove(const std::vector<std::int16_t>& samples, int threshold) {
    for (std::size_t i = samples.size(); i > 0; --i) {
        if (std::abs(samples[i - 1]) > threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

}  // namespace tornel::test
