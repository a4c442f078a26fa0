// The settings dialog's side pages: IO assignment and naming, the camera
// page's buttons, the operation record, the help viewer, renumbering and
// the hardware viewer.
#include "SettingsRig.h"

#include "SimCamFixture.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "params/IOTables.h"
#include "platform/SystemActions.h"
#include "settings/CustomIONameWidget.h"
#include "settings/HardwareConfigurationWidget.h"
#include "settings/HelpWidget.h"
#include "settings/IOCheckComBO.h"
#include "settings/IOWidget.h"
#include "settings/WidgetChangeCamera.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/EditBox.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QSqlTableModel>

namespace {
int Seen(const PopupAnswerer& a, const QString& text)
{
    int n = 0;
    for (const PopupAnswerer::Seen& s : a.seen())
        n += s.text == text ? 1 : 0;
    return n;
}

void StoreMulti(int detections)
{
    SetStoredValue(QStringLiteral("numFailDetect"), 1, 4);
    SetStoredValue(QStringLiteral("system8"), 1, detections);
}

// The main window's answer to the cameras: they read the edit copy while
// the dialog is shown.
struct DialogWatch : CameraHost {
    bool settingsDialogVisible() const override { return dialog && dialog->isVisible(); }
    const QWidget* dialog = nullptr;
};

// The cameras of a main window over the global parameter copies.
struct Cameras {
    explicit Cameras(HostDouble& host, int count, const QWidget* dialog = nullptr)
    {
        cameraHost.dialog = dialog;
        CheckCameraID();
        DeriveFrameLengths();
        for (int i = 0; i < count; ++i) {
            sides.push_back(std::make_unique<CameraSide>(&station, i));
            sides.back()->CameraOpen();
            station.numCamera += station.camOpen[i] ? 1 : 0;
        }
        host.cameraStation = &station;
        host.cameras = station.numCamera;
    }
    DialogWatch cameraHost;
    CameraStation station{gpWPara, gpWParaBak, &cameraHost};
    std::vector<std::unique_ptr<CameraSide>> sides;
};

QStringList SnRows()
{
    RealSystemActions shell;
    const ActionResult r = shell.run({QStringLiteral("sqlite3"), QStringLiteral("SN.db"),
                                      QStringLiteral("select value from sysparam where name like 'serialNB%' order by name")});
    return QString::fromUtf8(r.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
}  // namespace

class TestSettingsSide : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void init() { gLan = 0; }

    void outputsGoToDetectionsInOrder()
    {
        SettingsRig rig([] { StoreMulti(5); });
        IOWidget& io = *rig.dlg->ioWidget;
        QCOMPARE(io.detections, 5);
        for (int k = 0; k < 8; ++k)
            QCOMPARE(io.rows[k]->isVisibleTo(&io), k < 5);
        // The default set gives every output to the first detection; Reset frees them.
        QCOMPARE(io.owner[4], 0);
        io.resetButton->click();
        for (int k = 0; k < 8; ++k)
            QCOMPARE(io.owner[k], -1);
        // Detection 1 takes output 2: later ones lose outputs 0-2, earlier ones 2-4.
        io.rows[1]->box[2]->setChecked(true);
        QCOMPARE(io.owner[2], 1);
        for (int j : {2, 3, 4})
            for (int k = 0; k <= 2; ++k)
                QVERIFY(!io.rows[j]->box[k]->isCheckable());
        for (int k = 2; k <= 4; ++k)
            QVERIFY(!io.rows[0]->box[k]->isCheckable());
        QVERIFY(io.rows[0]->box[1]->isCheckable());
        io.rows[1]->box[3]->setChecked(true);  // a detection may own several
        QCOMPARE(io.owner[3], 1);
        // Freed again unless another ticked box still bars them.
        io.rows[1]->box[3]->setChecked(false);
        io.rows[1]->box[2]->setChecked(false);
        for (int j = 0; j < 5; ++j)
            for (int k = 0; k < 5; ++k)
                QVERIFY(io.rows[j]->box[k]->isCheckable());

        // The last output unowned: refused, nothing written.
        PopupAnswerer answers;
        const WizardPara before = *gpWParaBak;
        io.rows[0]->box[0]->setChecked(true);
        io.accept();
        QCOMPARE(Seen(answers, LanStr(512)), 1);
        QVERIFY(*gpWParaBak == before);
        io.rows[4]->box[4]->setChecked(true);
        io.accept();
        QCOMPARE(gpWParaBak->customDetectCount, 5);
        QCOMPARE(gpWParaBak->customOutputOwner[0], 0);
        QCOMPARE(gpWParaBak->customOutputOwner[4], 4);
        QCOMPARE(gpWParaBak->customOutputOwner[1], -1);
        QVERIFY(!io.isVisible());
    }

    void triggerInputsRunDownTheDetections()
    {
        SettingsRig rig([] {
            StoreMulti(4);
            // Stored: detection 2 triggers before detection 1, an owner beyond the table.
            SetStoredValue(QStringLiteral("system8"), 2, 2);
            SetStoredValue(QStringLiteral("system8"), 3, 1);
            SetStoredValue(QStringLiteral("system9"), 1, 9);
        });
        IOWidget& io = *rig.dlg->ioWidget;
        // Raised to the first input offered; the owner names no row.
        QCOMPARE(io.rows[1]->trigIn, 2);
        QCOMPARE(io.rows[1]->triginCombo->currentIndex(), 0);
        QCOMPARE(io.owner[0], -1);
        io.rows[0]->triginCombo->setCurrentIndex(3);
        QCOMPARE(io.rows[0]->trigIn, 3);
        for (int k = 1; k < 4; ++k) {
            QCOMPARE(io.rows[k]->firstIn, 3);
            QCOMPARE(io.rows[k]->trigIn, 3);
            QCOMPARE(io.rows[k]->triginCombo->count(), 1);
        }
        // Lowering the count clears owners outside the new area.
        io.rows[3]->box[3]->setChecked(true);
        io.countCombo->setCurrentIndex(0);
        QCOMPARE(io.detections, 2);
        QCOMPARE(io.owner[3], -1);
        QCOMPARE(io.countCombo->currentText(), LanStr(501));
    }

    void assignmentReachesTheDerivedSetup()
    {
        SettingsRig rig([] { StoreMulti(3); });
        rig.host.level = 2;
        rig.open();
        IOWidget& io = *rig.dlg->ioWidget;
        io.reset();
        io.rows[0]->box[0]->setChecked(true);
        io.rows[1]->triginCombo->setCurrentIndex(1);  // input index 1
        io.rows[2]->box[1]->setChecked(true);
        io.rows[2]->box[2]->setChecked(true);
        io.accept();
        QCOMPARE(rig.dlg->recheckEdit->text(), LanStr(511).arg(LanStr(479)));
        PopupAnswerer answers;
        answers.queue(1);
        rig.dlg->accept();
        // Output 0 belongs to detection 0, outputs 1 and 2 to detection 2.
        QCOMPARE(gpWPara->outputOrder[0], 0);
        QCOMPARE(gpWPara->outputOrder[1], 2);
        QCOMPARE(gpWPara->detectOn[0], 1);
        QCOMPARE(gpWPara->trigInput[0], TriginNo[gpWPara->customTrigInput[0]] - 1);
        QCOMPARE(gpWPara->trigInput[1], TriginNo[gpWPara->customTrigInput[2]] - 1);
        QCOMPARE(StoredValue(QStringLiteral("system9"), 2), 2);
        QVERIFY(rig.host.trains.contains(qMakePair(0, 0)));
    }

    void renamedInputReachesTheNames()
    {
        SettingsRig rig([] { StoreMulti(2); });
        rig.host.level = 2;
        rig.open();
        QWidget main;
        CustomIONameWidget names(&main, rig.dlg.get());
        names.init();
        names.inputCombo[0]->setCurrentIndex(5);
        names.accept();
        QCOMPARE(rig.dlg->ioWidget->rows[0]->triginCombo->itemText(0), InName(5, gLan));
        QCOMPARE(gpWParaBak->inputNameIndex[0], 5);
        QVERIFY(gpWPara->inputNameIndex[0] != 5);  // saved only with the settings
        PopupAnswerer answers;
        answers.queue(1);
        rig.dlg->accept();
        QCOMPARE(gaName[0], InName(5, gLan));  // what the status bar shows
        QCOMPARE(StoredValue(QStringLiteral("system10"), 1), 5);
    }

    void oneShotAutoExposure_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("foundUs");   // what the camera's automatic exposure settles on
        QTest::addColumn<int>("foundGain");    // in the camera's range, 16..80 here
        QTest::addColumn<int>("exposure");     // stored, in the dialog's scales
        QTest::addColumn<int>("gain");
        QTest::newRow("mindvision") << "mindvision" << 25600.0 << 48 << 25 << 32;
        QTest::newRow("below and above the fields") << "mindvision" << 400.0 << 90 << 1 << 64;
        QTest::newRow("mvs changes nothing") << "mvs" << 25600.0 << 48 << -1 << -1;
    }
    void oneShotAutoExposure()
    {
        QFETCH(QString, family);
        QFETCH(double, foundUs);
        QFETCH(int, foundGain);
        QFETCH(int, exposure);
        QFETCH(int, gain);
        const bool mind = family == QLatin1String("mindvision");
        SimCamFolder sim;
        sim.add(family, QStringLiteral("CAM000001"), {{"sensorWidth", 64}, {"sensorHeight", 48}});
        sim.add(family, QStringLiteral("CAM000002"), {{"sensorWidth", 64}, {"sensorHeight", 48}});
        SettingsRig rig;
        Cameras cams(rig.host, 2, rig.dlg.get());
        QCOMPARE(cams.station.numCamera, 2);
        rig.open();
        const auto dev = sim.device(family, QStringLiteral("CAM000001"));
        const WizardPara before = *gpWParaBak;
        rig.dlg->autoExposureButton->click();
        QVERIFY(rig.dlg->autoExposureTimer->isActive());
        QCOMPARE(dev->setting(QStringLiteral("AeState")).toBool(), mind);
        if (mind) {
            QCOMPARE(dev->setting(QStringLiteral("AeTarget")).toInt(), 120);
            QCOMPARE(dev->setting(QStringLiteral("AeExposureMax")).toDouble(), 100000.0);
            QCOMPARE(dev->setting(QStringLiteral("AntiFlick")).toBool(), true);
        }
        // The camera's automatic exposure settles; meanwhile the page moves on.
        dev->record(QStringLiteral("ExposureTime"), foundUs);
        dev->record(QStringLiteral("Gain"), foundGain);
        rig.dlg->switchCameraButton->click();
        QCOMPARE(rig.dlg->currentCamera(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.dlg->autoExposureTimer->isActive(), 3000);
        if (!mind) {
            QVERIFY(*gpWParaBak == before);
            return;
        }
        QCOMPARE(dev->setting(QStringLiteral("AeState")).toBool(), false);
        // Stored in the fields' own scale and range, and the camera given exactly that.
        QCOMPARE(gpWParaBak->exposure[0], exposure);
        QCOMPARE(gpWParaBak->gain[0], gain);
        QCOMPARE(dev->setting(QStringLiteral("ExposureTime")).toDouble(), exposure * 1000.0);
        QCOMPARE(dev->setting(QStringLiteral("Gain")).toInt(), 16 + gain);
        rig.dlg->switchCameraButton->click();
        QCOMPARE(rig.dlg->gainEdit->value(), gain);
        rig.dlg->gainEdit->SubOne();
        QCOMPARE(dev->setting(QStringLiteral("Gain")).toInt(), 16 + gain - 1);
    }

    // Leaving the dialog without Confirm or No: the camera runs on the
    // confirmed values and no automatic exposure goes on behind it.
    void everyWayOutRestoresTheCamera_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<bool>("edited");  // the device shows the edit afterwards
        QTest::newRow("an alarm hides the dialog") << 0 << false;
        QTest::newRow("renumbering, then no power-off") << 1 << false;
        QTest::newRow("IO names and back") << 2 << true;
        QTest::newRow("automatic exposure cut short by Confirm") << 3 << false;
    }
    void everyWayOutRestoresTheCamera()
    {
        QFETCH(int, way);
        QFETCH(bool, edited);
        SimCamFolder sim;
        sim.add(QStringLiteral("mindvision"), QStringLiteral("MIND00001"), {{"sensorWidth", 64}, {"sensorHeight", 48}});
        SettingsRig rig;
        Cameras cams(rig.host, 1, rig.dlg.get());
        const auto dev = sim.device(QStringLiteral("mindvision"), QStringLiteral("MIND00001"));
        QVERIFY(dev);
        QWidget main;
        CustomIONameWidget names(&main, rig.dlg.get());
        rig.open();
        rig.dlg->SlotToCamera();
        const double live = gpWPara->exposure[0] * 1000.0;
        PopupAnswerer answers;
        if (way == 3) {
            rig.dlg->autoExposureButton->click();
            dev->record(QStringLiteral("ExposureTime"), 55000.0);
            rig.dlg->accept();
            QVERIFY(!rig.dlg->autoExposureTimer->isActive());
            QCOMPARE(dev->setting(QStringLiteral("AeState")).toBool(), false);
        } else {
            for (int i = 0; i < 5; ++i)
                rig.dlg->exposureEdit->AddOne();
            QCOMPARE(dev->setting(QStringLiteral("ExposureTime")).toDouble(), live + 5000);
            if (way == 0) {
                rig.dlg->hide();
            } else if (way == 1) {
                rig.dlg->SlotTuneCamera();
                answers.queue(0);
                rig.dlg->SlotShutDown();
            } else {
                rig.dlg->SlotShowCustomIONameWidget();
                QCOMPARE(dev->setting(QStringLiteral("ExposureTime")).toDouble(), live);
                names.accept();
            }
        }
        QCOMPARE(rig.dlg->isVisible(), edited);
        QCOMPARE(dev->setting(QStringLiteral("ExposureTime")).toDouble(), edited ? live + 5000 : live);
        QCOMPARE(gpWPara->exposure[0] * 1000.0, live);
    }

    // An assignment confirmed on the IO pages and then discarded with the
    // settings is not shown as if it held.
    void declinedIOAssignmentIsNotShown()
    {
        SettingsRig rig([] { StoreMulti(3); });
        rig.host.level = 2;
        rig.open();
        IOWidget& io = *rig.dlg->ioWidget;
        QWidget main;
        CustomIONameWidget names(&main, rig.dlg.get());
        io.reset();
        io.rows[1]->box[0]->setChecked(true);
        io.rows[2]->box[1]->setChecked(true);
        io.rows[2]->box[2]->setChecked(true);
        io.accept();
        rig.dlg->SlotShowCustomIONameWidget();
        names.inputCombo[0]->setCurrentIndex(5);
        names.accept();
        PopupAnswerer answers;
        answers.queue(0);
        rig.dlg->accept();
        QCOMPARE(gpWPara->customOutputOwner[0], 0);
        rig.open();
        for (int k = 0; k < 3; ++k)
            QCOMPARE(io.owner[k], gpWPara->customOutputOwner[k]);
        QVERIFY(io.rows[0]->getCheckComboStatus(0));
        main.show();
        names.show();
        QCOMPARE(names.inputCombo[0]->currentIndex(), gpWPara->inputNameIndex[0]);
        QCOMPARE(io.rows[0]->triginCombo->itemText(0), InName(gpWPara->inputNameIndex[0], gLan));
    }

    void operationRecordsByDay()
    {
        SettingsRig rig;
        auto addRow = [](const QString& connection, const QString& text) {
            QSqlQuery q(QSqlDatabase::database(connection));
            q.prepare(QStringLiteral("insert into RECORD values(?, ?, ?)"));
            q.addBindValue(QStringLiteral("2024-01-02 10:00:00"));
            q.addBindValue(QStringLiteral("x"));
            q.addBindValue(text);
            return q.exec();
        };
        QDir().mkpath(QStringLiteral("RECORD"));
        for (const char* day : {"2024-01-01", "2024-01-02"})
            QVERIFY(QFile::copy(QStringLiteral("RECORD.db"), QStringLiteral("RECORD/%1.db").arg(QLatin1String(day))));
        {
            QSqlDatabase a = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("archive"));
            a.setDatabaseName(QStringLiteral("RECORD/2024-01-02.db"));
            QVERIFY(a.open());
            QVERIFY(addRow(QStringLiteral("archive"), QStringLiteral("archived line")));
            a.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("archive"));
        QSqlDatabase live = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dbRecord"));
        live.setDatabaseName(QStringLiteral("RECORD.db"));
        QVERIFY(live.open());
        QVERIFY(addRow(QStringLiteral("dbRecord"), QStringLiteral("today's line")));
        rig.open();
        rig.dlg->SlotToRecord();
        QCOMPARE(rig.dlg->page(), int(WizardParaWidget::PageRecord));
        QCOMPARE(rig.dlg->recordList->count(), 3);
        QCOMPARE(rig.dlg->recordList->item(1)->text(), QStringLiteral("2024-01-02"));
        QCOMPARE(rig.dlg->recordList->item(2)->text(), QStringLiteral("2024-01-01"));
        QCOMPARE(rig.dlg->recordModel->data(rig.dlg->recordModel->index(0, 2)).toString(), QStringLiteral("today's line"));
        rig.dlg->recordList->setCurrentRow(1);
        rig.dlg->UpdateRecord(rig.dlg->recordList->item(1));
        QCOMPARE(rig.dlg->recordModel->data(rig.dlg->recordModel->index(0, 2)).toString(), QStringLiteral("archived line"));
        // An archived day is never written through the page.
        QVERIFY(!addRow(QStringLiteral("dbList"), QStringLiteral("late")));
        rig.dlg.reset();
        live.close();
        live = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("dbRecord"));
    }

    void helpPagesWrapAndCopeWithNone_data()
    {
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("afterNextOnLast");
        QTest::addColumn<int>("afterPreviousOnFirst");
        QTest::addColumn<int>("alarmPage");
        QTest::newRow("twelve") << 12 << 0 << 11 << 6;
        QTest::newRow("three") << 3 << 0 << 2 << 2;
        QTest::newRow("none") << 0 << 0 << 0 << 0;
    }
    void helpPagesWrapAndCopeWithNone()
    {
        QFETCH(int, pictures);
        TempWorkDir dir(false);
        QDir().mkpath(QStringLiteral("help"));
        for (int k = 0; k < pictures; ++k) {
            QImage img(8, 8, QImage::Format_RGB32);
            img.fill(k);
            QVERIFY(img.save(QStringLiteral("help/p%1.png").arg(k, 2, 10, QLatin1Char('0'))));
        }
        HelpWidget help(nullptr, QStringLiteral("help"));
        QCOMPARE(help.pageCount(), pictures);
        gHelpC = std::max(0, pictures - 1);
        help.SlotNext();
        QTEST(gHelpC, "afterNextOnLast");
        help.SlotLast();
        if (pictures)
            QCOMPARE(gHelpC, pictures - 1);
        gHelpC = 0;
        help.SlotLast();
        QTEST(gHelpC, "afterPreviousOnFirst");
        help.SlotAlarm();
        QTEST(gHelpC, "alarmPage");
        help.show();
        QVERIFY(!help.grab().isNull());  // paints whatever it has
        help.button[3]->click();
        QVERIFY(!help.isVisible());
    }

    void renumberingStoresTheNewOrder()
    {
        SimCamFolder sim;
        sim.add(QStringLiteral("mindvision"), QStringLiteral("MIND00001"), {{"sensorWidth", 64}, {"sensorHeight", 48}});
        sim.add(QStringLiteral("mindvision"), QStringLiteral("MIND00002"), {{"sensorWidth", 64}, {"sensorHeight", 48}});
        SettingsRig rig;
        Cameras cams(rig.host, 2);
        int shutDowns = 0;
        WidgetChangeCamera renumber(nullptr, &cams.station, 2, [&] { ++shutDowns; });
        PopupAnswerer answers;
        renumber.list[0]->setCurrentIndex(1);  // both number 2
        renumber.SlotOK();
        QCOMPARE(Seen(answers, LanStr(361).arg(2)), 1);
        QCOMPARE(shutDowns, 0);
        renumber.list[1]->setCurrentIndex(0);
        renumber.SlotOK();
        QCOMPARE(shutDowns, 1);
        const QStringList rows = SnRows();
        QCOMPARE(rows.value(0), QStringLiteral("MIND00002"));
        QCOMPARE(rows.value(1), QStringLiteral("MIND00001"));
    }

    void renumberingWithoutCamerasKeepsTheOrder()
    {
        SettingsRig rig;
        const QStringList before = SnRows();
        CameraHost host;
        CameraStation station(gpWPara, gpWParaBak, &host);
        gCameraID = CAMERA_NONE;
        WidgetChangeCamera renumber(nullptr, &station, 0, {});
        renumber.SlotOK();
        QCOMPARE(SnRows(), before);
    }

    void hardwareViewerReadsItsFiles()
    {
        TempWorkDir dir(false);
        QFile conf(QStringLiteral("conf.txt"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("CPU_Type\tDual_Core\n\nCameras\nCount\t9\n");
        conf.close();
        int cameras = 3;
        HardwareConfigurationWidget view(nullptr, [&] { return cameras; });
        ConfigEntries entries;
        QVERIFY(loadConfiguration(QStringLiteral("conf.txt"), entries));
        QCOMPARE(entries.value(0), qMakePair(QStringLiteral("CPU Type"), QStringLiteral("Dual Core")));
        QCOMPARE(entries.value(1), qMakePair(QStringLiteral("Cameras"), QString()));
        QVERIFY(!view.nextButton[0]->isVisibleTo(&view));  // no second file
        view.show();
        QCOMPARE(view.countValue[0]->text(), QStringLiteral("3"));
        QSignalSpy back(&view, &HardwareConfigurationWidget::sigConfirm);
        view.confirmButton[0]->click();
        QCOMPARE(back.size(), 1);
    }

    // The side pages for a person to look at: MOJU_SHOTS_DIR names the folder.
    void grabSidePages_data()
    {
        QTest::addColumn<int>("lan");
        QTest::newRow("zh_CN") << 0;
        QTest::newRow("en") << 1;
        QTest::newRow("zh_TW") << 2;
    }
    void grabSidePages()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        SettingsRig rig([lan] {
            StoreMulti(6);
            SetStoredValue(QStringLiteral("system2"), 13, lan);
        });
        QFile conf(QStringLiteral("conf.txt"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("Hardware\nCPU_Type\tDual_Core\nMemory\t4_GB\nCameras\nCount\t0\n");
        conf.close();
        auto shot = [&](QWidget& w, const char* name) {
            QVERIFY(w.grab().save(QStringLiteral("%1/side-%2x%3-%4-%5.png").arg(out).arg(gShowW).arg(gShowH)
                                      .arg(QString::fromLatin1(QTest::currentDataTag()), QLatin1String(name))));
        };
        QDir().mkpath(out);
        rig.open();
        rig.dlg->ioWidget->reset();
        rig.dlg->ioWidget->rows[0]->box[0]->setChecked(true);
        rig.dlg->ioWidget->rows[5]->box[5]->setChecked(true);
        rig.dlg->ioWidget->show();
        shot(*rig.dlg, "io-assignment");
        QWidget main;
        main.resize(gShowW, gShowH);
        CustomIONameWidget names(&main, rig.dlg.get());
        main.show();
        names.show();
        shot(main, "io-names");
        HardwareConfigurationWidget hw(nullptr, [] { return 2; });
        hw.show();
        shot(hw, "hardware");
        CameraHost camHost;
        CameraStation station(gpWPara, gpWParaBak, &camHost);
        WidgetChangeCamera renumber(nullptr, &station, 3, {});
        renumber.show();
        shot(renumber, "renumbering");
        QDir().mkpath(QStringLiteral("help"));
        QImage page(gShowW, gShowH, QImage::Format_RGB32);
        page.fill(Qt::darkCyan);
        QVERIFY(page.save(QStringLiteral("help/p01.png")));
        HelpWidget help(nullptr, QStringLiteral("help"));
        help.show();
        shot(help, "help");
    }
};

MOJU_TEST_MAIN(TestSettingsSide)
#include "test_settings_side.moc"
