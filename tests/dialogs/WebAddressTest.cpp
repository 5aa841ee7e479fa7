#include "src/dialogs/WebAddress.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
    const char* text;
    const char* opened;  // null: not opened
};

const AddressCase kCases[] = {
    // Web addresses, as typed or with http:// in front of a bare host.
    {"http://www.example.com", "http://www.example.com"},
    {"HTTPS://Example.com/a?b=c#d", "HTTPS://Example.com/a?b=c#d"},
    {"http://localhost:8080/", "http://localhost:8080/"},
    {"www.example.com", "http://www.example.com"},
    {"  example.org/path/page.html \r\n", "http://example.org/path/page.html"},
    {"shop.example.co.uk:8443/x?y=1", "http://shop.example.co.uk:8443/x?y=1"},
    {"192.168.1.20", "http://192.168.1.20"},
    // A name that looks like a program still only reaches the browser.
    {"notepad.exe", "http://notepad.exe"},
    // Nothing that the shell would run or open locally.
    {"", nullptr},
    {"   ", nullptr},
    {"localhost", nullptr},
    {"calc", nullptr},
    {"C:\\Windows\\System32\\calc.exe", nullptr},
    {"C:/Windows/System32/calc.exe", nullptr},
    {"\\\\server\\share\\tool.exe", nullptr},
    {"file:///C:/Windows/notepad.exe", nullptr},
    {"mailto:someone@example.com", nullptr},
    {"javascript:alert(1)", nullptr},
    {"ftp://example.com", nullptr},
    {"cmd.exe /c del *.*", nullptr},
    {"http://", nullptr},
    {"https:///path", nullptr},
    {"http://exa mple.com", nullptr},
    {"http://user@example.com", nullptr},
    {"http://example.com\\..\\x.exe", nullptr},
    {"www.example.com/a b", nullptr},
    {"example.com\"&calc", nullptr},
    {"example.com:0", nullptr},
    {"example.com:65536", nullptr},
    {"example.com:", nullptr},
    {"-bad.example.com", nullptr},
    {"a..example.com", nullptr},
    {"example.com.", nullptr},
    {"www.ex\xe4mple.com", nullptr},
    {"http://example.com/\x01", nullptr},
};

TEST(WebAddress, OnlyWebAddressesAreOpened) {
    for (const auto& c : kCases) {
        std::string out = "stale";
        bool ok = MakeWebAddress(c.text, out);
        if (c.opened) {
            EXPECT_TRUE(ok) << c.text;
            EXPECT_EQ(out, c.opened) << c.text;
        } else {
            EXPECT_FALSE(ok) << c.text;
            EXPECT_TRUE(out.empty()) << c.text;
        }
    }
}

TEST(WebAddress, HostLengthLimits) {
    std::string out;
    std::string label63(63, 'a');
    EXPECT_TRUE(MakeWebAddress(label63 + ".com", out));
    EXPECT_FALSE(MakeWebAddress(std::string(64, 'a') + ".com", out));
    std::string host;
    while (host.size() < 260) host += label63 + ".";
    host += "com";
    EXPECT_FALSE(MakeWebAddress(host, out));
}

}  // namespace
