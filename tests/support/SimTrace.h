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

// The download dialogue's commands as the trace shows them: "M:17,2,1\r"
// (start), "M:17,2,4\r" (end), "M:17,3,1" (status query).
inline const QByteArray kTracedDownloadStartHex = "4d3a31372c322c310d";
inline const QByteArray kTracedDownloadEndHex = "4d3a31372c322c340d";
inline const QByteArray kTracedStatusQueryHex = "4d3a31372c332c31";

// How many traced requests hold these bytes.
inline int CountTracedRequests(const QString& tracePath, const QByteArray& hex)
{
    int count = 0;
    for (const QByteArray& request : TracedRequests(tracePath))
        count += request.contains(hex) ? 1 : 0;
    return count;
}
