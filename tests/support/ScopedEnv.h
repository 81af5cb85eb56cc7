// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace kevo::test {

// Sets an environment variable (nullptr: removes it) for as long as it
// lives, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_ ? old_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_, value != nullptr ? value : "");
#else
        if (value != nullptr)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
#endif
    }

    const char* name_;
    std::optional<std::string> old_;
};

} // namespace kevo::test
