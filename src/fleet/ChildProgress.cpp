#include "fleet/ChildProgress.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr QLatin1StringView kEvent("event");
constexpr QLatin1StringView kPercent("percent");
constexpr QLatin1StringView kProgress("progress");
constexpr QLatin1StringView kVerifying("verifying");
} // namespace

QByteArray ChildProgressLine(const SChildProgress& event)
{
    QJsonObject object;
    if (event.kind == SChildProgress::Kind::Verifying) {
        object[kEvent] = kVerifying;
    } else {
        object[kEvent] = kProgress;
        object[kPercent] = event.percent;
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<SChildProgress> ParseChildProgressLine(QByteArrayView line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray().trimmed());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QString event = object.value(kEvent).toString();
    if (event == kVerifying)
        return SChildProgress{SChildProgress::Kind::Verifying, 0};
    const QJsonValue percent = object.value(kPercent);
    if (event != kProgress || !percent.isDouble())
        return std::nullopt;
    const double value = percent.toDouble();
    if (!(value >= 0 && value <= 100) || value != static_cast<int>(value))
        return std::nullopt;
    return SChildProgress{SChildProgress::Kind::Progress, static_cast<int>(value)};
}
