// A commissioning from the menu that the unit refuses or stops answering in
// the middle: the engineer reads the commissioning problem once, no reset is
// sent, the local settings stay where the unit still is, the connection and
// the unit's earlier values stay, and the unit still answers afterwards.

#include "faults/FaultRig.h"
#include "faults/WizardOperator.h"

#include "app/main/CommissioningCommands.h"
#include "app/widgets/CommParamDlg.h"

namespace faults {
namespace {

class CommissioningFaults : public FaultRig {
protected:
    void Commission(const QStringList& faults)
    {
        StartUnit(faults);
        StartProgram();
        ASSERT_TRUE(ConnectLocally());
        ASSERT_TRUE(EnterCommissionMode());
        auto previous = SetFileDialogFunction(
            [](const FileDialogRequest&) -> std::optional<QString> { return QStringLiteral(QORA_FAULT_WORK_ORDER); });
        frame->RunCommand(ID_OPEN_WORK_ORDER);
        SetFileDialogFunction(std::move(previous));
        ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
        ASSERT_TRUE(prompts.shown.empty()) << Messages().join(QStringLiteral(" | ")).toStdString();
        WizardOperator engineer;
        frame->RunCommand(ID_COMMISSIONING_WIZARD);
        EXPECT_TRUE(engineer.finished);
        EXPECT_TRUE(engineer.confirmed);
    }
    // The requests the unit received, as hex, and whether the reset is among them.
    [[nodiscard]] QStringList Requests() const
    {
        QStringList requests;
        for (const QJsonObject& line : TraceLines(TracePath()))
            if (line.value(QStringLiteral("kind")).toString() == QStringLiteral("transfer"))
                requests << line.value(QStringLiteral("req")).toString();
        return requests;
    }
    void ExpectNothingChanged()
    {
        // The warning that the unit's address changes may come first; the
        // problem is the last and only other message.
        ASSERT_FALSE(prompts.shown.empty());
        EXPECT_EQ(prompts.shown.back().text, LoadResString(61243));
        int problems = 0;
        for (const QString& text : Messages())
            problems += text == LoadResString(61243);
        EXPECT_EQ(problems, 1);
        EXPECT_FALSE(frame->Controller().CommissioningRunning());
        EXPECT_FALSE(frame->Controller().ResetPending());
        EXPECT_EQ(OpenDialogs(), QStringList{});
        EXPECT_EQ(app.Settings().ipAddress, QStringLiteral("192.168.255.120"));
        EXPECT_EQ(app.Settings().q1Address, 131u);
        PumpFor(300);
        EXPECT_EQ(State(), ConnectionState::Commission) << "no reset: the connection stays";
        EXPECT_FALSE(Requests().contains(QStringLiteral("53770000")));
        EXPECT_FALSE(FileBytes(StatePath()).contains("\"commissioning\""))
            << "no commissioning applied or pending: the unit keeps its address after a restart too";
        EXPECT_TRUE(ReadVersion()) << "the unit still answers";
    }
};

TEST_F(CommissioningFaults, ARefusedCommissioningBlockEndsWithoutReset)
{
    Commission({QStringLiteral("--commission-refuse"), QStringLiteral("block")});
    ExpectNothingChanged();
    EXPECT_FALSE(FileBytes(StatePath()).contains(QByteArray("192.168.255.121").toHex())) << "the block not taken";
    const QStringList requests = Requests();
    ASSERT_TRUE(requests.contains(QStringLiteral("53010001")));
    EXPECT_FALSE(std::any_of(requests.begin(), requests.end(),
                             [](const QString& r) { return r.startsWith(QStringLiteral("53539002")); }))
        << "nothing is written after the refusal";
    EXPECT_EQ(Menus(), kMenusCommissionMode);
}

TEST_F(CommissioningFaults, AUnitSilentFromTheUserBlockOnEndsWithoutReset)
{
    Commission({QStringLiteral("--commission-silent"), QStringLiteral("user")});
    ExpectNothingChanged();
    // The block before the silence was written and kept as a value, but the
    // bracket was never closed, so the unit will not run with it.
    EXPECT_TRUE(FileBytes(StatePath()).contains(QByteArray("192.168.255.121").toHex()));
    const QStringList requests = Requests();
    EXPECT_FALSE(requests.contains(QStringLiteral("53010000"))) << "no closing command after the silence";
    EXPECT_EQ(Menus(), kMenusCommissionMode);
}

} // namespace
} // namespace faults
