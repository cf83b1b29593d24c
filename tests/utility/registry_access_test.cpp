#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "tests/support/expect_error.h"
#include "tests/support/registry_fixture.h"
#include "utility/registry_access.h"

namespace {

using utility::registry_access;

using test_support::expect_runtime_error;

class RegistryAccess : public test_support::registry_fixture {
protected:
    // Values of Software\Test, one export line each.
    void store(const std::string& lines) {
        write_file(user_hive(), hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n" + lines));
    }
};

TEST_F(RegistryAccess, ConstructionOpensOrCreatesByMode) {
    expect_runtime_error([] { registry_access(u"Software\\Test", 0); },
                         "registry_access::registry_access() : fault.");
    expect_runtime_error([] { registry_access(u"Software\\Test", 2); },
                         "registry_access::registry_access() : fault.");
    expect_runtime_error([] { registry_access(u"Software\\\\Bad", 1); },
                         "registry_access::registry_access() : fault.");
    { registry_access created(u"Software\\Test\\", 1); }
    registry_access opened(u"software\\TEST", 0);
    EXPECT_EQ(opened.mode(), 0);
}

TEST_F(RegistryAccess, NumbersAndFlagsAreCheckedForTypeAndRange) {
    store(
        "\"zero\"=dword:00000000\n\"one\"=dword:00000001\n\"two\"=dword:00000002\n"
        "\"ffff\"=dword:0000ffff\n\"10000\"=dword:00010000\n\"text\"=\"1\"\n"
        "\"bytes\"=hex:01,00,00,00\n\"qword\"=hex(4):01,00,00,00,00,00,00,00\n"
        "\"short\"=hex(4):05\n");
    const registry_access key(u"Software\\Test", 0);
    EXPECT_TRUE(key.has_registry_bool(u"zero"));
    EXPECT_FALSE(key.get_registry_bool(u"zero"));
    EXPECT_TRUE(key.get_registry_bool(u"ONE"));
    EXPECT_TRUE(key.has_registry_unsigned_int(u"ffff"));
    EXPECT_EQ(key.get_registry_unsigned_int(u"ffff"), 0xFFFFu);
    EXPECT_EQ(key.get_registry_unsigned_int(u"two"), 2u);
    EXPECT_EQ(key.get_registry_unsigned_int(u"short"), 5u);
    for (const char16_t* name : {u"two", u"10000", u"text", u"bytes", u"qword", u"missing"}) {
        EXPECT_FALSE(key.has_registry_bool(name));
        expect_runtime_error([&] { key.get_registry_bool(name); },
                             "registry_access::get_registry_bool : fault.");
    }
    for (const char16_t* name : {u"10000", u"text", u"bytes", u"qword", u"missing"}) {
        EXPECT_FALSE(key.has_registry_unsigned_int(name));
        expect_runtime_error([&] { key.get_registry_unsigned_int(name); },
                             "registry_access::get_registry_unsigned_int : fault.");
    }
}

TEST_F(RegistryAccess, TextReadsUpToTheFirstNul) {
    store(
        "\"empty\"=\"\"\n\"zero length\"=hex(1):\n\"no nul\"=hex(1):41,00,42,00\n"
        "\"inner nul\"=hex(1):41,00,00,00,42,00,00,00\n\"odd\"=hex(1):41,00,42\n"
        "\"japanese\"=\"日本語\"\n\"number\"=dword:00000001\n\"bytes\"=hex:41,00\n");
    const registry_access key(u"Software\\Test", 0);
    EXPECT_EQ(key.get_registry_utf16(u"empty"), u"");
    EXPECT_EQ(key.get_registry_utf16(u"zero length"), u"");
    EXPECT_EQ(key.get_registry_utf16(u"no nul"), u"AB");
    EXPECT_EQ(key.get_registry_utf16(u"inner nul"), u"A");
    EXPECT_EQ(key.get_registry_utf16(u"odd"), u"A");
    EXPECT_EQ(key.get_registry_utf16(u"japanese"), u"日本語");
    for (const char16_t* name : {u"number", u"bytes", u"missing"}) {
        EXPECT_FALSE(key.has_registry_utf16(name));
        expect_runtime_error([&] { key.get_registry_utf16(name); },
                             "registry_access::get_registry_utf16 : fault.");
    }
}

TEST_F(RegistryAccess, BinaryReadsEveryByte) {
    store("\"bytes\"=hex:00,ff,10\n\"none\"=hex:\n\"text\"=\"x\"\n");
    const registry_access key(u"Software\\Test", 0);
    EXPECT_EQ(key.get_registry_binary(u"bytes"), (std::vector<std::uint8_t>{0, 0xFF, 0x10}));
    EXPECT_TRUE(key.get_registry_binary(u"none").empty());
    EXPECT_FALSE(key.has_registry_binary(u"text"));
    expect_runtime_error([&] { key.get_registry_binary(u"text"); },
                         "registry_access::get_registry_binary : fault.");
}

TEST_F(RegistryAccess, SettersStoreWhatGettersRead) {
    {
        registry_access key(u"Software\\Test", 1);
        key.set_registry_unsigned_int(u"number", 0xFFFF);
        key.set_registry_bool(u"flag", true);
        key.set_registry_bool(u"off", false);
        key.set_registry_unsigned_utf16(u"text", u"C:\\\"日本\"");
        key.set_registry_unsigned_utf16(u"empty", u"");
        key.set_registry_binary(u"bytes", {1, 2, 3});
    }
    EXPECT_EQ(
        read_file(user_hive()),
        hive_text("[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\Test]\n"
                  "\"number\"=dword:0000ffff\n\"flag\"=dword:00000001\n\"off\"=dword:00000000\n"
                  "\"text\"=\"C:\\\\\\\"日本\\\"\"\n\"empty\"=\"\"\n\"bytes\"=hex:01,02,03\n\n"));
    const registry_access key(u"Software\\Test", 0);
    EXPECT_EQ(key.get_registry_unsigned_int(u"number"), 0xFFFFu);
    EXPECT_TRUE(key.get_registry_bool(u"flag"));
    EXPECT_FALSE(key.get_registry_bool(u"off"));
    EXPECT_EQ(key.get_registry_utf16(u"text"), u"C:\\\"日本\"");
    EXPECT_EQ(key.get_registry_utf16(u"empty"), u"");
    EXPECT_EQ(key.get_registry_binary(u"bytes"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(RegistryAccess, AwkwardNamesAndTextsSurviveTheFile) {
    const std::u16string awkward = u"\"quoted\" \\back\\ ]bracket[ line\nbreak\r\n日本語";
    {
        registry_access key(u"Software\\Test", 1);
        key.set_registry_unsigned_utf16(awkward, awkward);
        key.set_registry_unsigned_utf16(u"after", u"still readable");
    }
    const registry_access key(u"Software\\Test", 0);
    EXPECT_EQ(key.get_registry_utf16(awkward), awkward);
    EXPECT_EQ(key.get_registry_utf16(u"after"), u"still readable");
}

TEST_F(RegistryAccess, AnEmptyBinaryIsRefusedAndWritesNothing) {
    registry_access key(u"Software\\Test", 1);
    const std::string before = read_file(user_hive());
    expect_runtime_error([&] { key.set_registry_binary(u"bytes", {}); },
                         "set_registry_binary() call error");
    EXPECT_EQ(read_file(user_hive()), before);
}

TEST_F(RegistryAccess, AClosedKeyReadsNothingAndRefusesWrites) {
    store("\"one\"=dword:00000001\n");
    registry_access reader(u"Software\\Test", 0);
    reader.close();
    reader.close();
    EXPECT_FALSE(reader.has_registry_bool(u"one"));
    expect_runtime_error([&] { reader.get_registry_bool(u"one"); },
                         "registry_access::get_registry_bool : fault.");

    registry_access writer(u"Software\\Test", 1);
    writer.close();
    expect_runtime_error([&] { writer.set_registry_unsigned_int(u"n", 1); },
                         "registry_access::set_registry_unsigned_int : fault.");
    expect_runtime_error([&] { writer.set_registry_bool(u"b", true); },
                         "registry_access::set_registry_bool : fault.");
    expect_runtime_error([&] { writer.set_registry_unsigned_utf16(u"t", u"x"); },
                         "set_registry_unsigned_utf16() call error");
    expect_runtime_error([&] { writer.set_registry_binary(u"x", {1}); },
                         "set_registry_binary() call error");
}

TEST_F(RegistryAccess, AKeyOpenedForWritingCannotBeReadAndViceVersa) {
    store("\"one\"=dword:00000001\n");
    registry_access writer(u"Software\\Test", 1);
    EXPECT_FALSE(writer.has_registry_bool(u"one"));
    registry_access reader(u"Software\\Test", 0);
    expect_runtime_error([&] { reader.set_registry_bool(u"one", false); },
                         "registry_access::set_registry_bool : fault.");
}

TEST_F(RegistryAccess, WritesToABrokenHiveFailAndLeaveItAlone) {
    registry_access writer(u"Software\\Test", 1);
    const std::string broken = hive_text("[HKEY_CURRENT_USER\\Software\\Test]\n\"x\"=oops\n");
    write_file(user_hive(), broken);
    expect_runtime_error([&] { writer.set_registry_unsigned_utf16(u"t", u"x"); },
                         "set_registry_unsigned_utf16() call error");
    EXPECT_EQ(read_file(user_hive()), broken);
}

}  // namespace
