// The GPS Parameters dialog offscreen against a played unit.

#include "GpsFixture.h"

#include "controls/LatLongCtrl.h"
#include "data/gps/widgets/GpsParamDlg.h"
#include "platform/StringTable.h"
#include "support/PromptRecorder.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPixmap>

using namespace gpstest;

namespace {

// The dialog's controls by their names in the form.
struct Form {
    explicit Form(const QDialog& d)
        : latitudeEdit(d.findChild<CGCLatitudeCtrl*>(QStringLiteral("latitudeEdit"))),
          longitudeEdit(d.findChild<CGCLongitudeCtrl*>(QStringLiteral("longitudeEdit"))),
          altitudeEdit(d.findChild<QLineEdit*>(QStringLiteral("altitudeEdit"))),
          dateEdit(d.findChild<QLineEdit*>(QStringLiteral("dateEdit"))),
          timeEdit(d.findChild<QLineEdit*>(QStringLiteral("timeEdit"))),
          altitudeUnitLabel(d.findChild<QLabel*>(QStringLiteral("altitudeUnitLabel"))),
          selfSurveyCheck(d.findChild<QCheckBox*>(QStringLiteral("selfSurveyCheck"))),
          surveyedCheck(d.findChild<QCheckBox*>(QStringLiteral("surveyedCheck"))),
          okButton(d.findChild<QPushButton*>(QStringLiteral("okButton")))
    {
    }
    CGCLatitudeCtrl* latitudeEdit;
    CGCLongitudeCtrl* longitudeEdit;
    QLineEdit *altitudeEdit, *dateEdit, *timeEdit;
    QLabel* altitudeUnitLabel;
    QCheckBox *selfSurveyCheck, *surveyedCheck;
    QPushButton* okButton;
};

class GpsParamDlgTest : public GpsFixture {
protected:
    // Opens the dialog and answers its two requests.
    std::unique_ptr<CGPSParamDlg> Open(const Bytes& dateTime, const Bytes& position)
    {
        auto dlg = std::make_unique<CGPSParamDlg>();
        EXPECT_EQ(Sent(), (std::vector<Bytes>{kDateTimeRequest, kPositionRequest}));
        EXPECT_FALSE(Form(*dlg).okButton->isEnabled());
        Reply(dateTime);
        Reply(position);
        return dlg;
    }
    static void Shoot(QWidget& w, const char* name)
    {
        QDir().mkpath(QStringLiteral("/tmp/gps-shots"));
        w.adjustSize();
        w.grab().save(QStringLiteral("/tmp/gps-shots/%1.png").arg(QLatin1String(name)));
    }
};

TEST_F(GpsParamDlgTest, ShowsTheReadValuesInDisabledFields)
{
    measure = QStringLiteral("0");
    auto dlg = Open(DateTimeReply(2, 5, 2009, 12, 34, 56), PositionReply(-335000000, 1512500000, 12345, 1));
    Form ui(*dlg);
    const QString deg(QChar(0x00B0));
    EXPECT_EQ(ui.latitudeEdit->text(), QStringLiteral("S 33") + deg + QStringLiteral("30'00.000\" "));
    EXPECT_EQ(ui.longitudeEdit->text(), QStringLiteral("E 151") + deg + QStringLiteral("15'00.000\" "));
    EXPECT_EQ(ui.altitudeEdit->text(), QStringLiteral("123.45"));
    EXPECT_EQ(ui.altitudeUnitLabel->text(), QStringLiteral("m"));
    EXPECT_EQ(ui.dateEdit->text(), QStringLiteral("02.05.2009"));
    EXPECT_EQ(ui.timeEdit->text(), QStringLiteral("12:34:56"));
    EXPECT_FALSE(ui.selfSurveyCheck->isChecked());
    EXPECT_TRUE(ui.surveyedCheck->isChecked());
    EXPECT_TRUE(ui.okButton->isEnabled());
    for (QWidget* w : {static_cast<QWidget*>(ui.latitudeEdit), static_cast<QWidget*>(ui.altitudeEdit),
                       static_cast<QWidget*>(ui.dateEdit), static_cast<QWidget*>(ui.surveyedCheck)})
        EXPECT_FALSE(w->isEnabled());
    Shoot(*dlg, "gps-parameters-metric");

    // Every way out unregisters the group.
    EXPECT_EQ(handler->ListenerCount(), 1u);
    ui.okButton->click();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(GpsParamDlgTest, InvalidDateFeetAndUnreadableSetting)
{
    measure = QStringLiteral("1");
    auto dlg = Open(DateTimeReply(5, 0, 2009, 7, 8, 9), PositionReply(1000000000, -1000000000, 12345, 2));
    Form ui(*dlg);
    EXPECT_EQ(ui.dateEdit->text(), QStringLiteral("5:0:2009"));
    EXPECT_EQ(ui.timeEdit->text(), QStringLiteral("7:8:9"));
    EXPECT_EQ(ui.altitudeEdit->text(), QStringLiteral("405.02"));
    EXPECT_EQ(ui.altitudeUnitLabel->text(), QStringLiteral("ft."));
    EXPECT_TRUE(ui.selfSurveyCheck->isChecked());
    EXPECT_FALSE(ui.surveyedCheck->isChecked());
    // 100 degrees is no latitude: the control keeps what it showed.
    EXPECT_DOUBLE_EQ(ui.latitudeEdit->GetValue(), 0.0);
    EXPECT_DOUBLE_EQ(ui.longitudeEdit->GetValue(), -100.0);
    Shoot(*dlg, "gps-parameters-invalid-date-feet");
    dlg.reset();
    EXPECT_EQ(handler->ListenerCount(), 0u);

    measure.reset();
    dlg = Open(DateTimeReply(5, 5, 2009, 7, 8, 9), PositionReply(0, 0, 12345, 0));
    EXPECT_EQ(Form(*dlg).altitudeEdit->text(), QString());
    EXPECT_EQ(Form(*dlg).altitudeUnitLabel->text(), QStringLiteral("m"));
}

TEST_F(GpsParamDlgTest, FailedReadShowsTheReadingProblemAndCloses)
{
    PromptRecorder prompts;
    auto dlg = std::make_unique<CGPSParamDlg>();
    Sent();
    Reply(DateTimeReply(2, 5, 2009, 12, 34, 56));
    Reply(PositionReply(1, 2, 3, 0, 1));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, LoadResString(StringId::ReadingProblem));
    EXPECT_FALSE(prompts.shown[0].text.isEmpty());
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(handler->ListenerCount(), 0u);
}

TEST_F(GpsParamDlgTest, WithoutAConnectionNothingIsSentAndOkIsFree)
{
    handler->CloseConnection();
    PumpFor(5);
    CGPSParamDlg dlg;
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(Form(dlg).okButton->isEnabled());
    EXPECT_EQ(Form(dlg).dateEdit->text(), QString());
}

} // namespace
