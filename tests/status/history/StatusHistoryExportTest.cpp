// Each history exported as CSV: its columns, gaps and empty channels, and a
// file written completely or not at all.

#include "status/history/StatusHistoryExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Fill(CStatusHistory& history)
{
    SGpsSample g;
    g.timeMs = 1000;
    g.latitudeDeg = 48.1;
    g.longitudeDeg = -11.5;
    g.altitudeM = 500;
    g.channels[1] = {9, 45, 61.25, 300.5, false};
    history.AddGps(g);
    history.MarkGap();
    g.timeMs = 16000;
    history.AddGps(g);

    SInstallationSample i;
    i.timeMs = 2000;
    i.texts = {QStringLiteral("OK"), QStringLiteral("OK (Survey) [37 %]"), QStringLiteral("On"),
               QStringLiteral("PLL Locked"), QStringLiteral("OK (131)"), QStringLiteral("01.01.1990   00:00:00")};
    i.surveyPercent = 37;
    history.AddInstallation(i);

    SConstellationSample c;
    c.timeMs = 3000;
    c.verdictText = QStringLiteral("Sufficient     ");
    c.statistics.durations[4] = 120;
    c.statistics.total = 120;
    history.AddConstellation(c);
}

TEST(StatusHistoryExport, EachHistoryAsCsvWithItsGaps)
{
    CStatusHistory history;
    Fill(history);
    const QList<QByteArray> gps = GpsHistoryCsv(history).split('\n');
    ASSERT_EQ(gps.size(), 4); // header, two rows, the last line break
    EXPECT_TRUE(gps[0].startsWith("time,after_gap,latitude,longitude,altitude_m,ch1_sat,ch1_cno,ch1_elevation,"
                                  "ch1_azimuth,ch2_sat"));
    EXPECT_TRUE(gps[0].endsWith(",ch12_azimuth"));
    EXPECT_EQ(gps[1], "1970-01-01T00:00:01.000Z,0,48.1000000,-11.5000000,500.00,,,,,9,45,61.25,300.50" +
                          QByteArray(40, ','));
    EXPECT_TRUE(gps[2].startsWith("1970-01-01T00:00:16.000Z,1,"));

    EXPECT_EQ(InstallationHistoryCsv(history),
              "time,after_gap,self_test,gps_fix,clock_output,clock_state,transmission,bus_time,survey_progress\n"
              "1970-01-01T00:00:02.000Z,0,OK,OK (Survey) [37 %],On,PLL Locked,OK (131),"
              "01.01.1990   00:00:00,37\n");

    const QList<QByteArray> constellation = ConstellationHistoryCsv(history).split('\n');
    EXPECT_EQ(constellation[0], "time,after_gap,verdict,total_s,satellites_0_s,satellites_1_s,satellites_2_s,"
                                "satellites_3_s,satellites_4_s,satellites_5_s,satellites_6_s,satellites_7_s,"
                                "satellites_8_s,satellites_9_s,satellites_10_s,satellites_11_s,satellites_12_s");
    EXPECT_EQ(constellation[1], "1970-01-01T00:00:03.000Z,0,Sufficient,120,0,0,0,0,120,0,0,0,0,0,0,0,0");
}

TEST(StatusHistoryExport, TheFileIsWrittenCompletelyOrNotAtAll)
{
    CStatusHistory history;
    Fill(history);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gps.csv"));
    QString error;
    ASSERT_TRUE(ExportStatusHistoryCsv(history, StatusSampleKind::Gps, path, error)) << error.toStdString();
    EXPECT_EQ(Read(path), GpsHistoryCsv(history));
    ASSERT_TRUE(ExportStatusHistoryCsv(history, StatusSampleKind::Constellation, path, error));
    EXPECT_EQ(Read(path), ConstellationHistoryCsv(history)); // replaced whole

    // No room for it (the disk fills after 100 bytes): the old file stays as
    // it was, no temporary file is left, the reason is given.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = ExportStatusHistoryCsv(history, StatusSampleKind::Gps, path, error);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(
        ExportStatusHistoryCsv(history, StatusSampleKind::Gps, dir.filePath(QStringLiteral("no/such.csv")), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(Read(path), ConstellationHistoryCsv(history));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("gps.csv")});

    // Something else than a file in its place is not replaced.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    error.clear();
    EXPECT_FALSE(ExportStatusHistoryCsv(history, StatusSampleKind::Gps, pipe, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFileInfo(pipe).isFile());
}

} // namespace
