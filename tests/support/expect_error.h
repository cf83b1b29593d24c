#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace test_support {

// The action throws std::runtime_error with exactly `text`.
inline void expect_runtime_error(const std::function<void()>& action, const std::string& text) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected " << text;
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), text);
    }
}

}  // namespace test_support
