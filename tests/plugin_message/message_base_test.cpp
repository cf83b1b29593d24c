#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <type_traits>
#include <typeinfo>

#include "plugin_message/vuro_plugin_message.h"

namespace {

// A message class of the host's own, as the program derives its result message.
bool host_message_destroyed = false;
class host_message : public abstract_vuro_plugin_message {
public:
    ~host_message() override { host_message_destroyed = true; }
};

TEST(message_base_test, run_time_type_checks_work_across_the_library_boundary) {
    std::unique_ptr<abstract_vuro_plugin_message> own = std::make_unique<host_message>();
    EXPECT_NE(dynamic_cast<host_message*>(own.get()), nullptr);
    EXPECT_EQ(dynamic_cast<vuro_plugin_message_run_processing*>(own.get()), nullptr);

    std::unique_ptr<abstract_vuro_plugin_message> processing =
        std::make_unique<vuro_plugin_message_run_processing>();
    EXPECT_EQ(dynamic_cast<host_message*>(processing.get()), nullptr);
    EXPECT_NE(dynamic_cast<vuro_plugin_message_run_processing*>(processing.get()), nullptr);
    const abstract_vuro_plugin_message& held = *processing;
    EXPECT_EQ(typeid(held), typeid(vuro_plugin_message_run_processing));

    std::unique_ptr<abstract_vuro_plugin_message> palette =
        std::make_unique<vuro_plugin_message_run_palette>(0, 0);
    EXPECT_NE(dynamic_cast<vuro_plugin_message_run_palette*>(palette.get()), nullptr);
    EXPECT_EQ(dynamic_cast<vuro_plugin_message_run_processing*>(palette.get()), nullptr);

    host_message_destroyed = false;
    own.reset();  // through the base's virtual destructor
    EXPECT_TRUE(host_message_destroyed);
}

TEST(message_base_test, exported_objects_are_one_pointer_to_their_record_and_not_copyable) {
    EXPECT_EQ(sizeof(abstract_vuro_plugin_message), sizeof(void*));  // virtual table only
    EXPECT_EQ(sizeof(vuro_plugin_message_run_processing), 2 * sizeof(void*));
    EXPECT_EQ(sizeof(vuro_plugin_message_run_palette), 2 * sizeof(void*));
    EXPECT_EQ(sizeof(vuro_plugin_message_quit_flag), sizeof(void*));
    EXPECT_EQ(sizeof(vuro_plugin_request_data), 3044u);
    static_assert(!std::is_copy_constructible_v<abstract_vuro_plugin_message>);
    static_assert(!std::is_copy_assignable_v<vuro_plugin_message_run_processing>);
    static_assert(!std::is_copy_constructible_v<vuro_plugin_message_run_palette>);
    static_assert(!std::is_copy_constructible_v<vuro_plugin_message_quit_flag>);
    static_assert(!std::is_copy_assignable_v<vuro_plugin_message_quit_flag>);
}

TEST(quit_flag_test, reads_what_was_stored) {
    vuro_plugin_message_quit_flag flag;
    EXPECT_FALSE(flag.get_flag());
    flag.set_flag(true);
    EXPECT_TRUE(flag.get_flag());
    flag.set_flag(false);
    EXPECT_FALSE(flag.get_flag());
}

TEST(quit_flag_test, a_stop_request_from_one_thread_reaches_a_polling_thread) {
    vuro_plugin_message_quit_flag flag;
    std::atomic<long> polls{0};
    std::thread call([&] {
        while (!flag.get_flag()) ++polls;
    });
    std::thread host([&] {
        while (polls.load() < 1000) std::this_thread::yield();
        for (int i = 0; i < 1000; ++i) flag.set_flag(false);
        flag.set_flag(true);
    });
    host.join();
    call.join();  // ends only once the reader saw true
    EXPECT_TRUE(flag.get_flag());
    EXPECT_GE(polls.load(), 1000);
}

}  // namespace
