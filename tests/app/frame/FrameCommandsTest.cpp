#include "app/frame/FrameCommands.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>
#include <vector>

namespace {

std::set<int> Enabled(const FrameCommandState& state)
{
    std::set<int> enabled;
    for (const FrameCommand& command : FrameCommands())
        if (IsFrameCommandEnabled(command.id, state))
            enabled.insert(command.id);
    return enabled;
}

const std::set<int> kAlways = {ID_FILE_NEW,      ID_OPEN_WORK_ORDER, ID_COMM_PARAMETERS, ID_APP_EXIT,
                               ID_VIEW_TOOLBAR,  ID_VIEW_STATUS_BAR, ID_ADVANCED,        ID_HELP_TOPICS,
                               ID_APP_ABOUT,     ID_VIEW_UNIT_TRAFFIC, ID_RECORD_UNIT_TRAFFIC,
                               ID_RECORD_STATUS, ID_SKY_PLOT,        ID_SIGNAL_HISTORY,  ID_INSTALLATION_TIMELINE,
                               ID_SURVEY_PLOT,   ID_CONSTELLATION_CHARTS, ID_FLEET_OVERVIEW};
const std::set<int> kMaintenance = {ID_SW_ACTIVATION,   ID_CONSTELLATION_LOG, ID_GPS_PARAMETERS,
                                    ID_TIME_CALCULATION, ID_CLOCK_OUT_TIMING, ID_USER_INFORMATION,
                                    ID_GPS_STATUS,       ID_INSTALLATION_STATUS, ID_CONSTELLATION_STATISTICS,
                                    ID_SYSTEM_PARAMETERS};

std::set<int> Union(std::set<int> a, const std::set<int>& b)
{
    a.insert(b.begin(), b.end());
    return a;
}

} // namespace

TEST(FrameCommands, EnablingFollowsConnectionAndRights)
{
    using T = ConnectionType;
    using S = ConnectionState;
    // Not connected, failed or idle.
    for (S state : {S::Disconnected, S::Failed})
        EXPECT_EQ(Enabled({T::None, state}), Union(kAlways, {ID_LOCAL_CONNECTION, ID_REMOTE_CONNECTION}));
    // Connecting: neither connection command.
    EXPECT_EQ(Enabled({T::None, S::Connecting}), kAlways);
    // Connected, local and remote.
    const std::set<int> connected =
        Union(kAlways, {ID_COMMISSION_MODE, ID_DISCONNECT, ID_SW_DOWNLOAD, ID_VERSION_INFORMATION});
    EXPECT_EQ(Enabled({T::Connected, S::Connected}), connected);
    EXPECT_EQ(Enabled({T::ConnectedBrowsed, S::Connected}), connected);
    // Commission mode requested: no second request, no download, no version.
    EXPECT_EQ(Enabled({T::Connected, S::EnteringCommission}), Union(kAlways, {ID_DISCONNECT}));
    // Commission mode, on either route.
    EXPECT_EQ(Enabled({T::Commission, S::Commission}), Enabled({T::CommissionBrowsed, S::Commission}));
    FrameCommandState commission{T::Commission, S::Commission};
    EXPECT_EQ(Enabled(commission),
              Union(Union(kAlways, kMaintenance),
                    {ID_DISCONNECT, ID_SW_DOWNLOAD, ID_VERSION_INFORMATION, ID_RESET_QORA}));
    commission.workOrderValues = true;
    commission.reportReady = true;
    commission.windowOpen = true;
    EXPECT_TRUE(Enabled(commission).count(ID_COMMISSIONING_WIZARD));
    EXPECT_TRUE(Enabled(commission).count(ID_COMMISSIONING_REPORT));
    EXPECT_TRUE(Enabled(commission).count(ID_WINDOW_TILE));
    // Read Only takes the wizard, the reset and the download away.
    commission.fullControl = false;
    const auto readOnly = Enabled(commission);
    EXPECT_FALSE(readOnly.count(ID_COMMISSIONING_WIZARD));
    EXPECT_FALSE(readOnly.count(ID_RESET_QORA));
    EXPECT_FALSE(readOnly.count(ID_SW_DOWNLOAD));
    EXPECT_TRUE(readOnly.count(ID_GPS_PARAMETERS));
}

TEST(FrameCommands, PlainLetterAcceleratorsTakeTheFirstCommandListed)
{
    EXPECT_EQ(CommandForAccelerator('A'), ID_ADVANCED);
    EXPECT_EQ(CommandForAccelerator('c'), ID_COMM_PARAMETERS);
    EXPECT_EQ(CommandForAccelerator('R'), ID_COMMISSIONING_REPORT);
    EXPECT_EQ(CommandForAccelerator('T'), ID_VIEW_TOOLBAR);
    EXPECT_EQ(CommandForAccelerator('L'), ID_LOCAL_CONNECTION);
    EXPECT_EQ(CommandForAccelerator('W'), ID_COMMISSIONING_WIZARD);
    EXPECT_FALSE(CommandForAccelerator('B'));
    EXPECT_FALSE(CommandForAccelerator('1'));
}

TEST(FrameCommands, PromptsSplitIntoStatusTextAndToolTip)
{
    const FrameCommand* local = FindFrameCommand(ID_LOCAL_CONNECTION);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(CommandStatusText(*local), QStringLiteral("Creates a local connection to the QORA unit"));
    EXPECT_EQ(CommandToolTip(*local), QStringLiteral("Local Connection"));
    const FrameCommand* system = FindFrameCommand(ID_SYSTEM_PARAMETERS);
    EXPECT_EQ(CommandToolTip(*system), QStringLiteral("Displays System Parameters "));
    EXPECT_EQ(FindFrameCommand(12345), nullptr);
}

// The traffic commands sit in File and View; no letter key runs them, so a
// letter typed anywhere in the frame never starts or stops a recording.
TEST(FrameCommands, TrafficCommandsHaveTheirMenusAndNoAccelerator)
{
    const FrameCommand* view = FindFrameCommand(ID_VIEW_UNIT_TRAFFIC);
    const FrameCommand* record = FindFrameCommand(ID_RECORD_UNIT_TRAFFIC);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(view->menu, "View");
    EXPECT_EQ(QString::fromLatin1(view->text).remove(QLatin1Char('&')), QStringLiteral("Unit Traffic"));
    EXPECT_STREQ(record->menu, "File");
    EXPECT_EQ(QString::fromLatin1(record->text).remove(QLatin1Char('&')), QStringLiteral("Record Unit Traffic..."));
    EXPECT_EQ(view->accelerator, 0);
    EXPECT_EQ(record->accelerator, 0);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto id = CommandForAccelerator(letter);
        EXPECT_NE(id, std::optional<int>(ID_VIEW_UNIT_TRAFFIC)) << letter;
        EXPECT_NE(id, std::optional<int>(ID_RECORD_UNIT_TRAFFIC)) << letter;
    }
    // Record comes before Exit in File, Unit Traffic among the View entries.
    std::vector<int> file;
    for (const FrameCommand& command : FrameCommands())
        if (std::string_view(command.menu) == "File")
            file.push_back(command.id);
    EXPECT_EQ(file.back(), ID_APP_EXIT);
    EXPECT_EQ(file[file.size() - 2], ID_RECORD_UNIT_TRAFFIC);
}
