#include "platform/child_process.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/command_line_quoting.h"
#include "platform/text_codec.h"
#include "platform/wake_up.h"

namespace platform {
namespace {

// Larger pipes mean fewer wake-ups for a child that writes a lot.
constexpr DWORD pipe_buffer_size = 1 << 20;
constexpr DWORD read_size = 1 << 20;
constexpr DWORD forced_exit_code = 1;

struct handle {
    HANDLE value = nullptr;

    handle() = default;
    explicit handle(HANDLE h) : value(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~handle() { reset(); }
    handle(const handle&) = delete;
    handle& operator=(const handle&) = delete;
    handle(handle&& other) noexcept : value(other.value) { other.value = nullptr; }
    handle& operator=(handle&& other) noexcept {
        std::swap(value, other.value);
        return *this;
    }
    void reset() {
        if (value != nullptr) ::CloseHandle(value);
        value = nullptr;
    }
    explicit operator bool() const { return value != nullptr; }
};

std::wstring widen(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// A NUL would end the command line or the folder early: such a value cannot be passed.
bool to_utf16(const std::string& utf8, std::u16string& text) {
    return utf8.find('\0') == std::string::npos && bytes_to_utf16(code_page::utf8, utf8, text);
}

// The reading end of one output stream: a named pipe opened for overlapped reads, so
// the parent can wait on the process and both reads at once. Anonymous pipes cannot
// be read that way.
class output_pipe {
public:
    // Creates the pipe; `write_end` receives the child's end, not yet inheritable.
    bool open(handle& write_end) {
        close();
        kept_ = 0;
        storing_ = true;
        cut_ = false;
        static std::atomic<unsigned> counter{0};
        const std::wstring name = L"\\\\.\\pipe\\plugdebug-" +
                                  std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(counter++);
        read_end_ = handle(::CreateNamedPipeW(
            name.c_str(),
            PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
            pipe_buffer_size, pipe_buffer_size, 0, nullptr));
        if (!read_end_) return false;
        write_end = handle(::CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        event_ = handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        buffer_.reset(new char[read_size]);
        return write_end && event_;
    }

    bool is_open() const { return static_cast<bool>(read_end_); }
    bool cut() const { return cut_; }
    HANDLE event() const { return event_.value; }
    bool pending() const { return pending_; }

    // Takes what the reads have delivered, at most about `budget` bytes, and keeps one
    // read pending. Closes the pipe at end of file or on a read error.
    void collect(std::string& sink, std::size_t budget) {
        while (is_open() && budget > 0) {
            DWORD count = 0;
            if (pending_) {
                if (!::GetOverlappedResult(read_end_.value, &overlapped_, &count, FALSE)) {
                    if (::GetLastError() == ERROR_IO_INCOMPLETE) return;
                    close();
                    return;
                }
                pending_ = false;
                append(sink, count, budget);
                continue;
            }
            if (!start_read(sink, budget)) return;
        }
    }

    // After the child has ended: takes whatever is waiting, then stops the read that a
    // grandchild's open write end would otherwise keep pending for ever.
    void drain(std::string& sink) {
        collect(sink, SIZE_MAX);
        if (!pending_) return;
        ::CancelIoEx(read_end_.value, &overlapped_);
        DWORD count = 0;
        if (::GetOverlappedResult(read_end_.value, &overlapped_, &count, TRUE)) {
            std::size_t unlimited = SIZE_MAX;
            append(sink, count, unlimited);
        }
        pending_ = false;
        close();
    }

    void close() {
        if (pending_) {
            ::CancelIoEx(read_end_.value, &overlapped_);
            DWORD ignored = 0;
            ::GetOverlappedResult(read_end_.value, &overlapped_, &ignored, TRUE);
            pending_ = false;
        }
        read_end_.reset();
    }

    ~output_pipe() { close(); }

private:
    // Keeps the bytes up to the capture limit and while memory lasts; drops the rest.
    void append(std::string& sink, DWORD count, std::size_t& budget) {
        budget -= std::min<std::size_t>(budget, count);
        const std::size_t take =
            storing_ ? std::min<std::size_t>(count, child_process::capture_limit - kept_) : 0;
        try {
            sink.append(buffer_.get(), take);
            kept_ += take;
        } catch (const std::bad_alloc&) {
            storing_ = false;
            cut_ = true;
            return;
        }
        if (take < count) cut_ = true;
        storing_ = storing_ && kept_ < child_process::capture_limit;
    }

    // Starts one read; a read that completes at once is appended. False when the read
    // is pending or the pipe is closed.
    bool start_read(std::string& sink, std::size_t& budget) {
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_.value;
        DWORD count = 0;
        if (::ReadFile(read_end_.value, buffer_.get(), read_size, &count, &overlapped_)) {
            // Completed at once; the event is set all the same, so wait for it no longer.
            ::GetOverlappedResult(read_end_.value, &overlapped_, &count, FALSE);
            append(sink, count, budget);
            return true;
        }
        if (::GetLastError() == ERROR_IO_PENDING) {
            pending_ = true;
            return false;
        }
        close();  // end of file (broken pipe) or a failure: nothing more will come
        return false;
    }

    handle read_end_;
    handle event_;
    OVERLAPPED overlapped_{};
    bool pending_ = false;
    std::unique_ptr<char[]> buffer_;
    std::size_t kept_ = 0;
    bool storing_ = true;
    bool cut_ = false;
};

// Only the listed handles reach the child, whatever else the process holds inheritable.
class inherited_handles {
public:
    explicit inherited_handles(std::initializer_list<HANDLE> handles) : handles_(handles) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.reset(new char[size]);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.get());
        ready_ = ::InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
                 ::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                             handles_.data(), handles_.size() * sizeof(HANDLE),
                                             nullptr, nullptr);
        for (HANDLE h : handles_)
            ready_ = ready_ && ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    ~inherited_handles() {
        if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
    }
    inherited_handles(const inherited_handles&) = delete;
    inherited_handles& operator=(const inherited_handles&) = delete;

    bool ready() const { return ready_; }
    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

private:
    std::vector<HANDLE> handles_;
    std::unique_ptr<char[]> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
    bool ready_ = false;
};

bool set_job_limits(HANDLE job, DWORD flags) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = flags;
    return ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                     sizeof limits);
}

// A job whose processes die without the system's crash dialog, so a crashing
// interpreter ends at once instead of waiting for a click, and die with the last handle
// of the job: this process holds it, so when this process is killed during a run the
// whole tree ends with it.
handle make_job() {
    handle job(::CreateJobObjectW(nullptr, nullptr));
    if (job && !set_job_limits(job.value, JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION |
                                              JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE))
        set_job_limits(job.value, JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION);
    return job;
}

// After the child has ended by itself: what it left running in the background lives on
// once the job is closed, as on systems with process groups.
void let_job_go(HANDLE job) {
    if (job != nullptr) set_job_limits(job, JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION);
}

// The child inherits its error mode from this process: no critical-error or crash
// dialogs, no "file not found" boxes. Restored once the child has started.
class quiet_error_mode {
public:
    quiet_error_mode() : previous_(::GetErrorMode()) {
        ::SetErrorMode(previous_ | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
                       SEM_NOOPENFILEERRORBOX);
    }
    ~quiet_error_mode() { ::SetErrorMode(previous_); }
    quiet_error_mode(const quiet_error_mode&) = delete;
    quiet_error_mode& operator=(const quiet_error_mode&) = delete;

private:
    UINT previous_;
};

}  // namespace

struct child_process::state {
    handle process;
    handle job;  // null when the system refused to put the child in a job
    output_pipe out;
    output_pipe err;
    DWORD exit_code = 0;
    bool running = false;
    bool ended = false;

    void finish(std::string& out_sink, std::string& err_sink) {
        out.drain(out_sink);
        err.drain(err_sink);
        ::GetExitCodeProcess(process.value, &exit_code);
        let_job_go(job.value);
        release();
        ended = true;
    }

    void kill() {
        if (!job || !::TerminateJobObject(job.value, forced_exit_code))
            ::TerminateProcess(process.value, forced_exit_code);
        ::WaitForSingleObject(process.value, INFINITE);
        ::GetExitCodeProcess(process.value, &exit_code);
        ended = true;
    }

    void release() {
        out.close();
        err.close();
        process.reset();
        job.reset();  // ends what is left in the job unless let_job_go() came first
        running = false;
    }
};

child_process::child_process() : state_(new state) {}

child_process::~child_process() {
    kill_group();
    delete state_;
}

child_process::start_result child_process::start(const std::vector<std::string>& arguments,
                                                 const std::string& working_folder) {
    state& s = *state_;
    if (s.running || arguments.empty()) return start_result::start_failure;

    std::vector<std::u16string> wide_arguments(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i)
        if (!to_utf16(arguments[i], wide_arguments[i])) return start_result::start_failure;
    std::u16string wide_folder;
    if (!to_utf16(working_folder, wide_folder)) return start_result::start_failure;
    const std::wstring folder = widen(wide_folder);
    std::wstring command_line = widen(quote_command_line(wide_arguments));

    handle out_write;
    handle err_write;
    if (!s.out.open(out_write) || !s.err.open(err_write)) return start_result::pipe_failure;
    handle input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    if (!input) return start_result::pipe_failure;

    inherited_handles inherited{input.value, out_write.value, err_write.value};
    if (!inherited.ready()) return start_result::start_failure;
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.value;
    startup.StartupInfo.hStdOutput = out_write.value;
    startup.StartupInfo.hStdError = err_write.value;
    startup.lpAttributeList = inherited.list();

    // Suspended until it is in the job, so that every process it starts is there too.
    // A console interpreter gets a console without a window, and so do its children.
    PROCESS_INFORMATION started{};
    const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT |
                        CREATE_UNICODE_ENVIRONMENT;
    BOOL created;
    {
        const quiet_error_mode quiet;
        created = ::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, flags,
                                   nullptr, folder.empty() ? nullptr : folder.c_str(),
                                   &startup.StartupInfo, &started);
    }
    if (!created) return start_result::start_failure;
    s.process = handle(started.hProcess);
    const handle thread(started.hThread);
    s.job = make_job();
    if (s.job && !::AssignProcessToJobObject(s.job.value, s.process.value)) s.job.reset();
    ::ResumeThread(thread.value);

    s.running = true;
    s.ended = false;
    s.exit_code = 0;
    // Only the child holds the write ends now: the reads see end of file once it and
    // whatever it started have closed them.
    return start_result::started;
}

child_process::wait_result child_process::wait(std::string& out, std::string& err, int timeout_ms,
                                               const wake_up* wake) {
    state& s = *state_;
    if (!s.running) return wait_result::ended;

    // Start the reads (or take what is there already) before blocking on them.
    s.out.collect(out, 2 * pipe_buffer_size);
    s.err.collect(err, 2 * pipe_buffer_size);

    HANDLE waited[4];
    DWORD count = 0;
    waited[count++] = s.process.value;
    if (wake != nullptr) waited[count++] = reinterpret_cast<HANDLE>(wake->native_handle());
    if (s.out.pending()) waited[count++] = s.out.event();
    if (s.err.pending()) waited[count++] = s.err.event();
    // A stream left unread for the budget's sake has no read pending to wake us.
    const bool unread =
        (s.out.is_open() && !s.out.pending()) || (s.err.is_open() && !s.err.pending());
    const DWORD timeout = unread ? 0 : timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
    const DWORD result = ::WaitForMultipleObjects(count, waited, FALSE, timeout);
    if (result == WAIT_FAILED) return wait_result::failure;

    // Bounded reads keep one busy stream from starving the other and the exit test.
    s.out.collect(out, 2 * pipe_buffer_size);
    s.err.collect(err, 2 * pipe_buffer_size);
    if (::WaitForSingleObject(s.process.value, 0) == WAIT_OBJECT_0) {
        s.finish(out, err);
        return wait_result::ended;
    }
    if (wake != nullptr && wake->raised()) return wait_result::woken;
    return wait_result::running;
}

void child_process::kill_group() {
    state& s = *state_;
    if (s.running) s.kill();
    s.release();
}

void child_process::kill_group(std::string& out, std::string& err) {
    state& s = *state_;
    if (s.running) {
        s.kill();  // ended before the last read: it writes nothing after that
        s.out.drain(out);
        s.err.drain(err);
    }
    s.release();
}

bool child_process::running() const { return state_->running; }

int child_process::exit_code() const {
    return state_->ended ? static_cast<int>(state_->exit_code) : -1;
}

// Windows ends processes with exit codes, not signals.
int child_process::exit_signal() const { return 0; }

bool child_process::output_cut() const { return state_->out.cut(); }

bool child_process::error_cut() const { return state_->err.cut(); }

}  // namespace platform
