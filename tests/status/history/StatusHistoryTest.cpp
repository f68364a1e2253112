// The status history: bounded per kind, a new history for another unit, gaps
// that break the next sample of every kind, and what it tells its watchers.

#include "status/history/StatusHistory.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

SGpsSample Gps(std::int64_t t)
{
    SGpsSample s;
    s.timeMs = t;
    return s;
}

SInstallationSample Installation(std::int64_t t, const QString& fix = QStringLiteral("OK  (Locked)"))
{
    SInstallationSample s;
    s.timeMs = t;
    s.texts[1] = fix;
    return s;
}

SConstellationSample Constellation(std::int64_t t)
{
    SConstellationSample s;
    s.timeMs = t;
    s.verdictText = QStringLiteral("    Good        ");
    return s;
}

template <typename Series>
std::vector<std::int64_t> Times(const Series& series)
{
    std::vector<std::int64_t> times;
    for (const auto& s : series)
        times.push_back(s.timeMs);
    return times;
}

TEST(StatusHistory, EachKindKeepsItsNewestSamplesUpToTheCapacity)
{
    CStatusHistory history(3);
    for (int t = 1; t <= 5; ++t)
        history.AddGps(Gps(t));
    history.AddInstallation(Installation(10));
    EXPECT_EQ(Times(history.Gps()), (std::vector<std::int64_t>{3, 4, 5}));
    EXPECT_EQ(Times(history.Installation()), (std::vector<std::int64_t>{10})); // not pushed out by another kind
    EXPECT_TRUE(history.Constellation().empty());

    // A day at the windows' rate by default; no capacity is taken as one.
    EXPECT_EQ(CStatusHistory().Capacity(), 17280u);
    CStatusHistory tiny(0);
    tiny.AddGps(Gps(1));
    tiny.AddGps(Gps(2));
    EXPECT_EQ(Times(tiny.Gps()), (std::vector<std::int64_t>{2}));
}

TEST(StatusHistory, AnotherUnitStartsANewHistoryAndTheSameUnitKeepsIt)
{
    CStatusHistory history;
    QSignalSpy restarted(&history, &CStatusHistory::Restarted);
    history.AddGps(Gps(1)); // before the unit is known
    history.SetUnit(QStringLiteral("WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131"));
    EXPECT_EQ(history.Gps().size(), 1u); // the first unit keeps what came before it was named
    EXPECT_EQ(restarted.count(), 0);

    history.AddGps(Gps(2));
    history.MarkGap();
    history.SetUnit(QStringLiteral("WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131")); // reconnected
    history.SetUnit(QString());                                                           // nothing known
    history.AddGps(Gps(3));
    EXPECT_EQ(Times(history.Gps()), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_TRUE(history.Gps().back().afterGap);
    EXPECT_EQ(restarted.count(), 0);

    history.AddInstallation(Installation(3));
    history.AddConstellation(Constellation(3));
    history.MarkGap();
    history.SetUnit(QStringLiteral("WP=SOCKET,HOST=10.0.0.2,PORT=7000,WP=NEQ1,ADDR=131"));
    EXPECT_EQ(restarted.count(), 1);
    EXPECT_TRUE(history.Gps().empty());
    EXPECT_TRUE(history.Installation().empty());
    EXPECT_TRUE(history.Constellation().empty());
    EXPECT_EQ(history.Unit(), QStringLiteral("WP=SOCKET,HOST=10.0.0.2,PORT=7000,WP=NEQ1,ADDR=131"));
    // The gap marked for the old unit does not break the new one's first line.
    history.AddGps(Gps(4));
    EXPECT_FALSE(history.Gps().back().afterGap);
}

TEST(StatusHistory, AMoveTheToolMadeContinuesTheHistoryWithALabelledGap)
{
    const QString here = QStringLiteral("WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131");
    const QString there = QStringLiteral("WP=SOCKET,HOST=10.0.0.9,PORT=7000,WP=NEQ1,ADDR=140");
    const QString other = QStringLiteral("WP=SOCKET,HOST=10.0.0.2,PORT=7000,WP=NEQ1,ADDR=131");
    const struct {
        QString back; // where the unit connects after the move was announced
        bool kept;
    } cases[] = {{there, true}, {here, true}, {other, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.back.toStdString());
        CStatusHistory history;
        history.SetUnit(here);
        history.AddGps(Gps(1));
        history.ExpectMove(there, QStringLiteral("commissioned"));
        history.MarkGap(); // the reset
        history.SetUnit(c.back);
        history.AddInstallation(Installation(2)); // the first of its kind: no gap to label
        history.AddGps(Gps(3));
        history.AddGps(Gps(4));
        EXPECT_EQ(history.Unit(), c.back);
        if (!c.kept) {
            EXPECT_EQ(Times(history.Gps()), (std::vector<std::int64_t>{3, 4}));
            EXPECT_TRUE(history.GapLabels().empty());
            continue;
        }
        EXPECT_EQ(Times(history.Gps()), (std::vector<std::int64_t>{1, 3, 4}));
        EXPECT_TRUE(history.Gps()[1].afterGap);
        ASSERT_EQ(history.GapLabels().size(), 1u);
        EXPECT_EQ(history.GapLabels()[0].timeMs, 3);
        EXPECT_EQ(history.GapLabels()[0].label, QStringLiteral("commissioned"));

        // The move was expected once: the next other unit starts anew.
        history.SetUnit(other == c.back ? here : other);
        EXPECT_TRUE(history.Gps().empty());
        EXPECT_TRUE(history.GapLabels().empty());
    }
}

TEST(StatusHistory, AGapBreaksTheNextSampleOfEveryKindOnce)
{
    CStatusHistory history;
    history.MarkGap(); // nothing before it: no line to break
    history.AddGps(Gps(1));
    EXPECT_FALSE(history.Gps().back().afterGap);

    history.AddInstallation(Installation(1));
    history.AddConstellation(Constellation(1));
    history.MarkGap();
    history.MarkGap(); // a gap marked twice is one gap
    history.AddGps(Gps(2));
    history.AddGps(Gps(3));
    history.AddInstallation(Installation(4));
    history.AddConstellation(Constellation(5));
    EXPECT_TRUE(history.Gps()[1].afterGap);
    EXPECT_FALSE(history.Gps()[2].afterGap);
    EXPECT_TRUE(history.Installation().back().afterGap);
    EXPECT_TRUE(history.Constellation().back().afterGap);

    // A caller's flag does not fake a gap.
    SGpsSample claimed = Gps(6);
    claimed.afterGap = true;
    history.AddGps(claimed);
    EXPECT_FALSE(history.Gps().back().afterGap);
}

TEST(StatusHistory, WatchersLearnOfSamplesGapsAndRestarts)
{
    CStatusHistory history;
    QSignalSpy changed(&history, &CStatusHistory::Changed);
    QSignalSpy added(&history, &CStatusHistory::SampleAdded);
    QSignalSpy restarted(&history, &CStatusHistory::Restarted);
    // The newest sample is in place when its signal arrives.
    std::int64_t seen = -1;
    QObject::connect(&history, &CStatusHistory::SampleAdded, [&](StatusSampleKind kind) {
        if (kind == StatusSampleKind::Gps)
            seen = history.Gps().back().timeMs;
    });

    history.AddGps(Gps(7));
    history.AddInstallation(Installation(7));
    history.AddConstellation(Constellation(7));
    history.MarkGap();
    EXPECT_EQ(seen, 7);
    EXPECT_EQ(changed.count(), 4);
    ASSERT_EQ(added.count(), 3);
    EXPECT_EQ(added[0][0].value<StatusSampleKind>(), StatusSampleKind::Gps);
    EXPECT_EQ(added[1][0].value<StatusSampleKind>(), StatusSampleKind::Installation);
    EXPECT_EQ(added[2][0].value<StatusSampleKind>(), StatusSampleKind::Constellation);

    history.Clear();
    EXPECT_EQ(restarted.count(), 1);
    EXPECT_TRUE(history.Gps().empty());
}

TEST(StatusHistory, RepeatedRowTextsShareOneCopy)
{
    const auto survey = [](int percent) { return QStringLiteral("OK (Survey) [%1 %]").arg(percent); };
    CStatusHistory history;
    history.AddInstallation(Installation(1, survey(37)));
    history.AddInstallation(Installation(2, survey(37)));
    history.AddInstallation(Installation(3, survey(38)));
    const auto& series = history.Installation();
    EXPECT_TRUE(series[1].texts[1].isSharedWith(series[0].texts[1]));
    EXPECT_EQ(series[2].texts[1], survey(38));
    EXPECT_FALSE(series[2].texts[1].isSharedWith(series[1].texts[1]));
}

} // namespace
