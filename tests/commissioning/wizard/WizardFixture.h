#pragma once
// A commissioning wizard offscreen, with the main frame's answers (remote or
// local, advanced mode, the settings' address) and the regional measurement
// setting under the test's control, and message boxes recorded.

#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "platform/MeasureSetting.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"

#include <QDir>
#include <QWizard>

#include <gtest/gtest.h>

#include <memory>

class WizardFixture : public ::testing::Test {
protected:
    WizardFixture()
    {
        previousMeasure_ = SetMeasureSettingFunction([this]() -> std::optional<QString> { return measure; });
    }
    ~WizardFixture() override { SetMeasureSettingFunction(previousMeasure_); }

    // Made on the connection that `remote` names now.
    CCommissionWiz& MakeWizard()
    {
        SWizardEnvironment environment;
        environment.isRemote = [this] { return remote; };
        environment.advancedMode = [this] { return advanced; };
        environment.settingsIpAddress = [this] { return settingsIp; };
        wizard = std::make_unique<CCommissionWiz>(environment);
        return *wizard;
    }

    // Presses Next until the page is reached or Next is refused; true when reached.
    bool GoTo(int pageId)
    {
        while (wizard->currentId() != pageId) {
            const int before = wizard->currentId();
            wizard->next();
            QCoreApplication::processEvents();
            if (wizard->currentId() == before)
                return false;
        }
        return true;
    }

    // Presses Next once; true when the wizard moved on.
    bool Next()
    {
        const int before = wizard->currentId();
        wizard->next();
        QCoreApplication::processEvents();
        return wizard->currentId() != before;
    }

    // For people: QORA_SCREENSHOT_DIR=folder keeps a picture of the page.
    void Screenshot(const QString& name)
    {
        const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        wizard->grab().save(folder + QStringLiteral("/wizard-") + name + QStringLiteral(".png"));
    }

    bool remote = false;
    bool advanced = true;
    QString settingsIp = QStringLiteral("192.168.255.120");
    std::optional<QString> measure = QStringLiteral("0");
    PromptRecorder prompts;
    std::unique_ptr<CCommissionWiz> wizard;

private:
    MeasureSettingFunction previousMeasure_;
};
