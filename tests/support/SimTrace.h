#pragma once
// What the simulated unit received, read from its --trace file: the request
// bytes of every TRANSFER it answered, as lower-case hex, in order.

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <vector>

inline std::vector<QByteArray> TracedRequests(const QString& tracePath)
{
    std::vector<QByteArray> requests;
    QFile trace(tracePath);
    if (!trace.open(QIODevice::ReadOnly))
        return requests;
    while (!trace.atEnd()) {
        const QJsonObject line = QJsonDocument::fromJson(trace.readLine()).object();
        if (line.value(QStringLiteral("kind")).toString() == QStringLiteral("transfer"))
            requests.push_back(line.value(QStringLiteral("req")).toString().toLatin1());
    }
    return requests;
}
