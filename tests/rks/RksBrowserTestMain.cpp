// Runs the browser's tests with a QApplication on the offscreen platform and
// with settings of their own, so that neither a gateway nor a node directory
// configured on the machine can change what they see.

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    unsetenv("QORA_RKS_GATEWAY");
    unsetenv("QORA_RKS_DIRECTORY");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
