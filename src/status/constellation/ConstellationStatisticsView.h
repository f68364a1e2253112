#pragma once
// What the constellation statistics window shows, without widgets: how long
// the unit's receiver saw 0, 1, ... 12 satellites and the unit's verdict on
// the antenna installation. The statistics are held once for the program and
// outlive a connection; only ClearStatus and new replies change them. The
// window asks for them through CStatusPoller and draws what this class says.

#include "protocol/ConstellationStatistics.h"
#include "protocol/Vocabulary.h"
#include "status/StatusPoller.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

// The statistics as the unit reports them.
using ConstellationStatisticsData = Protocol::SConstellationStatistics;

// The program's one copy of the statistics.
[[nodiscard]] ConstellationStatisticsData& SharedConstellationStatistics();

class CConstellationStatisticsView : public CStatusPoller {
    Q_OBJECT
public:
    static constexpr int kRows = ConstellationStatisticsData::kRows;
    static constexpr std::int32_t kVerdictGood = ConstellationStatisticsData::kVerdictGood;
    static constexpr std::int32_t kVerdictSufficient = ConstellationStatisticsData::kVerdictSufficient;
    static constexpr std::int32_t kVerdictBad = ConstellationStatisticsData::kVerdictBad;
    static constexpr std::int32_t kVerdictInitialising = ConstellationStatisticsData::kVerdictInitialising;
    static constexpr std::uint8_t kRequestOpcode = Protocol::Op::kConstellationStatistics;
    static constexpr std::uint8_t kReplyOpcode = Protocol::Op::kConstellationStatisticsReply;
    static constexpr std::int32_t kReplyLength = std::int32_t(ConstellationStatisticsData::kReplyLength);

    // How a cell or the verdict pane is coloured.
    enum class Tone { Default, Good, Amber, Warning };
    static constexpr std::uint32_t kRgbGood = 0x00A020;    // RGB(0,160,32)
    static constexpr std::uint32_t kRgbAmber = 0xFFD700;   // RGB(255,215,0)
    static constexpr std::uint32_t kRgbWarning = 0xA02000; // RGB(160,32,0)

    explicit CConstellationStatisticsView(IStatusFrame& frame);

    // All durations and the total to 0, the verdict to "nothing known"; redraws.
    // Whether the figures count as valid is left as it was.
    void ClearStatus() override;
    // Brings the screen up to the stored statistics (through the redraw handler).
    void Redraw();
    // Called by Redraw once the texts below are current.
    void SetRedrawHandler(std::function<void()> handler) { redraw_ = std::move(handler); }

    [[nodiscard]] bool IsValid() const { return valid_; }
    // The statistics the window shows (the program's one copy).
    [[nodiscard]] const ConstellationStatisticsData& Statistics() const { return SharedConstellationStatistics(); }
    [[nodiscard]] int RedrawCount() const { return redraws_; }

    // What is shown: the duration cell of a row, its colour, the total pane and
    // the verdict pane.
    [[nodiscard]] QString CellText(int row) const;
    [[nodiscard]] Tone CellTone(int row) const;
    [[nodiscard]] QString TotalText() const;
    [[nodiscard]] QString VerdictPaneText() const;
    [[nodiscard]] Tone VerdictPaneTone() const;
    // The same texts for statistics however they were read; `showable`: they
    // are valid and no reset is pending.
    [[nodiscard]] static QString CellText(const ConstellationStatisticsData& stats, bool showable, int row);
    [[nodiscard]] static QString TotalText(const ConstellationStatisticsData& stats, bool showable);
    [[nodiscard]] static QString VerdictPaneText(const ConstellationStatisticsData& stats, bool showable);

    // The verdict as the commissioning report prints it, whether or not the
    // statistics are valid.
    [[nodiscard]] static QString GetVerdictText();
    // The same for any verdict ("Undefined" for one that is not known).
    [[nodiscard]] static QString VerdictText(std::int32_t verdict);

protected:
    [[nodiscard]] std::unique_ptr<CDeviceMessage> BuildRequest() const override;
    void OnStatusReply(const CDeviceMessage& reply) override;
    // A request that did not reach the unit also makes the figures invalid.
    void OnSendFailed() override;

private:
    [[nodiscard]] bool Showable() const;

    bool valid_ = false;
    int redraws_ = 0;
    std::function<void()> redraw_;
};
