#pragma once
// What the installation status window shows, without the window: the six
// rows (self-tests, GPS fix, clock output, clock state, bus transmission, bus
// time) as status codes decoded from the unit's installation status reply,
// each with its text and colour.

#include "protocol/InstallationStatus.h"
#include "status/StatusPoller.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

// The colours a status text is drawn in.
enum class StatusColour { WindowText, Good, Warning, Caution };

namespace InstallColours {
inline constexpr std::uint32_t kGood = 0x00A020;       // RGB(0,160,32)
inline constexpr std::uint32_t kWarning = 0xA02000;    // RGB(160,32,0)
inline constexpr std::uint32_t kCaution = 0xFFD700;    // RGB(255,215,0)
inline constexpr std::uint32_t kRowHeader = 0xFAE696;  // RGB(250,230,150)
} // namespace InstallColours

// What the commissioning report copies of the installation status.
struct InstallationSummary {
    std::uint32_t selfTests = 0;   // status code of the self-test row
    std::uint32_t clockOutput = 0; // status code of the clock output row
    std::uint32_t clockState = 0;  // status code of the clock state row
    QString transmission;          // texts as shown
    QString busTime;
    QString gpsFix;
};

class CInstallStatusView : public CStatusPoller {
    Q_OBJECT
public:
    // The rows and their status codes are the reply's (Protocol::SInstallationStatus).
    using Row = Protocol::SInstallationStatus::Row;
    using enum Protocol::SInstallationStatus::Row;
    using Code = Protocol::SInstallationStatus::Code;
    using enum Protocol::SInstallationStatus::Code;

    static constexpr std::uint64_t kEarliestBusTimeMs = Protocol::SInstallationStatus::kEarliestBusTimeMs;
    static constexpr int kReplyLength = int(Protocol::SInstallationStatus::kReplyLength);

    CInstallStatusView(IStatusFrame& frame, std::function<QString()> unitAddressText);

    [[nodiscard]] static QString RowLabel(int row);
    [[nodiscard]] static StatusColour ColourOfCode(std::uint16_t code);

    [[nodiscard]] std::uint16_t CodeOf(int row) const;
    [[nodiscard]] QString RowText(int row) const;
    // A row's text for a status however it was read; `unitAddressText` is what
    // the transmission row names.
    [[nodiscard]] static QString RowText(const Protocol::SInstallationStatus& status, int row,
                                         const QString& unitAddressText);
    [[nodiscard]] StatusColour RowColour(int row) const;
    [[nodiscard]] std::uint64_t BusTimeMs() const { return status_.busTime.value; }
    [[nodiscard]] std::uint32_t SurveyProgress() const { return status_.surveyPercent; }
    // What the unit last said, as far as its replies went.
    [[nodiscard]] const Protocol::SInstallationStatus& Status() const { return status_; }

    // The bus time as the row shows it; empty when it is beyond any date shown.
    [[nodiscard]] static QString FormatBusTime(std::uint64_t milliseconds);

    void GetInstallationSummary(InstallationSummary& summary) const;

    // All six rows back to "?"; the bus time and survey progress stay.
    void ClearStatus() override;

    // Called whenever the rows should be drawn again.
    void SetRedrawHandler(std::function<void()> redraw) { redraw_ = std::move(redraw); }
    [[nodiscard]] int RedrawCount() const { return redraws_; }

protected:
    [[nodiscard]] std::unique_ptr<CDeviceMessage> BuildRequest() const override;
    void OnStatusReply(const CDeviceMessage& reply) override;

private:
    void Redraw();

    std::function<QString()> unitAddressText_;
    std::function<void()> redraw_;
    Protocol::SInstallationStatus status_;
    int redraws_ = 0;
};
