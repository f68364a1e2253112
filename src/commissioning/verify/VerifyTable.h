#pragma once
// What a commissioned unit reports after its restart, set against what the
// commissioning wrote: one row per value the unit lets us read back, compared
// in the unit's own units (positions in 1/10 000 000 degree as 0xC001 holds
// them, altitude in centimetres, delays in nanoseconds at the width the unit
// keeps them, texts as the bytes the user block carried, the date as its
// three numbers). The subnet mask, the gateway and the Q1 speed cannot be
// read back; the IP and Q1 address show in where the unit answers.

#include "commissioning/CommissionValues.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// The values read from the unit; a group that could not be read stays empty.
struct SUnitReadBack {
    struct Position {
        std::int32_t latitude = 0;  // 1/10 000 000 degree
        std::int32_t longitude = 0; // 1/10 000 000 degree
        std::int32_t altitudeCm = 0;
        bool surveyedPosition = false; // GPS mode byte 1
    };
    struct Delays {
        std::uint32_t gpsAntennaNs = 0;
        std::uint16_t frameClockNs = 0;
    };
    struct BusOptions {
        std::int32_t lastDevice = 0; // the Q1 relay flag
        std::int32_t onePps = 0;
    };
    struct UserTexts {
        QByteArray name;
        QByteArray date; // as the unit reports it
        QByteArray comments;
        QByteArray actions;
    };
    std::optional<Position> position;
    std::optional<Delays> delays;
    std::optional<BusOptions> bus;
    std::optional<UserTexts> user;
};

// Where the unit was looked for: on a local connection its new IP and Q1
// address, on a remote one the same node.
struct SUnitPlace {
    bool remote = false;
    QString ipAddress;
    std::int32_t q1Address = 0;
};

struct SVerifyRow {
    QString parameter;
    QString written;
    QString readBack;
    bool match = false;
};

struct SVerification {
    bool unitBack = false; // the unit answered where it must now be
    SUnitPlace place;
    std::vector<SVerifyRow> rows;

    // The unit came back and every value it reported is the one written.
    [[nodiscard]] bool Passed() const;
    [[nodiscard]] QStringList Mismatches() const;
};

// What cannot be read back from the unit (shown beside the table).
[[nodiscard]] QStringList UnreadableParameters(bool remote);

[[nodiscard]] std::vector<SVerifyRow> CompareReadBack(const SCommissionValues& written, const SUnitReadBack& read,
                                                      const SUnitPlace& place);

// The table as aligned text lines, a header first.
[[nodiscard]] QStringList VerificationTableLines(const SVerification& verification);
// One line saying the outcome ("verified ..." or why not).
[[nodiscard]] QString VerificationSummary(const SVerification& verification, int timeoutSeconds);
// The verification as a JSON document (see docs/commission-verify.md).
[[nodiscard]] QByteArray VerificationJson(const SVerification& verification);
// Writes VerificationJson to the file, completely or not at all; false with
// the reason when it cannot.
bool SaveVerificationJson(const QString& path, const SVerification& verification, QString& error);
