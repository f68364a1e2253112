#pragma once
// A master file and its image written by the simulator's sample firmware
// generator, for tests that download through the real link.

#include <QProcess>
#include <QString>
#include <QStringList>

#if defined(__SANITIZE_THREAD__)
#include "support/ForkedChild.h"
#endif

struct SampleFirmware {
    QString masterPath;
    QString imagePath;
    [[nodiscard]] bool Valid() const { return !masterPath.isEmpty(); }
};

#ifdef QORA_FIRMWARE_GEN_PATH
inline SampleFirmware MakeSampleFirmware(const QString& folder, const QString& imageName, const QString& software,
                                         qint64 size, const QString& masterName = QStringLiteral("SAMPLE.MFI"))
{
    const QStringList arguments{QStringLiteral("--out"),      folder,   QStringLiteral("--image"),
                                imageName,                    QStringLiteral("--software"), software,
                                QStringLiteral("--size"),     QString::number(size),        QStringLiteral("--master"),
                                masterName};
#if defined(__SANITIZE_THREAD__)
    if (RunForked(QORA_FIRMWARE_GEN_PATH, arguments, std::chrono::milliseconds(20000)) != 0)
        return {};
#else
    QProcess generator;
    generator.start(QStringLiteral(QORA_FIRMWARE_GEN_PATH), arguments);
    if (!generator.waitForFinished(20000) || generator.exitStatus() != QProcess::NormalExit
        || generator.exitCode() != 0)
        return {};
#endif
    return {folder + QLatin1Char('/') + masterName, folder + QLatin1Char('/') + imageName};
}
#endif
