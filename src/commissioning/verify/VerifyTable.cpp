#include "commissioning/verify/VerifyTable.h"

#include "commissioning/procedure/CommissionBlocks.h"
#include "data/system/UserData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kNotRead = QStringLiteral("(not read)");

QString Degrees(std::int32_t raw)
{
    return QString::number(double(raw) / 10000000.0, 'f', 7);
}

QString Centimetres(std::int32_t cm)
{
    return QString::number(cm) + QStringLiteral(" cm");
}

QString Nanoseconds(std::uint32_t ns)
{
    return QString::number(ns) + QStringLiteral(" ns");
}

QString Flag(std::int32_t value)
{
    return value == 1 ? QStringLiteral("yes") : value == 0 ? QStringLiteral("no") : QString::number(value);
}

QString GpsModeText(std::uint8_t mode)
{
    switch (mode) {
    case 1:
        return QStringLiteral("surveyed position");
    case 0:
        return QStringLiteral("self survey");
    default:
        return QStringLiteral("no survey ordered");
    }
}

// A text as the unit holds it, readable on one line.
QString UnitText(const QByteArray& bytes)
{
    QString text = QString::fromLatin1(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    text.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The four texts of the user block as it went to the unit.
struct WrittenTexts {
    QByteArray name, date, comments, actions;
};

WrittenTexts UserBlockTexts(const SCommissionValues& v)
{
    SUserBlockValues user;
    user.userName = v.userName;
    user.actions = v.actions;
    user.comments = v.comments;
    user.year = v.year;
    user.month = v.month;
    user.day = v.day;
    const QByteArray block = BuildUserBlock(user);
    QList<QByteArray> parts = block.mid(4).split('\0');
    while (parts.size() < 4)
        parts.append(QByteArray());
    return {parts[0], parts[1], parts[2], parts[3]};
}

bool SameDate(const QByteArray& a, const QByteArray& b)
{
    const UserDate x = ParseUserDate(a);
    const UserDate y = ParseUserDate(b);
    return x.year == y.year && x.month == y.month && x.day == y.day;
}

void AddUnread(std::vector<SVerifyRow>& rows, const QString& parameter, const QString& written)
{
    rows.push_back({parameter, written, kNotRead, false});
}

} // namespace

bool SVerification::Passed() const
{
    return unitBack && !rows.empty() && std::all_of(rows.begin(), rows.end(), [](const SVerifyRow& r) { return r.match; });
}

QStringList SVerification::Mismatches() const
{
    QStringList names;
    for (const SVerifyRow& r : rows)
        if (!r.match)
            names.append(r.parameter);
    return names;
}

QStringList UnreadableParameters(bool remote)
{
    if (remote)
        return {};
    return {QStringLiteral("Subnet mask"), QStringLiteral("Gateway address"), QStringLiteral("Q1 speed")};
}

std::vector<SVerifyRow> CompareReadBack(const SCommissionValues& written, const SUnitReadBack& read,
                                        const SUnitPlace& place)
{
    std::vector<SVerifyRow> rows;
    if (!place.remote) {
        // The unit answered there, so these are what it runs with.
        rows.push_back({QStringLiteral("IP address"), written.ipAddress, place.ipAddress,
                        written.ipAddress == place.ipAddress});
        rows.push_back({QStringLiteral("Q1 address"), QString::number(written.q1Address),
                        QString::number(place.q1Address), written.q1Address == place.q1Address});
    }

    const std::int32_t latitude = ScaledDegrees(written.latitude);
    const std::int32_t longitude = ScaledDegrees(written.longitude);
    const std::uint8_t mode = GpsModeByte(written.positionLocked ? 1 : 0, written.selfSurvey ? 1 : 0);
    if (const auto& p = read.position) {
        rows.push_back({QStringLiteral("Latitude"), Degrees(latitude), Degrees(p->latitude), latitude == p->latitude});
        rows.push_back(
            {QStringLiteral("Longitude"), Degrees(longitude), Degrees(p->longitude), longitude == p->longitude});
        rows.push_back({QStringLiteral("Altitude"), Centimetres(written.altitudeCm), Centimetres(p->altitudeCm),
                        written.altitudeCm == p->altitudeCm});
        // The unit tells only whether it uses its stored position (1) or
        // surveys; the two survey modes written read back alike.
        rows.push_back({QStringLiteral("GPS mode"), GpsModeText(mode),
                        p->surveyedPosition ? GpsModeText(1) : GpsModeText(0),
                        (mode == 1) == p->surveyedPosition});
    } else {
        AddUnread(rows, QStringLiteral("Latitude"), Degrees(latitude));
        AddUnread(rows, QStringLiteral("Longitude"), Degrees(longitude));
        AddUnread(rows, QStringLiteral("Altitude"), Centimetres(written.altitudeCm));
        AddUnread(rows, QStringLiteral("GPS mode"), GpsModeText(mode));
    }

    // The block carries the antenna delay in 32 bits and the frame clock
    // delay in 16: that is what the unit can hold.
    const auto antenna = std::uint32_t(written.gpsAntennaDelayNs);
    const auto frameClock = std::uint16_t(written.frameClockDelayNs);
    if (const auto& d = read.delays) {
        rows.push_back({QStringLiteral("GPS antenna delay"), Nanoseconds(antenna), Nanoseconds(d->gpsAntennaNs),
                        antenna == d->gpsAntennaNs});
        rows.push_back({QStringLiteral("Frame clock delay"), Nanoseconds(frameClock), Nanoseconds(d->frameClockNs),
                        frameClock == d->frameClockNs});
    } else {
        AddUnread(rows, QStringLiteral("GPS antenna delay"), Nanoseconds(antenna));
        AddUnread(rows, QStringLiteral("Frame clock delay"), Nanoseconds(frameClock));
    }

    const std::int32_t relay = written.q1Relay ? 1 : 0;
    const std::int32_t onePps = written.onePps ? 1 : 0;
    if (const auto& b = read.bus) {
        rows.push_back({QStringLiteral("Last Q1 device"), Flag(relay), Flag(b->lastDevice), relay == b->lastDevice});
        rows.push_back({QStringLiteral("1PPS clock output"), Flag(onePps), Flag(b->onePps), onePps == b->onePps});
    } else {
        AddUnread(rows, QStringLiteral("Last Q1 device"), Flag(relay));
        AddUnread(rows, QStringLiteral("1PPS clock output"), Flag(onePps));
    }

    const WrittenTexts texts = UserBlockTexts(written);
    if (const auto& u = read.user) {
        rows.push_back({QStringLiteral("User name"), UnitText(texts.name), UnitText(u->name), texts.name == u->name});
        rows.push_back({QStringLiteral("Date"), UnitText(texts.date), UnitText(u->date), SameDate(texts.date, u->date)});
        rows.push_back({QStringLiteral("Comments"), UnitText(texts.comments), UnitText(u->comments),
                        texts.comments == u->comments});
        rows.push_back({QStringLiteral("Actions"), UnitText(texts.actions), UnitText(u->actions),
                        texts.actions == u->actions});
    } else {
        AddUnread(rows, QStringLiteral("User name"), UnitText(texts.name));
        AddUnread(rows, QStringLiteral("Date"), UnitText(texts.date));
        AddUnread(rows, QStringLiteral("Comments"), UnitText(texts.comments));
        AddUnread(rows, QStringLiteral("Actions"), UnitText(texts.actions));
    }
    return rows;
}

QStringList VerificationTableLines(const SVerification& verification)
{
    const QString headers[3] = {QStringLiteral("Parameter"), QStringLiteral("Written"), QStringLiteral("Read back")};
    qsizetype widths[3] = {headers[0].size(), headers[1].size(), headers[2].size()};
    for (const SVerifyRow& r : verification.rows) {
        widths[0] = std::max(widths[0], r.parameter.size());
        widths[1] = std::max(widths[1], r.written.size());
        widths[2] = std::max(widths[2], r.readBack.size());
    }
    const auto line = [&](const QString& a, const QString& b, const QString& c, const QString& d) {
        return a.leftJustified(widths[0] + 2) + b.leftJustified(widths[1] + 2) + c.leftJustified(widths[2] + 2) + d;
    };
    QStringList lines{line(headers[0], headers[1], headers[2], QStringLiteral("Match"))};
    for (const SVerifyRow& r : verification.rows)
        lines.append(line(r.parameter, r.written, r.readBack, r.match ? QStringLiteral("yes") : QStringLiteral("NO")));
    return lines;
}

QString VerificationSummary(const SVerification& verification, int timeoutSeconds)
{
    const SUnitPlace& place = verification.place;
    const QString where = place.remote
        ? QStringLiteral("on its node")
        : QStringLiteral("at %1, Q1 address %2").arg(place.ipAddress).arg(place.q1Address);
    if (!verification.unitBack)
        return QStringLiteral("verification failed: the unit did not answer %1 within %2 s of the reset")
            .arg(where)
            .arg(timeoutSeconds);
    if (verification.Passed())
        return QStringLiteral("verified: the unit answers %1 and reads back every value written").arg(where);
    if (verification.rows.empty())
        return QStringLiteral("verification failed: the unit answers %1 but could not be read back").arg(where);
    return QStringLiteral("verification failed: the unit answers %1 but reads back other values for: %2")
        .arg(where, verification.Mismatches().join(QStringLiteral(", ")));
}

QByteArray VerificationJson(const SVerification& verification)
{
    QJsonObject place;
    place.insert(QStringLiteral("remote"), verification.place.remote);
    if (!verification.place.remote) {
        place.insert(QStringLiteral("ip_address"), verification.place.ipAddress);
        place.insert(QStringLiteral("q1_address"), verification.place.q1Address);
    }
    QJsonArray rows;
    for (const SVerifyRow& r : verification.rows) {
        QJsonObject row;
        row.insert(QStringLiteral("parameter"), r.parameter);
        row.insert(QStringLiteral("written"), r.written);
        row.insert(QStringLiteral("read_back"), r.readBack);
        row.insert(QStringLiteral("match"), r.match);
        rows.append(row);
    }
    QJsonObject root;
    root.insert(QStringLiteral("unit_back"), verification.unitBack);
    root.insert(QStringLiteral("verified"), verification.Passed());
    root.insert(QStringLiteral("place"), place);
    root.insert(QStringLiteral("rows"), rows);
    root.insert(QStringLiteral("not_readable"), QJsonArray::fromStringList(UnreadableParameters(verification.place.remote)));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool SaveVerificationJson(const QString& path, const SVerification& verification, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray json = VerificationJson(verification);
    if (file.write(json) != json.size()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
