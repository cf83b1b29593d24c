#include "platform/child_launch_posix.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char** environ;

namespace platform {
namespace {

// Everything the child needs, made before the fork: the child only reads it.
struct launch_plan {
    std::vector<std::string> candidates;  // paths to try in order, as execvp would
    std::vector<char*> argv;
    const char* folder = nullptr;
    int out = -1;
    int err = -1;
    int report = -1;  // write end of the failure pipe; closes itself on exec
    pid_t parent = 0;
    int highest_fd = 0;  // for systems without close_range
    struct sigaction default_action {};
    sigset_t no_signals;
};

// The places execvp would look, in its order; an empty entry of PATH is the current
// folder. Without PATH, the system's default search path.
std::vector<std::string> candidates_for(const std::string& program) {
    if (program.find('/') != std::string::npos) return {program};
    const char* variable = std::getenv("PATH");
    const std::string path = variable != nullptr ? variable : "/bin:/usr/bin";
    std::vector<std::string> candidates;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = path.find(':', begin);
        const std::string folder = path.substr(begin, end == std::string::npos ? end : end - begin);
        candidates.push_back(folder.empty() ? program : folder + "/" + program);
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return candidates;
}

// Async-signal-safe from here to the end of the file's child part.
[[noreturn]] void fail(const launch_plan& plan, int error) {
    ssize_t written;
    do {
        written = ::write(plan.report, &error, sizeof error);
    } while (written < 0 && errno == EINTR);
    ::_exit(127);
}

bool redirect(int from, int to) {
    int result;
    do {
        result = ::dup2(from, to);
    } while (result < 0 && errno == EINTR);
    return result >= 0;
}

// Every descriptor from 3 on but the failure pipe.
void close_others(const launch_plan& plan) {
#ifdef SYS_close_range
    if (::syscall(SYS_close_range, 3u, static_cast<unsigned>(plan.report - 1), 0u) == 0 &&
        ::syscall(SYS_close_range, static_cast<unsigned>(plan.report + 1), ~0u, 0u) == 0)
        return;
#endif
    for (int fd = 3; fd <= plan.highest_fd; ++fd)
        if (fd != plan.report) ::close(fd);
}

[[noreturn]] void become_program(const launch_plan& plan) {
    for (int signal = 1; signal < NSIG; ++signal)
        ::sigaction(signal, &plan.default_action, nullptr);
    ::sigprocmask(SIG_SETMASK, &plan.no_signals, nullptr);
    if (::setsid() < 0) fail(plan, errno);
#ifdef __linux__
    // Killed with this process's parent; if that is already gone, the signal never comes.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) fail(plan, errno);
    if (::getppid() != plan.parent) ::_exit(127);
#endif
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || !redirect(input, 0)) fail(plan, errno);
    if (input != 0) ::close(input);
    if (!redirect(plan.out, 1) || !redirect(plan.err, 2)) fail(plan, errno);
    close_others(plan);
    if (plan.folder != nullptr && ::chdir(plan.folder) != 0) fail(plan, errno);
    int error = ENOENT;
    for (const std::string& candidate : plan.candidates) {
        ::execve(candidate.c_str(), plan.argv.data(), environ);
        // As execvp: a miss or a refusal moves on to the next folder, anything else ends.
        if (errno == EACCES) {
            error = EACCES;
        } else if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP && errno != ENAMETOOLONG) {
            error = errno;
            break;
        }
    }
    fail(plan, error);
}

// Until exec, the child must not run this process's signal handlers: they could act on
// this process's state (write to its self-pipe, say). Signals are blocked around the
// fork and the child unblocks them once every disposition is back at its default.
class all_signals_blocked {
public:
    all_signals_blocked() {
        sigset_t all;
        sigfillset(&all);
        ::pthread_sigmask(SIG_SETMASK, &all, &previous_);
    }
    ~all_signals_blocked() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    all_signals_blocked(const all_signals_blocked&) = delete;
    all_signals_blocked& operator=(const all_signals_blocked&) = delete;

private:
    sigset_t previous_;
};

// 0 when the child reached its exec, else the error that stopped it.
int read_report(int report) {
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

void reap(pid_t pid) {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

pid_t launch_child(const std::vector<std::string>& arguments, const std::string& working_folder,
                   int out, int err) {
    if (arguments.empty()) return -1;
    launch_plan plan;
    plan.candidates = candidates_for(arguments[0]);
    for (const std::string& argument : arguments)
        plan.argv.push_back(const_cast<char*>(argument.c_str()));
    plan.argv.push_back(nullptr);
    if (!working_folder.empty()) plan.folder = working_folder.c_str();
    plan.out = out;
    plan.err = err;
    plan.parent = ::getpid();
    rlimit files{};
    plan.highest_fd = ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536
                          ? static_cast<int>(files.rlim_cur)
                          : 65536;
    plan.default_action.sa_handler = SIG_DFL;
    sigemptyset(&plan.default_action.sa_mask);
    sigemptyset(&plan.no_signals);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return -1;
    // Above the standard streams, which the child overwrites.
    for (int& end : report) {
        if (end > 2) continue;
        const int moved = ::fcntl(end, F_DUPFD_CLOEXEC, 3);
        ::close(end);
        end = moved;
    }
    if (report[0] < 0 || report[1] < 0) {
        for (const int end : report)
            if (end >= 0) ::close(end);
        return -1;
    }
    plan.report = report[1];
    pid_t pid;
    {
        const all_signals_blocked blocked;
        pid = ::fork();
        if (pid == 0) become_program(plan);
    }
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        return -1;
    }
    const int error = read_report(report[0]);
    ::close(report[0]);
    if (error == 0) return pid;
    reap(pid);
    return -1;
}

}  // namespace platform
