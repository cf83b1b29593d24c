#pragma once
// Sets (or unsets) one environment variable for the life of the object.
#include <cstdlib>
#include <optional>
#include <string>

namespace test_support {

// Sets the variable, or removes it when `value` is empty-handed (nullopt).
inline void set_environment(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes a variable on Windows; the C library passes it on to the
    // process environment that the system functions read.
    ::_putenv_s(name, value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
#endif
}

class scoped_environment {
public:
    scoped_environment(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        apply(value);
    }
    ~scoped_environment() { apply(old_); }
    scoped_environment(const scoped_environment&) = delete;
    scoped_environment& operator=(const scoped_environment&) = delete;

private:
    void apply(const std::optional<std::string>& value) { set_environment(name_.c_str(), value); }

    std::string name_;
    std::optional<std::string> old_;
};

// The locale the process's children and the ANSI code page see: LC_ALL set to `name`
// (unset when null), LC_CTYPE and LANG unset, all restored afterwards.
class scoped_locale {
public:
    explicit scoped_locale(const char* name)
        : all_("LC_ALL", name ? std::optional<std::string>(name) : std::nullopt),
          ctype_("LC_CTYPE", std::nullopt),
          lang_("LANG", std::nullopt) {}

private:
    scoped_environment all_, ctype_, lang_;
};

}  // namespace test_support
