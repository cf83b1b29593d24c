// The palette notification as a registered window message, on a window of the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "plugin_message/vuro_plugin_message_run_palette.h"

namespace {

using units = std::vector<unsigned short>;

// A message-only window of this thread and the messages posted to it.
class target_window {
public:
    target_window()
        : window_(::CreateWindowExW(0, L"STATIC", L"palette", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr)) {}
    ~target_window() {
        if (window_ != nullptr) ::DestroyWindow(window_);
    }
    target_window(const target_window&) = delete;
    target_window& operator=(const target_window&) = delete;

    HWND handle() const { return window_; }
    std::int64_t value() const {
        return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(window_));
    }
    void destroy() {
        ::DestroyWindow(window_);
        window_ = nullptr;
    }

    // The next message of `id` posted to this thread's windows, within `timeout_ms`.
    static std::optional<MSG> next(UINT id, DWORD timeout_ms) {
        const DWORD start = ::GetTickCount();
        for (;;) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                if (message.message == id) return message;
            const DWORD spent = ::GetTickCount() - start;
            if (spent >= timeout_ms) return std::nullopt;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout_ms - spent, QS_POSTMESSAGE);
        }
    }

private:
    HWND window_;
};

const UINT palette_send = ::RegisterWindowMessageW(L"vuro plugin message : palette send");

TEST(run_palette_window_test, the_notification_reaches_the_window_with_its_value) {
    target_window window;
    ASSERT_NE(window.handle(), nullptr);
    vuro_plugin_message_run_palette m(window.value(), -123456);
    const units text = {u'p', u'i', u'n', u'g'};
    ASSERT_EQ(m.send_message(text.data(), 4), 0);
    const auto message = target_window::next(palette_send, 5000);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->hwnd, window.handle());
    EXPECT_EQ(message->wParam, 0u);
    EXPECT_EQ(static_cast<std::int32_t>(message->lParam), -123456);
    EXPECT_EQ(m.get_size_send_message(), 4u);
}

TEST(run_palette_window_test, no_window_gets_nothing_but_the_text_is_kept) {
    target_window window;
    window.destroy();
    const units text = {u'l', u'o', u's', u't'};
    // A window that is gone, no window, and the broadcast handle are all refused.
    for (const std::int64_t target : {window.value(), std::int64_t{0}, std::int64_t{0xFFFF}}) {
        vuro_plugin_message_run_palette m(target, 1);
        EXPECT_EQ(m.send_message(text.data(), 4), 3) << target;
        EXPECT_EQ(m.get_size_send_message(), 4u);
    }
    EXPECT_FALSE(target_window::next(palette_send, 200).has_value());
}

}  // namespace
