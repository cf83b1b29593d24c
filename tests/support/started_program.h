#pragma once
// A program started with its standard output and error going where the test says, known
// by its process id so that the test can signal it and wait for it (POSIX).
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

// Checks `done` until it holds, for up to 30 s.
bool wait_until(const std::function<bool()>& done);

// The whole file, as bytes; empty when it cannot be read.
std::string file_text(const std::filesystem::path& path);

class started_program {
public:
    // `arguments[0]` is the program's path. `out` < 0: standard output into `out_file`;
    // else that descriptor.
    started_program(std::vector<std::string> arguments, const std::filesystem::path& out_file,
                    const std::filesystem::path& err_file, int out = -1);
    // A program still running is killed and reaped.
    ~started_program();
    started_program(const started_program&) = delete;
    started_program& operator=(const started_program&) = delete;

    pid_t pid() const { return pid_; }
    bool ended();
    // The exit code once the program ended (waiting up to 30 s); minus the signal's number
    // for one that a signal ended; not_ended when it did not end.
    static constexpr int not_ended = -1000;
    int exit_code();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace test_support
