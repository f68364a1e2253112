// Connection strings against the value each key gives: the local format, the
// strings the network browser's directory holds, and the spellings on which
// the tool's readers used to disagree.

#include "protocol/Connection.h"

#include <gtest/gtest.h>

using namespace Protocol;

TEST(ProtocolConnection, EachKeyGivesOneValue)
{
    constexpr std::uint16_t none = kNoBusAddress;
    using Channel = std::optional<std::uint32_t>;
    using Port = std::optional<std::uint16_t>;
    struct Case {
        const char* text;
        const char* host;
        Port port;
        const char* addressText;
        std::uint16_t busAddress;
        Channel channel;
        long timeoutMs;
        bool usable; // PORT and TMO, when present, are valid
    };
    const Case cases[] = {
        // The local format, with the settings' defaults and others.
        {"WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131", "192.168.255.120", 7000, "131", 131, {}, 5000, true},
        {"WP=SOCKET,HOST=10.1.2.3,PORT=65535,WP=NEQ1,ADDR=0", "10.1.2.3", 65535, "0", 0, {}, 5000, true},
        // What the network browser's directory holds: a remote unit on a channel.
        {"HOST=10.0.0.1,CH=9,ADDR=2051", "10.0.0.1", {}, "2051", 2051, 9u, 5000, true},
        {"WP=NEQ1,ADDR=131,CH=3", "", {}, "131", 131, 3u, 5000, true},
        // The spellings the readers disagreed on: ADDR is matched whole, in any case.
        {"HOST=h,XADDR=7,ADDR=131", "h", {}, "131", 131, {}, 5000, true},
        {"ADDR=131,HOST=h", "h", {}, "131", 131, {}, 5000, true},
        {"addr=131,host=h,port=7000,ch=12,tmo=900", "h", 7000, "131", 131, 12u, 900, true},
        {"ADDR=131,ADDR=7", "", {}, "131", 131, {}, 5000, true}, // the first item counts
        // Blanks around the string, a key or a value are no part of them.
        {" \t WP=SOCKET, host = 10.1.2.3 ,PORT= 7000 ,Addr= 77 ,CH= 9 \r\n", "10.1.2.3", 7000, "77", 77, 9u, 5000, true},
        // The bus address: at most five characters, below 0xFFFF.
        {"ADDR=123456", "", {}, "123456", 12345, {}, 5000, true},
        {"ADDR=65534", "", {}, "65534", 65534, {}, 5000, true},
        {"ADDR=65535", "", {}, "65535", none, {}, 5000, true},
        {"ADDR=20a1", "", {}, "20a1", none, {}, 5000, true},
        {"ADDR=", "", {}, "", none, {}, 5000, true},
        {"HOST=10.0.0.1", "10.0.0.1", {}, "", none, {}, 5000, true},
        {"", "", {}, "", none, {}, 5000, true},
        // The channel: its leading digits, none counting as 0.
        {"HOST=a,CH=x", "a", {}, "", none, 0u, 5000, true},
        {"HOST=a,CH=08", "a", {}, "", none, 8u, 5000, true},
        {",CH=3,ADDR=5", "", {}, "5", 5, 3u, 5000, true},
        {"HOST=a,XCH=3", "a", {}, "", none, {}, 5000, true},
        // PORT and TMO that cannot be used.
        {"HOST=h,PORT=0", "h", {}, "", none, {}, 5000, false},
        {"HOST=h,PORT=70000", "h", {}, "", none, {}, 5000, false},
        {"HOST=h,TMO=soon", "h", {}, "", none, {}, 5000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const SConnection connection = ParseConnection(c.text);
        EXPECT_EQ(connection.host, c.host);
        EXPECT_EQ(connection.port, c.port);
        EXPECT_EQ(connection.addressText, c.addressText);
        EXPECT_EQ(connection.busAddress, c.busAddress);
        EXPECT_EQ(connection.channel, c.channel);
        EXPECT_EQ(connection.transferTimeout.count(), c.timeoutMs);
        EXPECT_EQ(connection.problem.empty(), c.usable) << connection.problem;
    }
}

TEST(ProtocolConnection, EveryItemIsKeptInItsOrderAndTheStringTrimmedOnce)
{
    const SConnection c = ParseConnection("  WP=SOCKET,HOST=h,flag,WP=NEQ1,=x,ADDR=1 \n");
    EXPECT_EQ(c.text, "WP=SOCKET,HOST=h,flag,WP=NEQ1,=x,ADDR=1");
    ASSERT_EQ(c.items.size(), 6u);
    EXPECT_EQ(c.items[0].key, "WP");
    EXPECT_EQ(c.items[0].value, "SOCKET");
    EXPECT_EQ(c.items[2].key, "flag");
    EXPECT_FALSE(c.items[2].hasValue);
    EXPECT_EQ(c.items[3].value, "NEQ1");
    EXPECT_EQ(c.items[4].key, "");
    EXPECT_EQ(c.Value("wp"), "SOCKET");

    // Rewriting one item leaves every other as written.
    EXPECT_EQ(WithItem("WP=SOCKET,host=a,PORT=7000,ADDR=131,TMO=900", "HOST", "10.0.0.5"),
              "WP=SOCKET,host=10.0.0.5,PORT=7000,ADDR=131,TMO=900");
    EXPECT_EQ(WithItem("WP=NEQ1,ADDR=131,CH=3", "HOST", "x"), "WP=NEQ1,ADDR=131,CH=3");
    EXPECT_EQ(WithItem(",ADDR=1", "ADDR", "2"), ",ADDR=2");
}
