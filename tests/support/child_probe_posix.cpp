#include "tests/support/child_probe.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace test_support {
namespace {

std::atomic<int> signals_seen{0};

void count_signal(int) { signals_seen.fetch_add(1); }

}  // namespace

bool has_child_processes() {
    siginfo_t info{};
    return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

std::set<int> open_descriptors() {
    std::set<int> descriptors;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        descriptors.insert(std::stoi(entry.path().filename().string()));
    return descriptors;  // the listing's own descriptor is closed again by now
}

bool process_running(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const auto close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return false;
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

bool ends_soon(int pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (process_running(pid)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void kill_process_group(int group) {
    if (group > 0) ::kill(-group, SIGKILL);
}

double process_cpu_ms() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

int run_forked(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The copy never returns into the test: it would run the remaining tests too.
        int code = 255;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    if (pid < 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::size_t address_space_bytes() {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

int open_inheritable_descriptor() { return ::open("/dev/null", O_RDONLY); }

void close_descriptor(int fd) { ::close(fd); }

struct signal_storm::state {
    struct sigaction previous {};
    std::atomic<bool> stop{false};
    std::thread sender;
};

signal_storm::signal_storm() : state_(new state) {
    signals_seen = 0;
    struct sigaction action {};
    action.sa_handler = count_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: interrupted calls fail with EINTR
    ::sigaction(SIGUSR1, &action, &state_->previous);
    const pthread_t target = ::pthread_self();
    state_->sender = std::thread([this, target] {
        while (!state_->stop) {
            ::pthread_kill(target, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
}

signal_storm::~signal_storm() {
    state_->stop = true;
    state_->sender.join();
    ::sigaction(SIGUSR1, &state_->previous, nullptr);
    delete state_;
}

int signal_storm::delivered() const { return signals_seen.load(); }

}  // namespace test_support
