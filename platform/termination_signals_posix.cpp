#include "platform/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <thread>

namespace platform {
namespace {

constexpr int handled_signals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int signal_count = sizeof handled_signals / sizeof handled_signals[0];
constexpr unsigned char stop_byte = 0;  // no signal has the number 0

// The pipe's write end while an object lives; the handler reads it and nothing else.
std::atomic<int> handler_pipe{-1};
std::atomic<bool> taken{false};

// Only what is safe in a handler: one write, errno kept. A full pipe drops the signal;
// thousands are already waiting to be read.
extern "C" void hand_over_signal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    const int fd = handler_pipe.load();
    if (fd >= 0) (void)!::write(fd, &byte, 1);
    errno = saved;
}

}  // namespace

struct termination_signals::state {
    callback on_request;
    int read_end = -1;
    int write_end = -1;
    std::atomic<int> first{0};
    struct sigaction previous[signal_count] = {};
    std::thread reader;

    // Each byte is a signal's number until the stop byte comes.
    void read_requests() {
        for (;;) {
            unsigned char byte = stop_byte;
            const ssize_t count = ::read(read_end, &byte, 1);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0 || byte == stop_byte) return;
            const int code = 128 + byte;
            int none = 0;
            first.compare_exchange_strong(none, code);
            try {
                on_request(code);
            } catch (...) {
                // The request was recorded; the owner reads it from received().
            }
        }
    }
};

termination_signals::termination_signals(callback on_request) : state_(new state) {
    if (taken.exchange(true)) throw std::logic_error("termination signals are already taken");
    state_->on_request = std::move(on_request);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        taken = false;
        throw std::runtime_error("termination signals: no pipe");
    }
    state_->read_end = ends[0];
    state_->write_end = ends[1];
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    try {
        state_->reader = std::thread([s = state_.get()] { s->read_requests(); });
    } catch (...) {
        ::close(ends[0]);
        ::close(ends[1]);
        taken = false;
        throw;
    }
    handler_pipe = ends[1];
    struct sigaction action = {};
    action.sa_handler = hand_over_signal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < signal_count; ++i)
        ::sigaction(handled_signals[i], &action, &state_->previous[i]);
}

termination_signals::~termination_signals() {
    for (int i = 0; i < signal_count; ++i)
        ::sigaction(handled_signals[i], &state_->previous[i], nullptr);
    handler_pipe = -1;
    // A blocking write: the stop byte must arrive even behind a full pipe.
    ::fcntl(state_->write_end, F_SETFL, 0);
    ssize_t written = 0;
    do {
        written = ::write(state_->write_end, &stop_byte, 1);
    } while (written < 0 && errno == EINTR);
    state_->reader.join();
    ::close(state_->read_end);
    ::close(state_->write_end);
    taken = false;
}

int termination_signals::received() const { return state_->first.load(); }

}  // namespace platform
