#include "platform/child_launch_posix.h"
#include "platform/child_process.h"
#include "platform/wake_up.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

// Larger pipes mean fewer wake-ups for a child that writes a lot; the kernel may refuse.
constexpr int wanted_pipe_size = 1 << 20;
// Without a process descriptor the end of the child is checked this often.
constexpr int fallback_tick_ms = 10;

void close_descriptor(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Descriptors 0 to 2 are the child's standard streams; a pipe end that landed there
// (the parent closed its own) would be overwritten by the redirections.
bool move_above_standard_streams(int& fd) {
    if (fd > 2) return true;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    fd = moved;
    return fd >= 0;
}

struct pipe_pair {
    int read_end = -1;
    int write_end = -1;

    ~pipe_pair() {
        close_descriptor(read_end);
        close_descriptor(write_end);
    }

    bool open() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return false;
        read_end = ends[0];
        write_end = ends[1];
        if (!move_above_standard_streams(read_end) || !move_above_standard_streams(write_end))
            return false;
        ::fcntl(read_end, F_SETPIPE_SZ, wanted_pipe_size);
        const int flags = ::fcntl(read_end, F_GETFL);
        return flags >= 0 && ::fcntl(read_end, F_SETFL, flags | O_NONBLOCK) == 0;
    }
};

int open_process_descriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

// Taking in tens of megabytes costs mostly in page faults: on virtual machines one
// fault per 4 KiB page costs far more than copying the bytes. So buffers of a huge page
// and up are advised to use huge pages, and each range is backed with memory by one
// system call just before it is written.
constexpr size_t huge_page_size = 2u << 20;

// [data, data + size) widened to whole pages, as the memory calls want it.
std::pair<void*, size_t> whole_pages(char* data, size_t size) {
    static const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = reinterpret_cast<uintptr_t>(data) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size + page - 1) & ~(page - 1);
    return {reinterpret_cast<void*>(begin), end - begin};
}

void advise_huge_pages(char* data, size_t size) {
#ifdef MADV_HUGEPAGE
    if (size < huge_page_size) return;
    const auto [begin, length] = whole_pages(data, size);
    ::madvise(begin, length, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void back_with_memory(char* data, size_t size) {
#ifdef MADV_POPULATE_WRITE
    if (size == 0) return;
    const auto [begin, length] = whole_pages(data, size);
    ::madvise(begin, length, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)size;
#endif
}

// Makes room for `more` bytes in a sink that will never hold more than `most`. Each
// growth copies what came before, so the capacity grows fourfold; the spare part costs
// address space only, as pages are backed when written. A capacity past half of `most`
// becomes `most` at once: growing once more, late, would hold two full buffers at a
// time. False when no memory could be had; the sink is then unchanged.
bool make_room(std::string& sink, size_t more, size_t most) {
    if (sink.capacity() - sink.size() >= more) return true;
    size_t capacity = std::max(sink.capacity() * 4, sink.size() + more);
    if (capacity > most / 2) capacity = most;
    try {
        std::string grown;
        grown.reserve(capacity);
        advise_huge_pages(grown.data(), grown.capacity());
        back_with_memory(grown.data(), sink.size());
        grown.append(sink);
        sink.swap(grown);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Reads at most `wanted` bytes onto the end of a sink with room for them.
ssize_t read_appending(int fd, std::string& sink, size_t wanted) {
    const size_t old_size = sink.size();
    back_with_memory(sink.data() + old_size, wanted);
    sink.resize(old_size + wanted);
    const ssize_t count = ::read(fd, &sink[old_size], wanted);
    sink.resize(old_size + static_cast<size_t>(std::max<ssize_t>(count, 0)));
    return count;
}

// One output pipe of the child and what became of its bytes.
struct stream {
    int fd = -1;
    size_t budget = 2 * wanted_pipe_size;  // bytes one pass takes at most: twice the pipe
    size_t kept = 0;                       // bytes appended to the caller's sink
    bool storing = true;                   // false past the limit or once memory ran out
    bool cut = false;                      // bytes were dropped

    // Budget of the pipe as it is now: the child may have resized it.
    void measure_pipe() {
        const int size = fd >= 0 ? ::fcntl(fd, F_GETPIPE_SZ) : -1;
        if (size > 0) budget = 2 * static_cast<size_t>(size);
    }
};

enum class read_outcome { drained, more, closed };

// Reads what is waiting on a non-blocking pipe, at most the stream's budget: straight
// into the sink up to the capture limit, into a scratch buffer that is dropped beyond it.
read_outcome read_available(stream& s, std::string& sink) {
    char dropped[64 * 1024];
    size_t budget = s.budget;
    while (budget > 0) {
        // Nothing announced: a small read tells end of file from an empty pipe.
        int waiting = 0;
        if (::ioctl(s.fd, FIONREAD, &waiting) != 0 || waiting <= 0) waiting = 4096;
        const size_t wanted = std::min(budget, static_cast<size_t>(waiting));
        const size_t room = child_process::capture_limit - s.kept;
        const size_t take = std::min(wanted, room);
        // + 1: room for a terminator the caller may add.
        if (s.storing && !make_room(sink, take + 1, sink.size() + room + 1)) s.storing = false;
        ssize_t count;
        if (s.storing) {
            count = read_appending(s.fd, sink, take);
            if (count > 0) s.kept += static_cast<size_t>(count);
            s.storing = s.kept < child_process::capture_limit;
        } else {
            count = ::read(s.fd, dropped, std::min(wanted, sizeof dropped));
            if (count > 0) s.cut = true;
        }
        if (count > 0) {
            budget -= static_cast<size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return read_outcome::drained;
        return read_outcome::closed;  // end of file, or a read error: nothing more to get
    }
    return read_outcome::more;
}

}  // namespace

struct child_process::state {
    pid_t pid = -1;
    int process_fd = -1;
    stream out;
    stream err;
    int status = 0;
    bool running = false;
    bool reaped = false;

    ~state() { close_all(); }

    void close_all() {
        close_descriptor(process_fd);
        close_descriptor(out.fd);
        close_descriptor(err.fd);
    }

    void reap(int options) {
        int result;
        do {
            result = ::waitpid(pid, &status, options);
        } while (result < 0 && errno == EINTR);
        if (result == 0) return;  // still running (only with WNOHANG)
        // A result < 0 means someone else reaped it (SIGCHLD ignored, say): it is gone.
        if (result < 0) status = 0;
        reaped = true;
        running = false;
    }

    void kill() {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);  // in case it left its group
        reap(0);
    }

    static void read_pipe(stream& s, std::string& sink) {
        if (s.fd < 0) return;
        if (read_available(s, sink) == read_outcome::closed) close_descriptor(s.fd);
    }

    void finish(std::string& out_sink, std::string& err_sink) {
        out.measure_pipe();
        err.measure_pipe();
        read_pipe(out, out_sink);
        read_pipe(err, err_sink);
        if (!reaped) reap(0);
        close_all();
    }
};

child_process::child_process() : state_(new state) {}

child_process::~child_process() {
    kill_group();
    delete state_;
}

child_process::start_result child_process::start(const std::vector<std::string>& arguments,
                                                 const std::string& working_folder) {
    if (state_->running || arguments.empty()) return start_result::start_failure;
    pipe_pair out;
    pipe_pair err;
    if (!out.open() || !err.open()) return start_result::pipe_failure;

    const pid_t pid = launch_child(arguments, working_folder, out.write_end, err.write_end);
    if (pid < 0) return start_result::start_failure;

    state_->pid = pid;
    state_->running = true;
    state_->reaped = false;
    state_->status = 0;
    state_->process_fd = open_process_descriptor(pid);
    state_->out = stream{};
    state_->err = stream{};
    std::swap(state_->out.fd, out.read_end);
    std::swap(state_->err.fd, err.read_end);
    state_->out.measure_pipe();
    state_->err.measure_pipe();
    return start_result::started;
}

child_process::wait_result child_process::wait(std::string& out, std::string& err, int timeout_ms,
                                               const wake_up* wake) {
    state& s = *state_;
    if (!s.running) return wait_result::ended;

    pollfd fds[4];
    nfds_t count = 0;
    const auto watch = [&](int fd) {
        if (fd < 0) return -1;
        fds[count] = pollfd{fd, POLLIN, 0};
        return static_cast<int>(count++);
    };
    const int out_slot = watch(s.out.fd);
    const int err_slot = watch(s.err.fd);
    const int process_slot = watch(s.process_fd);
    const int wake_slot = watch(wake != nullptr ? static_cast<int>(wake->native_handle()) : -1);
    if (s.process_fd < 0 && (timeout_ms < 0 || timeout_ms > fallback_tick_ms))
        timeout_ms = fallback_tick_ms;

    const int ready = ::poll(fds, count, timeout_ms);
    if (ready < 0) return errno == EINTR ? wait_result::running : wait_result::failure;

    // Bounded reads keep one busy stream from starving the other and the exit test.
    if (out_slot >= 0 && fds[out_slot].revents != 0) state::read_pipe(s.out, out);
    if (err_slot >= 0 && fds[err_slot].revents != 0) state::read_pipe(s.err, err);

    bool ended = false;
    if (process_slot >= 0) {
        ended = fds[process_slot].revents != 0;
    } else {
        s.reap(WNOHANG);
        ended = s.reaped;
    }
    if (ended) {
        s.finish(out, err);
        return wait_result::ended;
    }
    if (wake_slot >= 0 && fds[wake_slot].revents != 0) return wait_result::woken;
    return wait_result::running;
}

void child_process::kill_group() {
    state& s = *state_;
    if (s.running) s.kill();
    s.close_all();
}

void child_process::kill_group(std::string& out, std::string& err) {
    state& s = *state_;
    if (s.running) {
        s.kill();  // dead before the last read: it writes nothing after that
        s.out.measure_pipe();
        s.err.measure_pipe();
        state::read_pipe(s.out, out);
        state::read_pipe(s.err, err);
    }
    s.close_all();
}

bool child_process::running() const { return state_->running; }

int child_process::exit_code() const {
    if (!state_->reaped || !WIFEXITED(state_->status)) return -1;
    return WEXITSTATUS(state_->status);
}

int child_process::exit_signal() const {
    if (!state_->reaped || !WIFSIGNALED(state_->status)) return 0;
    return WTERMSIG(state_->status);
}

bool child_process::output_cut() const { return state_->out.cut; }

bool child_process::error_cut() const { return state_->err.cut; }

}  // namespace platform
