#include "rks/RksConnectionString.h"
#include "rks/RksEndpoint.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace std::chrono_literals;

TEST(RksConnectionString, ReadsItsOwnItemsInAnyCase)
{
    auto params = RksParseConnectionString("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
    ASSERT_TRUE(params);
    EXPECT_EQ(params->host, "192.168.255.120");
    EXPECT_EQ(params->port, 7000);
    EXPECT_EQ(params->transferTimeout, 5000ms);

    params = RksParseConnectionString("addr=5, host = 10.0.0.1 ,Port=1,tmo=200,HOST=10.0.0.2,,flag");
    ASSERT_TRUE(params);
    EXPECT_EQ(params->host, "10.0.0.1");
    EXPECT_EQ(params->port, 1);
    EXPECT_EQ(params->transferTimeout, 200ms);

    params = RksParseConnectionString("ADDR=131");
    ASSERT_TRUE(params);
    EXPECT_TRUE(params->host.empty());
    EXPECT_FALSE(params->port);
}

TEST(RksConnectionString, RejectsBadNumbers)
{
    for (const char* text : {"PORT=0", "PORT=65536", "PORT=70x", "PORT=", "PORT=-1", "TMO=0", "TMO=5s",
                             "TMO=-200", "TMO=99999999999"})
        EXPECT_FALSE(RksParseConnectionString(text)) << text;
}

TEST(RksEndpoint, GatewayWinsAndMustBeWellFormed)
{
    const RksConnectionParams direct{"10.0.0.1", 7000, 5000ms};
    auto endpoint = RksChooseEndpoint(direct, "gw.example:4000");
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->host, "gw.example");
    EXPECT_EQ(endpoint->port, 4000);

    endpoint = RksChooseEndpoint(direct, "[::1]:4001");
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->host, "::1");

    endpoint = RksChooseEndpoint(direct, "");
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->host, "10.0.0.1");
    EXPECT_EQ(endpoint->port, 7000);

    // A broken gateway must not fall back to a direct connection.
    for (const char* gateway : {"gw.example", "gw.example:", ":4000", "::1:4000", "gw:0", "[]:4000"})
        EXPECT_FALSE(RksChooseEndpoint(direct, gateway)) << gateway;
    EXPECT_FALSE(RksChooseEndpoint({"10.0.0.1", std::nullopt, 5000ms}, ""));
    EXPECT_FALSE(RksChooseEndpoint({"", 7000, 5000ms}, ""));
}

TEST(RksEndpoint, EnvironmentOverridesTheServiceSetting)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "RKS", "CommunicationService");
    EXPECT_EQ(RksConfiguredGateway(), "");

    settings.setValue("Gateway", " 10.1.1.1:7100 ");
    settings.sync();
    EXPECT_EQ(RksConfiguredGateway(), "10.1.1.1:7100");

    setenv("QORA_RKS_GATEWAY", "127.0.0.1:7200", 1);
    EXPECT_EQ(RksConfiguredGateway(), "127.0.0.1:7200");
    setenv("QORA_RKS_GATEWAY", "", 1);
    EXPECT_EQ(RksConfiguredGateway(), "10.1.1.1:7100");

    unsetenv("QORA_RKS_GATEWAY");
    settings.remove("Gateway");
    settings.sync();
}
