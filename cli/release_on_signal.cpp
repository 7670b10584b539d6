#include "cli/release_on_signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tornel::cli {

ReleaseOnSignal::ReleaseOnSignal() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    signalFd_ = signalfd(-1, &signals_, SFD_CLOEXEC);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    if (signalFd_ < 0 || stopFd_ < 0) {
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        throw std::runtime_error("сигналы завершения не перехватываются: передатчик не включается");
    }
    thread_ = std::thread([this] { Wait(); });
}

ReleaseOnSignal::~ReleaseOnSignal() {
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) == sizeof one) {
        thread_.join();
    } else {
        thread_.detach();  // cannot be woken; it dies with the process
    }
    ::close(stopFd_);
    ::close(signalFd_);
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

ReleaseOnSignal::Guard::Guard(ReleaseOnSignal& owner, ptt::KeyedSession& session) : owner_(owner) {
    std::lock_guard lock(owner_.mutex_);
    owner_.session_ = &session;
}

ReleaseOnSignal::Guard::~Guard() {
    std::lock_guard lock(owner_.mutex_);
    owner_.session_ = nullptr;
}

void ReleaseOnSignal::Wait() {
    pollfd fds[] = {{.fd = signalFd_, .events = POLLIN, .revents = 0},
                    {.fd = stopFd_, .events = POLLIN, .revents = 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN) != 0) {
            return;
        }
        signalfd_siginfo info{};
        if ((fds[0].revents & POLLIN) != 0 &&
            ::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            End(static_cast<int>(info.ssi_signo));
        }
    }
}

void ReleaseOnSignal::End(int signal) {
    std::string outcome = "передатчик не был включён";
    {
        std::lock_guard lock(mutex_);
        if (session_ != nullptr) {
            try {
                session_->Close();
                outcome = "передатчик отпущен";
            } catch (const ptt::PttError& e) {
                outcome =
                    std::string("передатчик не выключен: ") + e.what() + "; выключите его вручную";
            }
        }
    }
    const std::string line = std::string("tornel4-cli: прервано (") +
                             (signal == SIGINT ? "Ctrl-C" : "SIGTERM") + "), " + outcome + '\n';
    std::fflush(stdout);
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
    std::_Exit(128 + signal);
}

}  // namespace tornel::cli
