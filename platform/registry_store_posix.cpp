#include "platform/registry_store.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string first_config_dir() {
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = value != nullptr ? value : "";
    const std::string first = list.substr(0, list.find(':'));
    return !first.empty() && first[0] == '/' ? first : "/etc/xdg";
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

bool read_all(int fd, std::string& bytes) {
    char block[65536];
    for (;;) {
        const ssize_t count = ::read(fd, block, sizeof block);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return false;
        if (count == 0) return true;
        bytes.append(block, static_cast<std::size_t>(count));
    }
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

struct hive_file {
    bool readable = false;  // false when it exists but cannot be read
    bool exists = false;
    std::string bytes;
    mode_t mode = 0600;
};

hive_file read_hive_file(const std::string& file) {
    hive_file result;
    const descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        result.readable = errno == ENOENT;
        return result;
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !read_all(fd.get(), result.bytes)) return result;
    result.readable = result.exists = true;
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
};

hive_cache& cache_of(registry_root root) {
    static hive_cache caches[2];
    return caches[root == registry_root::current_user ? 0 : 1];
}

// Null when the file cannot be read or parsed; a missing file is an empty hive.
std::shared_ptr<const registry_hive> parse_cached(registry_root root, const std::string& file,
                                                  const hive_file& contents) {
    if (!contents.readable) return nullptr;
    if (!contents.exists) return std::make_shared<registry_hive>();
    hive_cache& cache = cache_of(root);
    std::lock_guard<std::mutex> guard(cache.mutex);
    if (cache.file == file && cache.bytes == contents.bytes) return cache.hive;
    auto parsed = registry_hive::parse(contents.bytes);
    cache.file = file;
    cache.bytes = contents.bytes;
    cache.hive = parsed ? std::make_shared<registry_hive>(std::move(*parsed)) : nullptr;
    return cache.hive;
}

std::shared_ptr<const registry_hive> load_hive(registry_root root) {
    const std::string file = registry_hive_file(root);
    if (file.empty()) return nullptr;
    return parse_cached(root, file, read_hive_file(file));
}

// ---- writing -----------------------------------------------------------------------------

std::string folder_of(const std::string& file) { return file.substr(0, file.rfind('/')); }

bool make_folders(const std::string& folder) {
    if (folder.empty()) return true;
    struct stat status {};
    if (::stat(folder.c_str(), &status) == 0) return S_ISDIR(status.st_mode);
    if (!make_folders(folder_of(folder))) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// A hive kept as a symbolic link (a dotfiles checkout, say) is written through the link.
bool write_target(const std::string& file, std::string& target) {
    struct stat status {};
    if (::lstat(file.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        target = file;
        return true;
    }
    char resolved[PATH_MAX];
    if (::realpath(file.c_str(), resolved) == nullptr) return false;
    target = resolved;
    return true;
}

class exclusive_lock {
public:
    explicit exclusive_lock(const std::string& file)
        : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_.get() < 0) return;
        int result;
        do result = ::flock(fd_.get(), LOCK_EX);
        while (result != 0 && errno == EINTR);
        locked_ = result == 0;
    }
    ~exclusive_lock() {
        if (locked_) ::flock(fd_.get(), LOCK_UN);
    }
    bool locked() const { return locked_; }

private:
    descriptor fd_;
    bool locked_ = false;
};

// Temporary file in the target's folder, flushed to disk, renamed over the target.
bool replace_file(const std::string& target, const std::string& bytes, mode_t mode) {
    std::string temporary = folder_of(target) + "/.hive-XXXXXX";
    descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) return false;
    const bool written = ::fchmod(fd.get(), mode) == 0 && write_all(fd.get(), bytes) &&
                         ::fsync(fd.get()) == 0;
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
    if (file.empty() || !make_folders(folder_of(file)) || !write_target(file, target)) return false;
    const exclusive_lock lock(file + ".lock");
    if (!lock.locked()) return false;
    const hive_file contents = read_hive_file(target);
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
    return std::unique_ptr<registry_key>(new registry_key(std::make_unique<impl>(impl{root, *full, false})));
}

std::unique_ptr<registry_key> registry_key::create(registry_root root, std::u16string_view path) {
    const auto full = full_key_path(root, path);
    if (!full || path.empty()) return nullptr;
    if (!modify_hive(root, [&](registry_hive& hive) { return hive.create_key(*full); }))
        return nullptr;
    return std::unique_ptr<registry_key>(new registry_key(std::make_unique<impl>(impl{root, *full, true})));
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

}  // namespace platform
