// The real registry, below a scratch key of the current user that each test deletes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry_store.h"

namespace {

using platform::registry_key;
using platform::registry_root;
namespace registry_type = platform::registry_type;

const registry_root user = registry_root::current_user;
using bytes = std::vector<std::uint8_t>;

class RegistryStoreWin32 : public ::testing::Test {
protected:
    void TearDown() override {
        const std::wstring scratch(scratch_.begin(), scratch_.end());
        ::RegDeleteTreeW(HKEY_CURRENT_USER, scratch.c_str());
    }

    std::u16string key(const std::u16string& below = {}) const {
        return below.empty() ? scratch_ : scratch_ + u"\\" + below;
    }
    static bool read(const std::u16string& path, const std::u16string& name, std::uint32_t& type,
                     bytes& data) {
        const auto opened = registry_key::open(user, path);
        return opened && opened->query(name, type, data);
    }

private:
    std::u16string scratch_ = u"Software\\plugdebug-test-" + [] {
        const std::string id = std::to_string(::GetCurrentProcessId());
        return std::u16string(id.begin(), id.end());
    }();
};

TEST_F(RegistryStoreWin32, OpenFindsOnlyExistingKeysAndCreateMakesThem) {
    EXPECT_EQ(registry_key::open(user, key(u"Test")), nullptr);
    const auto written = registry_key::create(user, key(u"Test\\Deep\\"));
    ASSERT_NE(written, nullptr);
    EXPECT_NE(registry_key::open(user, key(u"TEST\\deep")), nullptr);
    EXPECT_NE(registry_key::open(user, u""), nullptr);  // the root itself
    EXPECT_EQ(registry_key::create(user, key(u"Test\\\\Deep")), nullptr);
    EXPECT_EQ(registry_key::create(registry_root::local_machine, key(u"Test")), nullptr);
}

TEST_F(RegistryStoreWin32, ValuesKeepTheirTypeAndExactBytes) {
    const auto written = registry_key::create(user, key());
    ASSERT_NE(written, nullptr);
    const struct {
        std::u16string name;
        std::uint32_t type;
        bytes data;
    } values[] = {
        {u"dword", registry_type::dword, {0x00, 0x00, 0x01, 0x00}},
        {u"text", registry_type::sz, {0x41, 0, 0x42, 0, 0, 0}},
        {u"empty text", registry_type::sz, {}},
        {u"binary", registry_type::binary, {0x00, 0xFF, 0x10}},
        {u"expandable", registry_type::expand_sz, {0x25, 0, 0x41, 0, 0x25, 0, 0, 0}},
        {u"", registry_type::sz, {0x44, 0, 0, 0}},  // the default value
        {u"\u8a2d\u5b9a", registry_type::binary, bytes(100000, 0x5A)},
    };
    for (const auto& value : values) ASSERT_TRUE(written->set(value.name, value.type, value.data));
    for (const auto& value : values) {
        std::uint32_t type = 0;
        bytes data;
        ASSERT_TRUE(read(key(), value.name, type, data));
        EXPECT_EQ(type, value.type);
        EXPECT_EQ(data, value.data);
    }
    std::uint32_t type = 0;
    bytes data;
    EXPECT_FALSE(read(key(), u"missing", type, data));
}

TEST_F(RegistryStoreWin32, KeysOpenForOneDirectionOnly) {
    const auto written = registry_key::create(user, key());
    ASSERT_NE(written, nullptr);
    ASSERT_TRUE(written->set(u"v", registry_type::dword, {1, 0, 0, 0}));
    std::uint32_t type = 0;
    bytes data;
    EXPECT_FALSE(written->query(u"v", type, data));
    const auto opened = registry_key::open(user, key());
    ASSERT_NE(opened, nullptr);
    EXPECT_FALSE(opened->set(u"v", registry_type::dword, {2, 0, 0, 0}));
    // A NUL would cut the name short and write another value.
    EXPECT_FALSE(written->set(std::u16string(u"v\0x", 3), registry_type::dword, {3, 0, 0, 0}));
    ASSERT_TRUE(read(key(), u"v", type, data));
    EXPECT_EQ(data, (bytes{1, 0, 0, 0}));
}

}  // namespace
