#include "tests/support/rigctld_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace tornel::test {

namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(2);

// A port nobody listens on right now, as the kernel hands them out.
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    close(fd);
    return ntohs(addr.sin_port);
}

int Connect(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Asks the daemon for the PTT ("t"); its answer is one line, "0" or "1".
bool AskPtt(int fd) {
    if (write(fd, "t\n", 2) != 2) {
        throw std::runtime_error("rigctld: the question was not sent");
    }
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line == "1";
}

}  // namespace

bool RigctldServer::Available() {
    return std::system("command -v rigctld > /dev/null 2>&1") == 0;
}

RigctldServer::RigctldServer() : port_(FreePort()) {
    const std::string port = std::to_string(port_);
    pid_ = fork();
    if (pid_ == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        // The dummy rig keys only when it is told to handle PTT itself (-P RIG).
        execlp("rigctld", "rigctld", "-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", port.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto until = Clock::now() + std::chrono::seconds(10);
    while ((watchFd_ = Connect(port_)) < 0) {
        if (Clock::now() > until) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            throw std::runtime_error("rigctld did not come up on port " + port);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    changes_.push_back({Clock::now(), AskPtt(watchFd_)});
    watcher_ = std::thread([this] { Watch(); });
}

RigctldServer::~RigctldServer() {
    stop_ = true;
    watcher_.join();
    close(watchFd_);
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

std::string RigctldServer::Choice() const {
    return "rigctld:127.0.0.1:" + std::to_string(port_);
}

bool RigctldServer::Keyed() const {
    std::lock_guard lock(mutex_);
    return changes_.back().keyed;
}

std::vector<RigctldServer::Change> RigctldServer::Changes() const {
    std::lock_guard lock(mutex_);
    return changes_;
}

bool RigctldServer::WaitFor(bool keyed, std::chrono::milliseconds timeout) const {
    const auto until = Clock::now() + timeout;
    while (Keyed() != keyed) {
        if (Clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(kWatchInterval);
    }
    return true;
}

void RigctldServer::Watch() {
    while (!stop_) {
        const bool keyed = AskPtt(watchFd_);
        const auto seen = Clock::now();
        {
            std::lock_guard lock(mutex_);
            if (changes_.back().keyed != keyed) {
                changes_.push_back({seen, keyed});
            }
        }
        std::this_thread::sleep_for(kWatchInterval);
    }
}

}  // namespace tornel::test
