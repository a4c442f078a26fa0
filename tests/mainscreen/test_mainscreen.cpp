// The main screen on a whole monitor: start and stop with their guards,
// camera views and zoom, the status bar, resampling and skipping, and
// screen grabs for a person to look at.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "app/DetectionCycle.h"
#include "app/LedPanel.h"
#include "app/StatusLayout.h"
#include "app/gui/IOStatusWidget.h"
#include "app/gui/IndexButton.h"
#include "app/gui/MainCommands.h"
#include "app/gui/RaRoWizard.h"
#include "params/WizardPara.h"
#include "settings/WizardParaWidget.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/SkinPixmaps.h"

#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <memory>
#include <tuple>

namespace {
using Rows = QList<std::tuple<const char*, int, int>>;  // row key, value position, value

// A monitor built in a fresh working directory with the parameter values
// given, on four small simulated cameras of a family (or on the folder
// `simcam` names).
struct Monitor {
    TempWorkDir dir;
    std::unique_ptr<SimCamFolder> cams;
    PopupAnswerer answers;
    std::unique_ptr<RaRoWizard> win;

    explicit Monitor(const Rows& rows, const QString& family = QStringLiteral("mvs"),
                     const QString& simcam = QString(), const std::function<void()>& prepare = {})
    {
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        for (const auto& [key, pos, value] : rows)
            SetParamValue(QLatin1String(key), pos, value);
        if (prepare)
            prepare();
        cams = std::make_unique<SimCamFolder>();
        if (simcam.isEmpty()) {
            for (int c = 0; c < 4; ++c)
                cams->add(family, QStringLiteral("SIM000000%1").arg(c + 1),
                          {{"sensorWidth", 64}, {"sensorHeight", 48}}, {60 + 20 * c});
        } else {
            qputenv("MOJU_SIMCAM", simcam.toLocal8Bit());
            simcam::SimCamHub::instance().reset();
        }
        win = std::make_unique<RaRoWizard>();
        answers.clear();
    }
    RaRoWizard* operator->() const { return win.get(); }
    const CycleState& state() const { return win->cycle(); }
    int logged(int textId) const { return int(OperationLogRows().count(LanStr(textId))); }
};

// The working directory as scripts/demo lays it out, for the guide's
// screens: each camera's good picture as template 0 of both steps, with a
// Position area over the sprue and the runners and a Defect area over the
// cavities.
void LayOutGuideMould(const QString& templates)
{
    QDirIterator it(templates, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = QDir(gAppDirPath).filePath(QDir(templates).relativeFilePath(from));
        QDir().mkpath(QFileInfo(to).path());
        QFile::copy(from, to);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("guide"));
    db.setDatabaseName(QStringLiteral("PARAM.db"));
    QVERIFY(db.open());
    QSqlQuery q(db);
    for (int c = 0; c < 4; ++c) {
        QVERIFY(q.exec(QStringLiteral("DELETE FROM cammer%1").arg(c)));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO cammer%1 VALUES('detect0', '2'), ('detect1', '2'), "
                                      "('ROI0-0', '10 10 10 3 1 0 0 %2'), ('ROI0-1', '3 45 20 0 1 0 0 %3'), "
                                      "('ROI1-0', '10 10 10 3 1 0 0 %2'), ('ROI1-1', '3 45 20 0 1 0 0 %3')")
                           .arg(c)
                           .arg(QStringLiteral("470 270 810 465"), QStringLiteral("150 100 1130 650"))));
    }
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("guide"));
}

// Commands do not depend on the screen size: one run is enough.
bool OnceIsEnough()
{
    return gShowW > 1024;
}

QList<int> ShownZoomButtons(const RaRoWizard& win)
{
    QList<int> shown;
    for (int k = 0; k < 7; ++k)
        if (!win.zoomButton[k]->isHidden())
            shown << k;
    return shown;
}
}  // namespace

class TestMainScreen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    // Stopping asks for the template password and a confirmation; a refusal
    // or a No leaves detection running and the log untouched.
    void startAndStop()
    {
        if (OnceIsEnough())
            QSKIP("the same on every screen");
        Monitor m({{"isPswUsed", 1, 1}, {"system2", 11, 1}});  // password protection, template password
        IndexButton* column = m->indexButton;
        QCOMPARE(column->startStopButton->text(), LanStr(127));

        m.answers.queue(0);  // the password box is cancelled
        column->startStopButton->click();
        QCOMPARE(m.state().runState, int(RunDetecting));
        QCOMPARE(m.answers.seen().size(), 1);
        QCOMPARE(m.answers.seen().first().className, QStringLiteral("PasswordBox"));
        QCOMPARE(m.logged(141), 0);

        m->cycle().unlockLevel = 1;  // the system password was given earlier
        m.answers.clear();
        m.answers.queue(0);  // "Be sure to stop the detection?" No
        column->startStopButton->click();
        QCOMPARE(m.state().runState, int(RunDetecting));
        QCOMPARE(m.answers.seen().value(0).text, LanStr(140));
        QCOMPARE(m.logged(141), 0);

        m.answers.queue(1);
        column->startStopButton->click();
        QCOMPARE(m.state().runState, int(RunStopped));
        QCOMPARE(m.logged(141), 1);
        QCOMPARE(column->startStopButton->text(), LanStr(136));
        QCOMPARE(int(LedMask() & 0x10), 0);

        m.answers.clear();
        column->startStopButton->click();  // starting asks nothing
        QCOMPARE(m.answers.seen().size(), 0);
        QCOMPARE(m.state().runState, int(RunDetecting));
        QCOMPARE(m.logged(142), 1);
        QCOMPARE(column->startStopButton->text(), LanStr(127));

        // The stop password switch alone guards stopping as well.
        gpWPara->pwdAddTemplate = 0;
        gpWPara->pwdStopDetect = 1;
        m->Lock();
        m.answers.queue(0);
        column->startStopButton->click();
        QCOMPARE(m.answers.seen().last().className, QStringLiteral("PasswordBox"));
        QCOMPARE(m.state().runState, int(RunDetecting));
    }

    // A tap brings the command column, the next chooses the camera; zoom
    // and pan about the last tap; "Multi-screen" returns to the grid.
    void viewsAndZoom()
    {
        Monitor m({{"system10", 19, 1}});  // image adjustment: zoom buttons
        RaRoWizard& win = *m.win;
        CammerWidget* cam2 = win.cammerWidget[2];
        QVERIFY(win.indexButton->isHidden());
        QCOMPARE(ShownZoomButtons(win), QList<int>{});

        QTest::mouseClick(cam2, Qt::LeftButton, {}, QPoint(30, 40));
        QVERIFY(!win.indexButton->isHidden());
        QCOMPARE(m.state().selCamera, 4);  // this tap only brought the column
        QTest::mouseClick(cam2, Qt::LeftButton, {}, QPoint(31, 41));
        QCOMPARE(m.state().selCamera, 2);
        QCOMPARE(cam2->geometry(), QRect(0, 0, gShowW, gShowH));
        QVERIFY(win.cammerWidget[0]->isHidden());
        QCOMPARE(ShownZoomButtons(win), QList<int>{0});

        // The zoom centre and the pan start both follow the tap.
        QTest::mouseClick(cam2, Qt::LeftButton, {}, QPoint(400, 300));
        const CycleState& st = m.state();
        QCOMPARE(QPoint(st.zoomCentreX, st.zoomCentreY), QPoint(400, 300));
        QCOMPARE(QPoint(st.lastPanX, st.lastPanY), QPoint(400, 300));
        win.zoomButton[0]->click();  // the first press only offers all seven
        QCOMPARE(ShownZoomButtons(win), (QList<int>{0, 1, 2, 3, 4, 5, 6}));
        QCOMPARE(st.zoomScale, 1.0);
        win.zoomButton[0]->click();
        QCOMPARE(st.zoomScale, 1.2);
        QCOMPARE(QPointF(st.zoomOffsetX, st.zoomOffsetY), QPointF(-80, -60));
        win.zoomButton[3]->click();  // up
        QCOMPARE(st.zoomOffsetY, -60 - 1.2);
        QVERIFY(win.scaleTimer->isActive());
        win.MTimerScale();  // 30 s without a zoom press
        QCOMPARE(ShownZoomButtons(win), QList<int>{0});
        win.zoomButton[1]->click();  // 1:1
        QCOMPARE(st.zoomScale, 1.0);
        QCOMPARE(st.zoomOffsetY, 0.0);

        win.indexButton->returnButton->click();
        QCOMPARE(m.state().selCamera, 4);
        QCOMPARE(cam2->geometry(), QRect(0, gShowH / 2, gShowW / 2, gShowH / 2));
        QCOMPARE(ShownZoomButtons(win), QList<int>{});
        QCOMPARE(win.viewScale[2], 0.5f);

        gpWPara->imageAdjust = 0;  // without image adjustment nothing shows them
        win.MShowHide(2);
        QCOMPARE(ShownZoomButtons(win), QList<int>{});
    }

    // The status bar's text line in every language: group, login, time and
    // cycle in order, never over one another, the lamps or the command
    // column; a tap locks at once.
    void statusBar()
    {
        Monitor m({{"isPswUsed", 1, 1}});
        RaRoWizard& win = *m.win;
        IOStatusWidget* bar = win.ioStatusWidget;
        QCOMPARE(bar->geometry().bottom(), gShowH - 1);
        ComboBox* groups = win.wizardParaWidget->paraGroupCombo;
        groups->clear();
        groups->addItems({QStringLiteral("default"), QStringLiteral("模具组A-07号 left cavity")});
        gpWPara->paraGroupIndex = 1;
        win.cycle().lastCycleTime = 123;
        const QDateTime now(QDate(2024, 3, 9), QTime(7, 5, 4));
        const QList<StatusLamp> lamps = StatusLamps(*gpWPara, gShowW > 1024);
        const StatusSizes& z = StatusSizesFor(gShowW > 1024);
        for (int lan : {kLanZhCN, kLanEn, kLanZhTW}) {
            gLan = lan;
            win.cycle().unlockLevel = 2;
            QList<IOStatusWidget::Text> line = bar->TextLine(now);
            QCOMPARE(line.size(), 3);
            // Whole on a wide bar; a small one may end the name early.
            const QString group = LanStr(557) + QStringLiteral(":模具组A-07号 left cavity");
            if (gShowW > 1024)
                QCOMPARE(line[0].text, group);
            else
                QVERIFY2(line[0].text == group || (line[0].text.endsWith(QChar(0x2026))
                                                  && group.startsWith(line[0].text.chopped(1))),
                         qPrintable(line[0].text));
            QCOMPARE(line[1].text, LanStr(308));
            QVERIFY(line[2].text.contains(QStringLiteral("12.3")));
            // At the bar's own sizes, never over each other, the lamps or
            // the command column (rows may wrap to make room).
            QCOMPARE(line[0].pixelSize, z.groupFont);
            QCOMPARE(line[2].pixelSize, z.textFont);
            for (int i = 0; i < line.size(); ++i) {
                const QRect r = line[i].rect();
                QVERIFY2(r.right() < gShowW - IndexButton::kWidth && r.top() >= 0 && r.bottom() < bar->height(),
                         qPrintable(line[i].text));
                for (int j = i + 1; j < line.size(); ++j)
                    QVERIFY2(!r.intersects(line[j].rect()), qPrintable(line[i].text));
                for (const StatusLamp& l : lamps)
                    QVERIFY2(!r.intersects(l.lamp | l.nameBox), qPrintable(line[i].text));
            }

            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, bar->height() / 2));
            QCOMPARE(win.unlockLevel(), 0);
            QCOMPARE(bar->TextLine(now).value(1).text, LanStr(156));
        }
        gLan = kLanZhCN;
        gpWPara->paraGroupIndex = 0;  // the factory group is not named
        gpWPara->passwordUsed = 0;
        QCOMPARE(bar->TextLine(now).size(), 1);
    }

    // Resampling clears and saves the ignored points and marks the enabled
    // steps; the area check after it wants a password and opens the editor.
    void resample()
    {
        if (OnceIsEnough())
            QSKIP("the same on every screen");
        Monitor m({{"isPswUsed", 1, 1}});
        RaRoWizard& win = *m.win;
        CammerWidget* cam = win.cammerWidget[0];
        cam->ignorePointMask[0][5] = 255;
        QVERIFY(cam->SaveIgnorePoint(0));
        win.detection()->StopDetect();
        win.cycle().unlockLevel = 1;

        m.answers.queue(0);  // No: nothing happens
        win.commands()->SlotReTrain();
        QCOMPARE(m.state().runState, int(RunStopped));
        m.answers.queue(1);
        win.commands()->SlotReTrain();
        QCOMPARE(m.answers.seen().last().text, LanStr(137));
        QCOMPARE(m.state().runState, int(RunResampling));
        QCOMPARE(m.logged(139), 1);
        for (int s = 0; s < gDNum; ++s)
            QCOMPARE(cam->resamplePending[s], gpWPara->detectOn[s] != 0);
        cam->ignorePointMask[0][5] = 7;
        cam->LoadIgnorePoint();  // what was saved
        QCOMPARE(int(cam->ignorePointMask[0][5]), 0);

        // The templates are in; a refused password skips the area check.
        win.Lock();
        m.answers.queue(0);
        win.commands()->CheckArea(false);
        QCOMPARE(m.state().runState, int(RunDetecting));
        QCOMPARE(m.state().verdictState, int(VerdictIdle));
        win.cycle().unlockLevel = 1;
        win.commands()->CheckArea(false);
        QCOMPARE(m.state().verdictState, int(VerdictAreaCheck));
        QVERIFY(!win.drawROIWidget->isHidden());
        QVERIFY(win.indexButton->isHidden());
        QCOMPARE(gFromTrain, 1);
        gFromTrain = 0;
    }

    void skipDetection()
    {
        if (OnceIsEnough())
            QSKIP("the same on every screen");
        Monitor m({{"system9", 11, 1}, {"system9", 10, 3}});
        IndexButton* column = m->indexButton;
        m.answers.queue(1);
        column->skipButton->click();
        QCOMPARE(m.answers.seen().last().text, LanStr(574).arg(3));
        QCOMPARE(int(m.state().skipActive), 1);
        QCOMPARE(column->skipButton->text(), LanStr(576));
        m.answers.queue(0);
        column->skipButton->click();
        QCOMPARE(int(m.state().skipActive), 1);
        m.answers.queue(1);
        column->skipButton->click();
        QCOMPARE(m.answers.seen().last().text, LanStr(578).arg(3));
        QCOMPARE(int(m.state().skipActive), 0);
        QCOMPARE(column->skipButton->text(), LanStr(573));
        QCOMPARE(m.state().runState, int(RunDetecting));
    }

    // A camera that sends nothing for six seconds is checked, unless the
    // cameras wait for a trigger.
    void frameRateWatch()
    {
        if (OnceIsEnough())
            QSKIP("the same on every screen");
        gisLost = 0;
        Monitor m({{"system5", 12, 1}}, QStringLiteral("galaxy"));  // capture on trigger
        for (int s = 0; s < 7; ++s)
            m->SlotFPS();
        QCOMPARE(gisLost, 0);
        gpWPara->externalTrigger = 0;  // now six silent seconds mean a lost camera
        for (int s = 0; s < 5; ++s)
            m->SlotFPS();
        QCOMPARE(gisLost, 0);
        m->SlotFPS();
        QCOMPARE(gisLost, 1);
        gisLost = 0;
    }

    // Screen grabs for a person to look at (tools/grab-main-screen):
    // MOJU_SHOTS_DIR names the folder, MOJU_SHOTS_SIMCAM a camera folder
    // laid out by tools/mkmould.
    void grabMainScreen_data()
    {
        QTest::addColumn<int>("lan");
        QTest::addColumn<bool>("everything");
        for (bool all : {false, true}) {
            const char* scene = all ? "options" : "grid";
            QTest::newRow(qPrintable(QStringLiteral("%1-zh_CN").arg(QLatin1String(scene)))) << 0 << all;
            QTest::newRow(qPrintable(QStringLiteral("%1-en").arg(QLatin1String(scene)))) << 1 << all;
            QTest::newRow(qPrintable(QStringLiteral("%1-zh_TW").arg(QLatin1String(scene)))) << 2 << all;
        }
    }
    void grabMainScreen()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        const QString cams = qEnvironmentVariable("MOJU_SHOTS_SIMCAM");
        if (out.isEmpty() || cams.isEmpty())
            QSKIP("MOJU_SHOTS_DIR and MOJU_SHOTS_SIMCAM not set");
        QFETCH(int, lan);
        QFETCH(bool, everything);
        Rows rows{{"system2", 13, lan}, {"isPswUsed", 1, 1}};
        if (everything)
            rows += Rows{{"system10", 19, 1}, {"system9", 11, 1},  {"system7", 4, 1}, {"system12", 18, 1},
                         {"system2", 7, 1},   {"system6", 10, 1},  {"numFailDetect", 1, 4}, {"system8", 1, 5}};
        Monitor m(rows, QString(), cams);
        RaRoWizard& win = *m.win;
        win.show();
        for (int c = 0; c < 4; ++c)  // every view shows its mould (black is 0xFF000000)
            QTRY_VERIFY_WITH_TIMEOUT(qGray(win.cammerWidget[c]->displayImage().pixel(5, 5)) > 10, 5000);
        ComboBox* groups = win.wizardParaWidget->paraGroupCombo;
        groups->clear();
        groups->addItems({QStringLiteral("default"), QStringLiteral("模具组A-07")});
        gpWPara->paraGroupIndex = 1;
        win.cycle().lastCycleTime = 123;
        win.cycle().unlockLevel = everything ? 1 : 0;
        QTest::mouseClick(win.cammerWidget[1], Qt::LeftButton, {}, QPoint(20, 20));  // the command column
        if (everything) {
            QTest::mouseClick(win.cammerWidget[1], Qt::LeftButton, {}, QPoint(20, 20));  // camera 2 alone
            win.zoomButton[0]->click();  // all zoom buttons
        }
        QDir().mkpath(out);
        const QString name = QStringLiteral("%1/main-%2-%3x%4.png").arg(out, QString::fromLatin1(QTest::currentDataTag())).arg(gShowW).arg(gShowH);
        QVERIFY(win.grab().save(name));
        qunsetenv("MOJU_SIMCAM");
    }

    // The screens a setter goes through, in English, for the setter's guide
    // (tools/grab-guide-screens): a monitor laid out as the demo lays it out,
    // with a Position and a Defect area on each camera's steps.
    void grabGuideScreens()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        const QString cams = qEnvironmentVariable("MOJU_SHOTS_SIMCAM");
        const QString templates = qEnvironmentVariable("MOJU_SHOTS_TEMPLATES");
        if (out.isEmpty() || cams.isEmpty() || templates.isEmpty())
            QSKIP("MOJU_SHOTS_DIR, MOJU_SHOTS_SIMCAM and MOJU_SHOTS_TEMPLATES not set");
        auto prepare = [&templates] { LayOutGuideMould(templates); };
        // English, and the Area limit the guide advises.
        Monitor m({{"system2", 13, 1}, {"system4", 15, 20}}, QString(), cams, prepare);
        RaRoWizard& win = *m.win;
        win.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win));
        for (int c = 0; c < 4; ++c)
            QTRY_VERIFY_WITH_TIMEOUT(qGray(win.cammerWidget[c]->displayImage().pixel(5, 5)) > 10, 5000);
        win.cycle().lastCycleTime = 123;
        QDir().mkpath(out);
        auto save = [&out](QWidget* w, const char* what) {
            QVERIFY(w->grab().save(QStringLiteral("%1/%2.png").arg(out, QLatin1String(what))));
        };
        save(&win, "main");
        QTest::mouseClick(win.cammerWidget[1], Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_VERIFY(win.indexButton->isVisible());
        save(&win, "command-column");

        // System Param: the pages a setter uses.
        win.indexButton->systemParaButton->click();
        WizardParaWidget& d = *win.wizardParaWidget;
        QTRY_VERIFY(d.isVisible());
        QWidget* top = d.isWindow() ? static_cast<QWidget*>(&d) : static_cast<QWidget*>(&win);
        d.SlotToCommon();
        save(top, "settings-system");
        d.SlotToCamera();
        save(top, "settings-camera");
        d.SlotChangeShowMode();  // the camera's picture behind its controls
        save(top, "settings-camera-picture");
        d.SlotChangeShowMode();
        d.factoryBox->setValue(1);  // the switches shown with the factory controls
        d.SlotToCamera();
        save(top, "settings-camera-factory");
        d.factoryBox->setValue(0);
        win.cycle().unlockLevel = 2;  // the master password was given
        d.SlotToIO();
        save(top, "settings-io");
        d.SlotToAdvance();
        save(top, "settings-advanced");
        d.hide();

        // Area Settings: the editor on camera 1's template, an area chosen,
        // then the template page.
        win.cycle().selCamera = 0;
        win.ChangeCammer();
        win.indexButton->show();
        win.indexButton->adjustAreaButton->click();
        DrawROIWidget* editor = win.drawROIWidget;
        QTRY_VERIFY(editor->isVisible());
        save(&win, "area-templates");
        editor->pageButton->click();  // Change Area: the drawing page
        save(&win, "area-draw");
        gpWPara->showAllParams = 1;  // every control of the area's panel
        gpWPara->enableManualLocate = 1;  // Position areas can be drawn
        CammerWidget* first = win.cammerWidget[0];
        for (int roi : {1, 0}) {
            first->selectedRoi = roi;
            first->ShowHideROIPara();
            first->update();
            save(&win, roi == 1 ? "area-defect" : "area-position");
        }
        first->DeselectROI();
        first->ShowHideROIPara();
        editor->returnButton->click();
        QTRY_VERIFY(!editor->isVisible());
        qunsetenv("MOJU_SIMCAM");
    }

    // The alarm as the setter meets it: camera 1 sees a part left in a
    // cavity (MOJU_SHOTS_SIMCAM_NG serves mkmould's faulty picture there).
    void grabGuideAlarm()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        const QString cams = qEnvironmentVariable("MOJU_SHOTS_SIMCAM_NG");
        const QString templates = qEnvironmentVariable("MOJU_SHOTS_TEMPLATES");
        if (out.isEmpty() || cams.isEmpty() || templates.isEmpty())
            QSKIP("MOJU_SHOTS_DIR, MOJU_SHOTS_SIMCAM_NG and MOJU_SHOTS_TEMPLATES not set");
        Monitor m({{"system2", 13, 1}, {"system4", 15, 20}}, QString(), cams,
                  [&templates] { LayOutGuideMould(templates); });
        RaRoWizard& win = *m.win;
        win.show();
        QVERIFY(QTest::qWaitForWindowExposed(&win));
        for (int c = 0; c < 4; ++c)
            QTRY_VERIFY_WITH_TIMEOUT(qGray(win.cammerWidget[c]->displayImage().pixel(5, 5)) > 10, 5000);
        win.SlotSimulationTrigIn(1);  // the mould opens
        QTRY_COMPARE_WITH_TIMEOUT(win.cycle().verdictState, int(VerdictAlarm), 15000);
        QDir().mkpath(out);
        QVERIFY(win.grab().save(QStringLiteral("%1/alarm.png").arg(out)));
        qunsetenv("MOJU_SIMCAM");
    }
};

MOJU_TEST_MAIN(TestMainScreen)
#include "test_mainscreen.moc"
