#pragma once
// What the installation status window shows, without the window: the six
// rows (self-tests, GPS fix, clock output, clock state, bus transmission, bus
// time) as status codes decoded from the unit's installation status reply,
// each with its text and colour.

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
    enum Row { SelfTests, GpsFix, ClockOutput, ClockState, Transmission, BusTime, kRowCount };

    enum Code : std::uint16_t {
        NotOk = 0,
        Ok = 1,
        Unknown = 2,
        Off = 3,
        On = 4,
        Unset = 5,
        OkSurvey = 6,
        OkLocked = 7,
        FreeRunning = 8,
        PllLocked = 9,
        Adjusting = 10,
        BusDate = 14,
        OkAddress = 15,
    };

    // Bus times up to and including this one (1 January 1990) are not believed.
    static constexpr std::uint64_t kEarliestBusTimeMs = 631152000000ULL;
    static constexpr int kReplyLength = 21;

    CInstallStatusView(IStatusFrame& frame, std::function<QString()> unitAddressText);

    [[nodiscard]] static QString RowLabel(int row);
    [[nodiscard]] static StatusColour ColourOfCode(std::uint16_t code);

    [[nodiscard]] std::uint16_t CodeOf(int row) const;
    [[nodiscard]] QString RowText(int row) const;
    [[nodiscard]] StatusColour RowColour(int row) const;
    [[nodiscard]] std::uint64_t BusTimeMs() const { return busTimeMs_; }
    [[nodiscard]] std::uint32_t SurveyProgress() const { return surveyProgress_; }

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
    // False when the reply ended before a field.
    bool Decode(const CDeviceMessage& reply);
    void Redraw();

    std::function<QString()> unitAddressText_;
    std::function<void()> redraw_;
    std::array<std::uint16_t, kRowCount> codes_{};
    std::uint64_t busTimeMs_ = 0;
    std::uint32_t surveyProgress_ = 0;
    int redraws_ = 0;
};
