// Finding the unit an OPEN names, and the connection-string items behind it.

#include "sim/ConnectionString.h"
#include "sim/UnitRegistry.h"

#include <gtest/gtest.h>

using sim::CUnitRegistry;
using sim::UnitAddress;

namespace {

UnitAddress Unit(const char* ip, std::uint16_t q1)
{
    return {QHostAddress(QString::fromLatin1(ip)), q1};
}

class SimUnitRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registry.Add(Unit("192.168.255.120", 131)));
        ASSERT_TRUE(registry.Add(Unit("192.168.255.121", 131)));
        ASSERT_TRUE(registry.Add(Unit("192.168.255.121", 132)));
    }

    [[nodiscard]] std::string Found(std::string_view connection) const
    {
        const sim::CSimUnit* unit = registry.Resolve(connection);
        return unit ? unit->Label() : "none";
    }

    CUnitRegistry registry;
};

} // namespace

TEST(SimConnectionString, ItemsAreFoundByCaseInsensitiveKey)
{
    const std::string_view s = " WP=SOCKET, host = 10.1.2.3 ,PORT=7000,WP=NEQ1,Addr=131,flag,=x,CH=9 ";
    EXPECT_EQ(sim::ConnectionItem(s, "HOST"), "10.1.2.3");
    EXPECT_EQ(sim::ConnectionItem(s, "addr"), "131");
    EXPECT_EQ(sim::ConnectionItem(s, "WP"), "SOCKET"); // the first of repeated keys
    EXPECT_EQ(sim::ConnectionItem(s, "ch"), "9");
    EXPECT_FALSE(sim::ConnectionItem(s, "flag").has_value());
    EXPECT_FALSE(sim::ConnectionItem(s, "TMO").has_value());
    EXPECT_FALSE(sim::ConnectionItem("", "HOST").has_value());
    EXPECT_EQ(sim::ConnectionItem("ADDR=", "ADDR"), "");
}

TEST_F(SimUnitRegistry, HostAndAddrBothCount)
{
    EXPECT_EQ(Found("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131"), "192.168.255.120:131");
    EXPECT_EQ(Found("HOST=192.168.255.121,ADDR=131"), "192.168.255.121:131");
    EXPECT_EQ(Found("host=192.168.255.121,addr=132"), "192.168.255.121:132");
    EXPECT_EQ(Found("HOST=192.168.255.120,ADDR=132"), "none");
    EXPECT_EQ(Found("HOST=192.168.255.122,ADDR=131"), "none");
}

TEST_F(SimUnitRegistry, AddrAloneTakesTheFirstUnitWithIt)
{
    EXPECT_EQ(Found("WP=NEQ1,ADDR=131"), "192.168.255.120:131");
    EXPECT_EQ(Found("ADDR=132"), "192.168.255.121:132");
    EXPECT_EQ(Found("HOST=,ADDR=132"), "192.168.255.121:132");
    EXPECT_EQ(Found("ADDR=133"), "none");
}

TEST_F(SimUnitRegistry, UnusableStringsNameNoUnit)
{
    EXPECT_EQ(Found(""), "none");
    EXPECT_EQ(Found("HOST=192.168.255.120"), "none");
    EXPECT_EQ(Found("HOST=192.168.255.120,ADDR="), "none");
    EXPECT_EQ(Found("HOST=192.168.255.120,ADDR=13x"), "none");
    EXPECT_EQ(Found("HOST=192.168.255.120,ADDR=-131"), "none");
    EXPECT_EQ(Found("HOST=192.168.255.120,ADDR=65667"), "none");
    EXPECT_EQ(Found("HOST=unit.example,ADDR=131"), "none");
}

TEST_F(SimUnitRegistry, TheSameUnitCannotBeAddedTwice)
{
    EXPECT_FALSE(registry.Add(Unit("192.168.255.120", 131)));
    EXPECT_EQ(registry.Units().size(), 3u);
}
