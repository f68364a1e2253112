#include "status/plots/widgets/ConstellationChartsWindow.h"
#include "status/plots/widgets/InstallTimelineWindow.h"
#include "status/plots/widgets/SignalHistoryWindow.h"
#include "status/plots/widgets/SkyPlotWindow.h"
#include "status/plots/widgets/SurveyPlotWindow.h"

#include "status/history/StatusHistory.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"

#include <QAbstractBarSeries>
#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QValueAxis>
#include <QXYSeries>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>

namespace {

constexpr std::int64_t kT0 = 1'700'000'000'000;
constexpr std::int64_t kStep = 5000;

void AddGps(CStatusHistory& h, int i, std::initializer_list<std::array<double, 4>> sats)
{
    SGpsSample s;
    s.timeMs = kT0 + i * kStep;
    std::size_t ch = 0;
    for (const auto& sat : sats) {
        s.channels[ch].satellite = int(sat[0]);
        s.channels[ch].cno = int(sat[1]);
        s.channels[ch].azimuthDeg = sat[2];
        s.channels[ch].elevationDeg = sat[3];
        ++ch;
    }
    s.latitudeDeg = 60.0 + (i % 3) * 1e-6;
    s.longitudeDeg = 24.9;
    s.altitudeM = 20.0;
    h.AddGps(s);
}

// Answers the save dialog with one path, or cancels, while it lives.
class FileAnswer {
public:
    explicit FileAnswer(std::optional<QString> answer)
    {
        previous_ = SetFileDialogFunction([this, answer](const FileDialogRequest& request) {
            asked.push_back(request);
            return answer;
        });
    }
    ~FileAnswer() { SetFileDialogFunction(std::move(previous_)); }
    std::vector<FileDialogRequest> asked;

private:
    FileDialogFunction previous_;
};

int SeriesNamed(const QChart& chart, const QString& name)
{
    int n = 0;
    for (QAbstractSeries* series : chart.series())
        n += series->isVisible() && series->name() == name;
    return n;
}

} // namespace

TEST(SkyPlotWindow, SatellitesDrawnWhereTheyStandAndOnlyWhileTracked)
{
    CStatusHistory history;
    // Satellite 30 was seen earlier but is not tracked any more.
    AddGps(history, 0, {{30, 45, 45, 45}});
    AddGps(history, 1, {{11, 50, 90, 0}, {12, 20, 0, 0}, {13, 30, 180, 0}, {14, 38, 33, 90}});
    CSkyPlotWindow window(history);
    window.resize(640, 520);
    window.show();
    window.Refresh();
    const QImage image = window.Plot().grab().toImage();
    const SkyGeometry g = window.Plot().Geometry();
    ASSERT_GT(g.radius, 100);
    const auto colourAt = [&](QPointF p) { return QColor(image.pixel(p.toPoint())).rgb() & 0xFFFFFF; };
    // East on the circle's right edge, north at the top, south at the bottom, the zenith in the centre.
    EXPECT_EQ(colourAt({g.centre.x() + g.radius, g.centre.y()}), ChannelColour(50, false));
    EXPECT_EQ(colourAt({g.centre.x(), g.centre.y() - g.radius}), ChannelColour(20, false));
    EXPECT_EQ(colourAt({g.centre.x(), g.centre.y() + g.radius}), ChannelColour(30, false));
    EXPECT_EQ(colourAt(g.centre), ChannelColour(38, false));
    // Nothing where the satellite no longer tracked stood.
    EXPECT_EQ(colourAt(g.PointAt(45, 45)), 0xFFFFFFu);
    EXPECT_EQ(window.Plot().Scene().satellites.size(), 4u);
}

TEST(PlotWindow, FollowsTheHistoryOnlyWhileShownAndGathersChanges)
{
    CStatusHistory history;
    CSkyPlotWindow window(history);
    AddGps(history, 0, {{1, 40, 10, 10}});
    PumpFor(CPlotWindow::kRedrawDelayMs + 50);
    EXPECT_EQ(window.RefreshCount(), 0); // hidden: nothing drawn
    window.show();
    EXPECT_EQ(window.RefreshCount(), 1); // shown: drawn at once
    for (int i = 1; i < 20; ++i)
        AddGps(history, i, {{1, 40, 10, 10}});
    EXPECT_TRUE(PumpUntil([&] { return window.RefreshCount() == 2; }));
    PumpFor(CPlotWindow::kRedrawDelayMs + 50);
    EXPECT_EQ(window.RefreshCount(), 2); // twenty samples, one redraw
    history.Clear();
    EXPECT_TRUE(PumpUntil([&] { return window.RefreshCount() == 3; }));
    EXPECT_TRUE(window.Plot().Scene().satellites.empty());
    // Closing only hides.
    window.close();
    EXPECT_FALSE(window.isVisible());
}

TEST(PlotWindow, SavesPngAndSvgWholeOrNotAtAll)
{
    QTemporaryDir dir;
    CStatusHistory history;
    AddGps(history, 0, {{5, 44, 120, 35}});
    CSkyPlotWindow window(history);
    window.resize(500, 420);
    window.show();
    PromptRecorder prompts;
    {
        FileAnswer answer(dir.filePath("sky.png"));
        EXPECT_EQ(window.SavePng(), dir.filePath("sky.png"));
        ASSERT_EQ(answer.asked.size(), 1u);
        EXPECT_TRUE(answer.asked[0].save);
        EXPECT_EQ(answer.asked[0].defaultSuffix, "png");
        QImage png(dir.filePath("sky.png"));
        // The plot under its title line.
        EXPECT_EQ(png.width(), window.Plot().width());
        EXPECT_GT(png.height(), window.Plot().height());
    }
    {
        FileAnswer answer(dir.filePath("sky.svg"));
        EXPECT_EQ(window.SaveSvg(), dir.filePath("sky.svg"));
        QFile svg(dir.filePath("sky.svg"));
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        EXPECT_TRUE(text.contains("<svg"));
        EXPECT_TRUE(text.trimmed().endsWith("</svg>"));
    }
    EXPECT_TRUE(prompts.shown.empty());
    {
        FileAnswer cancelled(std::nullopt);
        EXPECT_TRUE(window.SavePng().isEmpty());
        EXPECT_TRUE(prompts.shown.empty());
    }
    {
        // A folder that is not there: the user is told, no file appears.
        FileAnswer answer(dir.filePath("missing/sky.png"));
        EXPECT_TRUE(window.SavePng().isEmpty());
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
        EXPECT_TRUE(prompts.shown[0].text.contains(dir.filePath("missing/sky.png")));
        EXPECT_FALSE(QFile::exists(dir.filePath("missing/sky.png")));
    }
    // Export CSV only once the history's export is connected.
    QAction* csv = nullptr;
    for (QAction* action : window.ToolBar().actions())
        if (action->text() == "Export CSV...")
            csv = action;
    ASSERT_NE(csv, nullptr);
    EXPECT_FALSE(csv->isEnabled());
    int exports = 0;
    window.SetCsvExport([&] { ++exports; });
    EXPECT_TRUE(csv->isEnabled());
    csv->trigger();
    EXPECT_EQ(exports, 1);
}

TEST(SignalHistoryWindow, HourByDefaultLinesBrokenAtGapsAndSpansSelectable)
{
    CStatusHistory history;
    for (int i = 0; i < 2000; ++i)
        AddGps(history, i, {{3, 40, 0, 0}, {4, 30, 0, 0}});
    history.MarkGap();
    for (int i = 2100; i < 2200; ++i)
        AddGps(history, i, {{3, 42, 0, 0}});
    CSignalHistoryWindow window(history);
    window.show();
    EXPECT_EQ(window.SpanMs(), 3600 * 1000);
    EXPECT_EQ(window.SpanBox().count(), 4);
    // The last hour holds samples on both sides of the gap: two stretches.
    EXPECT_EQ(SeriesNamed(window.CnoChart(), "3"), 2);
    EXPECT_EQ(SeriesNamed(window.CnoChart(), "4"), 1);
    EXPECT_EQ(SeriesNamed(window.CnoChart(), "Mean"), 2);
    EXPECT_EQ(SeriesNamed(window.CountChart(), "Tracked"), 2);
    // Ten minutes: only after the gap.
    window.SetSpan(0);
    EXPECT_EQ(window.SpanMs(), 10 * 60 * 1000);
    EXPECT_EQ(SeriesNamed(window.CnoChart(), "3"), 1);
    EXPECT_EQ(SeriesNamed(window.CnoChart(), "4"), 0);
    // The time axis is labelled at round UTC times of the span, none left over from another.
    const auto labels = [&] {
        return qobject_cast<QCategoryAxis*>(window.CnoChart().axes(Qt::Horizontal).value(0))->categoriesLabels();
    };
    // From the first sample after the gap (01:08:20) to the newest (01:16:35).
    EXPECT_EQ(labels(), (QStringList{"01:10", "01:12", "01:14", "01:16"}));
    // A day: the three hours there are, thinned, every line within bounds.
    window.SetSpan(3);
    EXPECT_EQ(labels(), (QStringList{"23:00", "00:00", "01:00"}));
    for (QAbstractSeries* series : window.CnoChart().series())
        EXPECT_LE(static_cast<QXYSeries*>(series)->count(), int(CSignalHistoryWindow::kMaxPoints) + 1);
}

TEST(SignalHistoryWindow, TheGapOfAMoveTheToolMadeIsMarkedAndNamed)
{
    CStatusHistory history;
    history.SetUnit(QStringLiteral("WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131"));
    for (int i = 0; i < 100; ++i)
        AddGps(history, i, {{3, 40, 0, 0}});
    history.ExpectMove(QStringLiteral("WP=SOCKET,HOST=10.0.0.9,PORT=7000,WP=NEQ1,ADDR=140"),
                       QStringLiteral("commissioned"));
    history.MarkGap();
    history.SetUnit(QStringLiteral("WP=SOCKET,HOST=10.0.0.9,PORT=7000,WP=NEQ1,ADDR=140"));
    for (int i = 150; i < 200; ++i)
        AddGps(history, i, {{3, 41, 0, 0}});
    CSignalHistoryWindow window(history);
    window.show();
    EXPECT_EQ(SeriesNamed(window.CountChart(), "Tracked"), 2); // one history, broken at the gap
    EXPECT_EQ(SeriesNamed(window.CountChart(), "commissioned"), 1);
}

TEST(InstallTimelineWindow, ListsChangesAndAnswersTheTimeToLock)
{
    using V = CInstallStatusView;
    CStatusHistory history;
    for (int i = 0; i < 40; ++i) {
        SInstallationSample s;
        s.timeMs = kT0 + i * kStep;
        s.codes = {V::Ok, V::OkSurvey, V::On, i < 25 ? V::FreeRunning : V::PllLocked, V::OkAddress, V::BusDate};
        s.texts = {"OK", "OK (Survey) [3 %]", "On", i < 25 ? "Free Running" : "PLL Locked", "OK (5)", "date"};
        history.AddInstallation(s);
    }
    CInstallTimelineWindow window(history);
    window.resize(800, 600);
    window.show();
    EXPECT_TRUE(window.LockLabel().text().contains("2 min 05 s"));
    ASSERT_EQ(window.Changes().rowCount(), 7);
    EXPECT_EQ(window.Changes().item(6, CInstallTimelineWindow::RowColumn)->text(), "Clock State");
    EXPECT_EQ(window.Changes().item(6, CInstallTimelineWindow::FromColumn)->text(), "Free Running");
    EXPECT_EQ(window.Changes().item(6, CInstallTimelineWindow::ToColumn)->background().color(),
              QColor::fromRgb(InstallColours::kGood));
    EXPECT_EQ(window.Changes().item(3, CInstallTimelineWindow::ToColumn)->background().color(),
              QColor::fromRgb(InstallColours::kCaution));
    // The clock state's band is amber before the lock and green after it.
    const QImage image = window.Bands().grab().toImage();
    const QRectF row = window.Bands().RowRect(V::ClockState);
    const auto at = [&](std::int64_t t) {
        return QColor(image.pixel(QPoint(int(window.Bands().XOf(t)), int(row.bottom()) - 2)));
    };
    EXPECT_EQ(at(kT0 + 10 * kStep), QColor::fromRgb(InstallColours::kCaution));
    EXPECT_EQ(at(kT0 + 35 * kStep), QColor::fromRgb(InstallColours::kGood));
}

TEST(SurveyPlotWindow, SpreadAndProgressShown)
{
    CStatusHistory history;
    for (int i = 0; i < 30; ++i)
        AddGps(history, i, {{1, 40, 0, 0}});
    SInstallationSample install;
    install.surveyPercent = 64;
    history.AddInstallation(install);
    CSurveyPlotWindow window(history);
    window.resize(560, 640);
    window.show();
    EXPECT_EQ(window.Progress().value(), 64);
    EXPECT_TRUE(window.SpreadLabel().text().startsWith("Mean of 30 positions: N 60.0000010°, E 24.9000000°, 20.00 m"));
    EXPECT_TRUE(window.SpreadLabel().text().contains("0.09 m RMS")); // +-0.11 m north, a third each
    // One scale both ways, the newest position drawn where it lies.
    const CSurveyScatter& scatter = window.Scatter();
    const QPointF centre = scatter.PixelOf({0, 0});
    EXPECT_DOUBLE_EQ(scatter.PixelOf({1, 0}).x() - centre.x(), centre.y() - scatter.PixelOf({0, 1}).y());
    const SurveyOffsets offsets = BuildSurveyOffsets(history.Gps(), history.Installation());
    const QImage image = window.Scatter().grab().toImage();
    EXPECT_EQ(QColor(image.pixel(scatter.PixelOf(offsets.points.back()).toPoint())), QColor::fromRgb(0xA02000));
}

TEST(ConstellationChartsWindow, BarsOfTheNewestStatisticsAndOneChartPerLoggedDay)
{
    CStatusHistory history;
    SConstellationSample sample;
    sample.statistics.verdict = 1;
    sample.statistics.durations[0] = 60;
    sample.statistics.durations[6] = 600;
    sample.statistics.total = 660;
    sample.verdictText = "Sufficient     ";
    history.AddConstellation(sample);
    ConstLogStatistics log;
    for (int day : {0, 2}) {
        log.days[std::size_t(day)] = {{}, 2024, 3, 10 + day};
        log.days[std::size_t(day)].durations[8] = 86400;
        log.totals[std::size_t(day)] = 86400;
    }
    // A short day (the unit was off most of it) on the scale of the others.
    log.days[0].durations[8] = 3600;
    log.totals[0] = 3600;
    CConstellationChartsWindow window(history, [&] { return log; });
    window.resize(800, 700);
    window.show();
    EXPECT_EQ(window.Bars().Chart().title(), "Total 660 s, verdict: Sufficient");
    ASSERT_EQ(window.Bars().Chart().series().size(), 1);
    auto* bars = static_cast<QAbstractBarSeries*>(window.Bars().Chart().series()[0]);
    EXPECT_EQ(bars->count(), 3); // one set per colour of the table
    ASSERT_EQ(window.DayCharts().size(), 2u);
    EXPECT_EQ(window.DayCharts()[0]->title(), "12-03-2024 (h)");
    EXPECT_EQ(window.DayCharts()[1]->title(), "10-03-2024 (h)");
    const auto yMax = [](QChart* chart) { return qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0))->max(); };
    EXPECT_EQ(yMax(window.DayCharts()[0]), yMax(window.DayCharts()[1]));
    EXPECT_GE(yMax(window.DayCharts()[1]), 24.0);
    // A new log with fewer days hides the charts left over.
    log = {};
    window.Refresh();
    EXPECT_TRUE(window.LogLabel().text().contains("none read yet"));
    EXPECT_TRUE(window.DayCharts().empty());
}

TEST(SignalHistoryWindow, TwelveSatellitesToldApartAxesAlignedAndTheSpanFromTheFirstSample)
{
    // Two minutes of twelve satellites on a one-hour span.
    CStatusHistory history;
    for (int i = 0; i < 24; ++i)
        AddGps(history, i,
               {{1, 40, 0, 0}, {2, 41, 0, 0}, {3, 42, 0, 0}, {4, 43, 0, 0}, {5, 44, 0, 0}, {6, 45, 0, 0},
                {7, 38, 0, 0}, {8, 37, 0, 0}, {9, 36, 0, 0}, {10, 35, 0, 0}, {11, 34, 0, 0}, {12, 33, 0, 0}});
    CSignalHistoryWindow window(history);
    window.resize(900, 700);
    window.show();
    QCoreApplication::processEvents();

    std::vector<QPen> pens;
    for (QAbstractSeries* series : window.CnoChart().series())
        if (series->isVisible() && series->name() != "Mean")
            pens.push_back(static_cast<QXYSeries*>(series)->pen());
    ASSERT_EQ(pens.size(), 12u);
    // No two alike, and lines drawn alike but for their colour differ plainly in it.
    for (std::size_t i = 0; i < pens.size(); ++i)
        for (std::size_t j = i + 1; j < pens.size(); ++j) {
            ASSERT_FALSE(pens[i].color() == pens[j].color() && pens[i].style() == pens[j].style()) << i << " " << j;
            if (pens[i].style() != pens[j].style())
                continue;
            const QColor a = pens[i].color(), b = pens[j].color();
            const double distance = std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
            EXPECT_GT(distance, 90.0) << a.name().toStdString() << " and " << b.name().toStdString();
        }

    // The axis starts at the first sample rather than an hour before the last.
    for (QChart* chart : {&window.CnoChart(), &window.CountChart()}) {
        auto* x = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x->min(), double(kT0));
        // To the end of the newest point's quarter minute.
        EXPECT_GE(x->max(), double(kT0 + 23 * kStep));
        EXPECT_LE(x->max(), double(kT0 + 23 * kStep + 15 * 1000));
        EXPECT_FALSE(x->categoriesLabels().isEmpty()) << "a two-minute axis still has times on it";
    }
    // Both charts' time axes line up.
    EXPECT_NEAR(window.CnoChart().plotArea().left(), window.CountChart().plotArea().left(), 1.0);
    EXPECT_NEAR(window.CnoChart().plotArea().right(), window.CountChart().plotArea().right(), 1.0);
}

TEST(SkyPlotWindow, MarkersGrowWithThePlot)
{
    CStatusHistory history;
    AddGps(history, 0, {{7, 50, 0, 90}}); // at the zenith, in the centre
    CSkyPlotWindow window(history);
    window.show();
    const auto markerPixels = [&](QSize size) {
        window.resize(size);
        QCoreApplication::processEvents();
        const QImage image = window.Plot().grab().toImage();
        const QPointF c = window.Plot().Geometry().centre;
        int n = 0;
        for (int y = int(c.y()) - 40; y <= int(c.y()) + 40; ++y)
            for (int x = int(c.x()) - 40; x <= int(c.x()) + 40; ++x)
                n += image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFF) == CnoColour(50);
        return n;
    };
    const int small = markerPixels({320, 280});
    const int large = markerPixels({1100, 950});
    EXPECT_GT(small, 20);
    EXPECT_GT(large, 3 * small) << small << " and " << large;
}

TEST(PlotWindow, SaysWhenWhatItShowsIsFromBeforeADisconnection)
{
    CStatusHistory history;
    AddGps(history, 0, {{1, 40, 10, 10}}); // 22:13:20 UTC
    CSkyPlotWindow sky(history);
    CInstallTimelineWindow timeline(history);
    sky.show();
    timeline.show();
    EXPECT_TRUE(sky.StaleNotice().isHidden());
    history.MarkGap();
    EXPECT_FALSE(sky.StaleNotice().isHidden());
    EXPECT_TRUE(sky.StaleNotice().text().contains("22:13:20 UTC")) << sky.StaleNotice().text().toStdString();
    EXPECT_TRUE(timeline.StaleNotice().isHidden()) << "no installation status to be stale";
    // Answers again: the notice goes.
    AddGps(history, 30, {{1, 40, 10, 10}});
    EXPECT_TRUE(sky.StaleNotice().isHidden());
    // Another unit: nothing old is shown.
    history.MarkGap();
    history.Clear();
    EXPECT_TRUE(sky.StaleNotice().isHidden());
}

TEST(PlotWindow, SavedPicturesSayWhatTheyShowUnderADatedNameAndButtonsSayADialogFollows)
{
    QTemporaryDir dir;
    CStatusHistory history;
    history.SetUnit("WP=SOCKET,HOST=10.0.0.4,PORT=7000,WP=NEQ1,ADDR=131");
    AddGps(history, 0, {{5, 44, 120, 35}});
    AddGps(history, 1, {{5, 44, 121, 35}});
    CSkyPlotWindow window(history);
    window.resize(1000, 420);
    window.show();
    const QString title = window.ExportTitle();
    EXPECT_TRUE(title.startsWith("Sky Plot - unit at 10.0.0.4, bus address 131 - 2023-11-14 22:13:20 to 22:13:25 UTC - "
                                 "Tavra QORA Manager "))
        << title.toStdString();

    PromptRecorder prompts;
    FileAnswer answer(dir.filePath("sky.svg"));
    EXPECT_EQ(window.SaveSvg(), dir.filePath("sky.svg"));
    ASSERT_EQ(answer.asked.size(), 1u);
    const QString proposed = answer.asked[0].initialPath;
    EXPECT_TRUE(QRegularExpression("^QORA-sky-plot-20\\d{6}-\\d{6}\\.svg$").match(proposed).hasMatch())
        << proposed.toStdString();
    QFile svg(dir.filePath("sky.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(svg.readAll());
    EXPECT_TRUE(text.contains("<title>" + title.toHtmlEscaped() + "</title>")) << text.left(600).toStdString();
    EXPECT_TRUE(text.contains("unit at 10.0.0.4, bus address 131")) << "the title is drawn, not only named";

    // The tool bar shows "...", as the menus do, where a dialog follows.
    int buttons = 0;
    for (QToolButton* button : window.ToolBar().findChildren<QToolButton*>())
        if (button->defaultAction() && button->defaultAction()->text().endsWith("...")) {
            ++buttons;
            EXPECT_TRUE(button->text().endsWith("...")) << button->text().toStdString();
        }
    EXPECT_EQ(buttons, 3);
    EXPECT_TRUE(prompts.shown.empty());

    // Without a unit or data the title says so.
    CStatusHistory empty;
    CSkyPlotWindow none(empty);
    EXPECT_TRUE(none.ExportTitle().startsWith("Sky Plot - unit not known - no data - ")) << none.ExportTitle().toStdString();
}
