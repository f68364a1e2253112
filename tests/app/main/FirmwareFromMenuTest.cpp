// A firmware download and activation from the menu, offscreen, against the
// simulated unit through the real link: the image the unit stored, what the
// user saw, and the unit coming back with its banks swapped.

#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/SableCommApp.h"
#include "app/shell/SplashWnd.h"
#include "link/CommHandler.h"
#include "software/activation/widgets/SoftwareActivationDlg.h"
#include "software/download/widgets/MulticastDownloadDlg.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"
#include "support/SampleFirmware.h"
#include "support/SimProcess.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString ProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager");
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Screenshot(QWidget& widget, const QString& name)
{
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty())
        widget.grab().save(folder + QLatin1Char('/') + name);
}

// Plays the engineer in front of the firmware dialogs: watches the download,
// and in the activation dialog presses "&Activate" (or only reads the names).
class FirmwareOperator {
public:
    explicit FirmwareOperator(bool activate) : activate_(activate)
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
        poll_.start();
    }

    QString downloadCaption;
    int highestProgress = 0;
    bool activationShown = false;
    QString activeName;
    QString inactiveName;

private:
    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* download = qobject_cast<CMulticastDownloadDlg*>(modal)) {
            auto* bar = download->findChild<QProgressBar*>(QStringLiteral("progressBar"));
            if (bar && bar->value() > highestProgress) {
                highestProgress = bar->value();
                if (downloadCaption.isEmpty() && highestProgress < 100) {
                    downloadCaption = download->windowTitle();
                    Screenshot(*download, QStringLiteral("software-download.png"));
                }
            }
        } else if (auto* activation = qobject_cast<CSoftwareActivationDlg*>(modal)) {
            auto* button = activation->findChild<QPushButton*>(QStringLiteral("activateButton"));
            auto* active = activation->findChild<QLabel*>(QStringLiteral("activeName"));
            auto* inactive = activation->findChild<QLabel*>(QStringLiteral("inactiveName"));
            if (!button || !active || !inactive || active->text() == QStringLiteral("000000.bin"))
                return;
            activationShown = true;
            activeName = active->text();
            inactiveName = inactive->text();
            Screenshot(*activation, QStringLiteral("software-activation.png"));
            poll_.stop();
            if (activate_ && button->isEnabled())
                button->click();
            else
                activation->accept();
        }
    }

    bool activate_;
    QTimer poll_;
};

class FirmwareFromMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        firmware = MakeSampleFirmware(folder.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QOR0310"), 600000);
        ASSERT_TRUE(firmware.Valid());
        stored = folder.filePath(QStringLiteral("unit"));
        sim = std::make_unique<SimProcess>(QStringList{
            QStringLiteral("--firmware-dir"), stored, QStringLiteral("--verification-polls"), QStringLiteral("0"),
            QStringLiteral("--reboot-ms"), QStringLiteral("300")});
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        // Reconnect two seconds after the reset rather than a minute.
        sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Retry_conn_Time"), 2);
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("/Embedding")}));
        frame = app.MainFrame();
        frame->RunCommand(ID_LOCAL_CONNECTION);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Connected; }, 8000));
        frame->RunCommand(ID_COMMISSION_MODE);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 8000));
        previousDialog = SetFileDialogFunction([this](const FileDialogRequest& request) -> std::optional<QString> {
            EXPECT_FALSE(request.save);
            EXPECT_TRUE(request.filter.contains(QStringLiteral("*.MFI")));
            return firmware.masterPath;
        });
    }
    void TearDown() override
    {
        SetFileDialogFunction(std::move(previousDialog));
        CSplashWnd::HideSplashScreen();
        qunsetenv("QORA_RKS_GATEWAY");
    }

    SettingsSandbox sandbox;
    PromptRecorder prompts;
    QTemporaryDir folder;
    SampleFirmware firmware;
    QString stored;
    std::unique_ptr<SimProcess> sim;
    CSableCommApp app;
    CMainFrame* frame = nullptr;
    FileDialogFunction previousDialog;
};

TEST_F(FirmwareFromMenuTest, DownloadThenActivateAndTheUnitComesBackWithTheNewFirmware)
{
    {
        FirmwareOperator engineer(true);
        frame->RunCommand(ID_SW_DOWNLOAD);
        EXPECT_EQ(engineer.highestProgress, 100);
        EXPECT_TRUE(engineer.downloadCaption.startsWith(QStringLiteral("Software Download - Local (")))
            << engineer.downloadCaption.toStdString();
        EXPECT_TRUE(engineer.downloadCaption.endsWith(QStringLiteral(" - QOR0310.bin")));
        ASSERT_TRUE(engineer.activationShown);
        EXPECT_EQ(engineer.activeName, QStringLiteral("QOR0300.bin"));
        EXPECT_EQ(engineer.inactiveName, QStringLiteral("QOR0310.bin"));
    }
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Software download completed successfully "));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Information);
    EXPECT_FALSE(frame->Controller().DownloadDialogOpen());

    // What the unit stored is the source, byte for byte.
    const QString unitImage = stored + QStringLiteral("/unit-131-image.bin");
    EXPECT_EQ(FileBytes(unitImage), FileBytes(firmware.imagePath));
    EXPECT_EQ(FileBytes(stored + QStringLiteral("/unit-131-master.bin")), FileBytes(firmware.masterPath));

    // The activation restarted the unit; the frame reconnects by itself.
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() != ConnectionState::Commission; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 15000));
    FirmwareOperator reader(false);
    frame->RunCommand(ID_SW_ACTIVATION);
    ASSERT_TRUE(reader.activationShown);
    EXPECT_EQ(reader.activeName, QStringLiteral("QOR0310.bin"));
    EXPECT_EQ(reader.inactiveName, QStringLiteral("QOR0300.bin"));
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(FirmwareFromMenuTest, AMasterFileThatCannotBeOpenedEndsAtOnceWithItsMessage)
{
    QFile::remove(firmware.imagePath);
    FirmwareOperator engineer(true);
    frame->RunCommand(ID_SW_DOWNLOAD);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Error while opening the source file.")));
    EXPECT_FALSE(engineer.activationShown);
    EXPECT_EQ(frame->Controller().ConnectionState(), ConnectionState::Commission);
}

} // namespace
