// Runs the tests with settings of their own, so that a gateway configured on
// the machine cannot send their connections elsewhere.

#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    unsetenv("QORA_RKS_GATEWAY");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
