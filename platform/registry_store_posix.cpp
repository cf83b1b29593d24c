#include "platform/registry_store.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/file_lock_posix.h"
#include "platform/folder_tree_posix.h"
#include "platform/known_folders.h"

namespace platform {
namespace {

// ---- where the hives live ----------------------------------------------------------------

std::string absolute_environment_path(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string config_home() {
    std::string folder = absolute_environment_path("XDG_CONFIG_HOME");
    if (!folder.empty()) return folder;
    const std::string home = home_folder();
    return home.empty() ? std::string() : home + "/.config";
}

// The first absolute entry: relative ones do not count, as the XDG rules say.
std::string first_config_dir() {
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = value != nullptr ? value : "";
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        if (list[start] == '/') return list.substr(start, end - start);
        start = end + 1;
    }
    return "/etc/xdg";
}

const char16_t* root_name(registry_root root) {
    return root == registry_root::current_user ? u"HKEY_CURRENT_USER" : u"HKEY_LOCAL_MACHINE";
}

std::optional<std::u16string> full_key_path(registry_root root, std::u16string_view sub_key) {
    if (sub_key.empty()) return std::u16string(root_name(root));
    const auto normal = registry_hive::normalise_key_path(sub_key);
    if (!normal) return std::nullopt;
    return std::u16string(root_name(root)) + u"\\" + *normal;
}

// ---- reading -----------------------------------------------------------------------------

class descriptor {
public:
    explicit descriptor(int fd = -1) : fd_(fd) {}
    ~descriptor() { reset(); }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset() { close(); }

private:
    int fd_;
};

// Stops once it has more than `limit` bytes.
bool read_at_most(int fd, std::size_t limit, std::string& bytes) {
    char block[65536];
    while (bytes.size() <= limit) {
        const ssize_t count = ::read(fd, block, sizeof block);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) return true;
        bytes.append(block, static_cast<std::size_t>(count));
    }
    return true;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// Far above any real hive; a bound on what a wrong file at the hive's path can cost.
constexpr std::size_t max_hive_bytes = 64 << 20;

std::string error_text(int error) {
    return std::error_code(error, std::generic_category()).message();
}

struct hive_file {
    bool exists = false;
    std::string problem;  // why it cannot be read; empty when it can or does not exist
    registry_fault::kind fault = registry_fault::kind::none;  // the same, as a kind
    std::string bytes;
    mode_t mode = 0600;
};

hive_file read_hive_file(const std::string& file) {
    static const std::string too_large =
        "larger than " + std::to_string(max_hive_bytes >> 20) + " MiB, far more than any hive";
    hive_file result;
    const auto fail = [&result](registry_fault::kind kind, std::string problem) {
        result.fault = kind;
        result.problem = std::move(problem);
        return result;
    };
    using kind = registry_fault::kind;
    // Without blocking: a named pipe at the path must not hang the program.
    const descriptor fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return result;
        return fail(kind::cannot_read, "cannot be opened (" + error_text(errno) + ")");
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return fail(kind::cannot_read, "cannot be read (" + error_text(errno) + ")");
    if (!S_ISREG(status.st_mode)) return fail(kind::not_a_file, "not a regular file");
    if (status.st_size > static_cast<off_t>(max_hive_bytes))
        return fail(kind::too_large, too_large);
    if (!read_at_most(fd.get(), max_hive_bytes, result.bytes))
        return fail(kind::cannot_read, "cannot be read (" + error_text(errno) + ")");
    if (result.bytes.size() > max_hive_bytes)  // it grew while being read
        return fail(kind::too_large, too_large);
    result.exists = true;
    result.mode = status.st_mode & 07777;
    return result;
}

// The last hive read or written per root, with the bytes it came from: reading a small
// file is cheap, parsing it is not, and comparing bytes cannot mistake one version of the
// file for another the way comparing sizes and times can.
struct hive_cache {
    std::mutex mutex;
    std::string file;
    std::string bytes;
    std::shared_ptr<const registry_hive> hive;  // null: unparseable
    registry_parse_error error;                 // why, then
};

hive_cache& cache_of(registry_root root) {
    static hive_cache caches[2];
    return caches[root == registry_root::current_user ? 0 : 1];
}

// Null when the file cannot be read or parsed (why, in `error` when given); a missing file
// is an empty hive.
std::shared_ptr<const registry_hive> parse_cached(registry_root root, const std::string& file,
                                                  const hive_file& contents,
                                                  registry_parse_error* error = nullptr) {
    if (!contents.problem.empty()) return nullptr;
    if (!contents.exists) return std::make_shared<registry_hive>();
    hive_cache& cache = cache_of(root);
    std::lock_guard<std::mutex> guard(cache.mutex);
    if (cache.file != file || cache.bytes != contents.bytes) {
        cache.error = {};
        auto parsed = registry_hive::parse(contents.bytes, &cache.error);
        cache.file = file;
        cache.bytes = contents.bytes;
        cache.hive = parsed ? std::make_shared<registry_hive>(std::move(*parsed)) : nullptr;
    }
    if (error != nullptr) *error = cache.error;
    return cache.hive;
}

// The hive a registry_read_scope of this thread holds for each root, if any.
thread_local const std::shared_ptr<const registry_hive>* pinned_hives[2] = {nullptr, nullptr};

int root_index(registry_root root) { return root == registry_root::current_user ? 0 : 1; }

std::shared_ptr<const registry_hive> load_hive(registry_root root) {
    if (const auto* pinned = pinned_hives[root_index(root)]) return *pinned;
    const std::string file = registry_hive_file(root);
    if (file.empty()) return nullptr;
    return parse_cached(root, file, read_hive_file(file));
}

// ---- writing -----------------------------------------------------------------------------

std::atomic<std::chrono::milliseconds::rep> lock_wait_ms{30000};

std::string folder_of(const std::string& file) { return file.substr(0, file.rfind('/')); }

// The file a write replaces: the hive, or where its symbolic links lead (a dotfiles
// checkout, say), which need not exist yet. False for a loop of links.
bool write_target(const std::string& file, std::string& target) {
    target = file;
    for (int links = 0; links < 40; ++links) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0) return errno == ENOENT;
        if (!S_ISLNK(status.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length <= 0 || length >= PATH_MAX) return false;
        link.resize(static_cast<std::size_t>(length));
        target = link[0] == '/' ? link : folder_of(target) + "/" + link;
    }
    return false;
}

// Like a file marked read-only on Windows, a hive without write permission is not written,
// whoever the user is.
bool may_write(const std::string& file, mode_t mode) {
    return (mode & 0222) != 0 && ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

// Writes a temporary file of one fixed name beside the target, flushes it to disk and
// renames it over the target. Only writers holding the lock touch that name, so a writer
// killed half-way leaves at most that one file, which the next writer replaces.
bool replace_file(const std::string& target, const std::string& bytes, mode_t mode) {
    const std::string temporary = target + ".tmp";
    ::unlink(temporary.c_str());  // whatever a killed writer left there, link or file
    descriptor fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0) return false;
    const bool written =
        ::fchmod(fd.get(), mode) == 0 && write_all(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The folder is not synced: after a crash the rename may be lost, leaving the previous
    // complete hive, which costs one change but never the file; syncing it would double the
    // cost of every write.
    return true;
}

// Applies `change` to the hive as it is on disk now, under the lock. `change` returns false
// when it left the hive as it was; nothing is written then.
bool modify_hive(registry_root root, const std::function<bool(registry_hive&)>& change) {
    if (root != registry_root::current_user) return false;
    const std::string file = registry_hive_file(root);
    std::string target;
    if (file.empty() || !make_folder_tree(folder_of(file)) || !write_target(file, target))
        return false;
    const file_lock lock(file + ".lock", std::chrono::milliseconds(lock_wait_ms.load()));
    if (!lock.locked()) return false;
    const hive_file contents = read_hive_file(target);
    if (contents.exists && !may_write(target, contents.mode)) return false;
    const auto current = parse_cached(root, file, contents);
    if (!current) return false;
    registry_hive hive = *current;
    if (!change(hive)) return true;
    std::string bytes = hive.serialise();
    if (!replace_file(target, bytes, contents.exists ? contents.mode : 0600)) return false;
    hive_cache& cache = cache_of(root);
    std::lock_guard<std::mutex> guard(cache.mutex);
    cache.file = file;
    cache.bytes = std::move(bytes);
    cache.hive = std::make_shared<registry_hive>(std::move(hive));
    cache.error = {};
    return true;
}

}  // namespace

struct registry_key::impl {
    registry_root root;
    std::u16string path;
    bool writable;
};

registry_key::registry_key(std::unique_ptr<impl> state) : impl_(std::move(state)) {}
registry_key::~registry_key() = default;

std::unique_ptr<registry_key> registry_key::open(registry_root root, std::u16string_view path) {
    const auto full = full_key_path(root, path);
    if (!full) return nullptr;
    const auto hive = load_hive(root);
    if (!hive || (!path.empty() && !hive->key_exists(*full))) return nullptr;
    return std::unique_ptr<registry_key>(
        new registry_key(std::make_unique<impl>(impl{root, *full, false})));
}

std::unique_ptr<registry_key> registry_key::create(registry_root root, std::u16string_view path) {
    const auto full = full_key_path(root, path);
    if (!full || path.empty()) return nullptr;
    if (!modify_hive(root, [&](registry_hive& hive) { return hive.create_key(*full); }))
        return nullptr;
    return std::unique_ptr<registry_key>(
        new registry_key(std::make_unique<impl>(impl{root, *full, true})));
}

bool registry_key::query(std::u16string_view name, std::uint32_t& type,
                         std::vector<std::uint8_t>& data) const {
    if (impl_->writable) return false;
    const auto hive = load_hive(impl_->root);
    const registry_value* value = hive ? hive->find_value(impl_->path, name) : nullptr;
    if (value == nullptr) return false;
    type = value->type;
    data = value->data;
    return true;
}

bool registry_key::set(std::u16string_view name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data) {
    if (!impl_->writable || !registry_hive::is_valid_value_name(name)) return false;
    return modify_hive(impl_->root, [&](registry_hive& hive) {
        const registry_value* old = hive.find_value(impl_->path, name);
        if (old != nullptr && old->type == type && old->data == data) return false;
        hive.set_value(impl_->path, registry_value{std::u16string(name), type, data});
        return true;
    });
}

std::string registry_hive_file(registry_root root) {
    if (root == registry_root::local_machine)
        return first_config_dir() + "/plugdebug/HKEY_LOCAL_MACHINE.reg";
    const std::string folder = config_home();
    return folder.empty() ? std::string() : folder + "/plugdebug/HKEY_CURRENT_USER.reg";
}

std::string registry_hive_problem(registry_root root) {
    const std::string file = registry_hive_file(root);
    if (file.empty())
        return "the settings have no folder: neither XDG_CONFIG_HOME nor HOME is an absolute path";
    const hive_file contents = read_hive_file(file);
    if (!contents.problem.empty()) return file + ": " + contents.problem;
    registry_parse_error error;
    if (parse_cached(root, file, contents, &error)) return {};
    return file + (error.line != 0 ? ", line " + std::to_string(error.line) : "") + ": " +
           error.what;
}

registry_read_scope::registry_read_scope(registry_root root) : root_(root) {
    const int index = root_index(root);
    outer_ = pinned_hives[index];
    fault_.file = registry_hive_file(root);
    if (fault_.file.empty()) {
        fault_.what = registry_fault::kind::no_location;
    } else {
        const hive_file contents = read_hive_file(fault_.file);
        registry_parse_error error;
        hive_ = parse_cached(root, fault_.file, contents, &error);
        if (contents.fault != registry_fault::kind::none) {
            fault_.what = contents.fault;
        } else if (!hive_) {
            fault_.what = registry_fault::kind::does_not_parse;
            fault_.line = error.line;
        }
    }
    pinned_hives[index] = &hive_;
}

registry_read_scope::~registry_read_scope() { pinned_hives[root_index(root_)] = outer_; }

void set_registry_lock_wait(std::chrono::milliseconds wait) { lock_wait_ms.store(wait.count()); }

}  // namespace platform
