// The production-record screens on both layouts: the statistics page with its
// tabs, values and day list, bar heights checked in pixels, the workbook
// export onto a USB disk, the cycle-log page with its export, and the cavity
// editor. With MOJU_SHOTS_DIR set, every screen is grabbed in each language.
#include "RecordsTestSupport.h"
#include "TestSupport.h"

#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "records/DetectCycleSQL.h"
#include "records/Myxls.h"
#include "records/UsbExport.h"
#include "platform/SystemActions.h"
#include "records/gui/CameraStatisticsWidget.h"
#include "records/gui/CamereaTabWidget.h"
#include "records/gui/DetectCycleWidget.h"
#include "records/gui/EditCavitywidget.h"
#include "records/gui/ExportDialog.h"
#include "records/gui/Histogram.h"
#include "records/gui/StatisticsWidget.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/EditDateTime.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QTabBar>
#include <QLabel>
#include <QRegularExpression>
#include <QListView>
#include <QListWidget>
#include <QSignalSpy>
#include <QSqlTableModel>
#include <QTimeEdit>

#include <climits>

namespace {
using Value = CameraStatisticsWidget;

bool IsColour(QRgb px, const QColor& c)
{
    // Bars are 200/255 opaque over the page: the strong channel stays high, the others low.
    const int strong = c == Histogram::kOkColor ? qGreen(px) : qRed(px);
    const int weak = c == Histogram::kOkColor ? qRed(px) : qGreen(px);
    return strong > 190 && weak < 90 && qBlue(px) < 90;
}
}  // namespace

class TestRecordsPages : public QObject {
    Q_OBJECT

    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_disk;
    WizardPara m_para;
    QDateTime m_now;
    bool m_diskPresent = true;

    std::unique_ptr<ResStatisticsParam> Store()
    {
        ResStatisticsParam::Options o;
        o.clock = [this] { return m_now; };
        o.cameraCount = [] { return 3; };
        return std::make_unique<ResStatisticsParam>(o);
    }

private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        gLan = kLanEn;
    }
    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        m_disk = std::make_unique<QTemporaryDir>();
        LoadSkinPixmaps();
        m_para = WizardPara();
        m_para.machineType = 0;
        gpWPara = &m_para;
        gDNum = 2;
        m_now = At("2024-05-06T10:00:00");
        WriteText(QStringLiteral("restime.txt"), QByteArray::number(At("2024-05-06T08:00:00").toSecsSinceEpoch()));
        m_diskPresent = true;
        QDir().mkpath(QStringLiteral("ResStatistics"));
        SetUsbDiskFinder([this] { return m_diskPresent ? m_disk->path() : QString(); });
        gpWarnBox = new WarnBox;
        gpChooseBox = new ChooseBox;
    }
    void cleanup()
    {
        SetUsbDiskFinder({});
        delete gpWarnBox;
        delete gpChooseBox;
        gpWarnBox = nullptr;
        gpChooseBox = nullptr;
        delete DetectCycleSQL::instance;
        gpWPara = nullptr;
        gLan = kLanEn;
        m_disk.reset();
        m_dir.reset();
    }

    // Tabs per camera and step, values of today as counts arrive, the day
    // list newest first, an archived day and one that cannot be read.
    void statisticsPage()
    {
        auto store = Store();
        StatisticsWidget page(store.get(), 3);
        page.show();
        QTabWidget* cams = page.cameraTabs();
        QCOMPARE(cams->count(), 4);
        QCOMPARE((QStringList{cams->tabText(0), cams->tabText(1), cams->tabText(3)}),
                 (QStringList{"All", "Camera 1", "Camera 3"}));
        CamereaTabWidget* all = page.cameraPage(0);
        QCOMPARE(all->cam(), 8);
        QCOMPARE(all->count(), 3);
        QCOMPARE((QStringList{all->tabText(0), all->tabText(1), all->tabText(2)}), (QStringList{"All steps", "Prod", "Mold"}));
        CameraStatisticsWidget* allSteps = all->stepPage(0);
        QCOMPARE(allSteps->valueText(Value::NgRate), QStringLiteral("0%"));  // nothing produced yet

        store->Add(10, true, 0, 0);
        store->Add(10, true, 1, 1);
        store->Add(21, false, 2, 0);
        QCOMPARE(allSteps->valueText(Value::MorningOk), QStringLiteral("2"));
        QCOMPARE(allSteps->valueText(Value::NightNg), QStringLiteral("1"));
        QCOMPARE(allSteps->valueText(Value::Total), QStringLiteral("3"));
        QCOMPARE(allSteps->valueText(Value::NgRate), QStringLiteral("33.33%"));
        QCOMPARE(allSteps->morningChart()->count(), 12);

        // Camera 2, step "Mold": nothing of the others.
        cams->setCurrentIndex(2);
        page.cameraPage(2)->setCurrentIndex(2);
        CameraStatisticsWidget* cam1Mold = page.cameraPage(2)->stepPage(2);
        QCOMPARE(cam1Mold->cam(), 1);
        QCOMPARE(cam1Mold->step(), 1);
        QCOMPARE(cam1Mold->valueText(Value::MorningOk), QStringLiteral("1"));
        QCOMPARE(cam1Mold->valueText(Value::NgTotal), QStringLiteral("0"));

        // Archives: newest first after today; one holds 4 NG at 9:00 for camera 2 step 1.
        QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), QStringLiteral("ResStatistics/2024-05-01.db")));
        QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), QStringLiteral("ResStatistics/2024-05-03.db")));
        QFile::setPermissions(QStringLiteral("ResStatistics/2024-05-03.db"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        SqliteRows(m_dir->filePath(QStringLiteral("ResStatistics/2024-05-03.db")),
                   QStringLiteral("update resstatistics set value2='0 0 0 0 0 0 0 0 0 4 ' where name='C1_D1'"));
        WriteText(QStringLiteral("ResStatistics/2024-05-04.db"), "no database");
        page.updateList();
        QListWidget* days = page.dayList();
        QCOMPARE(days->count(), 4);
        QCOMPARE((QStringList{days->item(0)->text(), days->item(1)->text(), days->item(2)->text(), days->item(3)->text()}),
                 (QStringList{"2024-05-06", "2024-05-04", "2024-05-03", "2024-05-01"}));
        QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, days->visualItemRect(days->item(2)).center());
        QTRY_COMPARE(cam1Mold->valueText(Value::MorningNg), QStringLiteral("4"));
        QCOMPARE(cam1Mold->valueText(Value::MorningOk), QStringLiteral("0"));
        QCOMPARE(cam1Mold->valueText(Value::NgRate), QStringLiteral("100%"));
        // A count while an archive is shown changes nothing there.
        store->Add(11, true, 1, 1);
        QCOMPARE(cam1Mold->valueText(Value::MorningOk), QStringLiteral("0"));
        // A day file that cannot be read keeps what was shown.
        page.UpdateRecord(days->item(1));
        QCOMPARE(cam1Mold->valueText(Value::MorningNg), QStringLiteral("4"));
        page.UpdateRecord(days->item(0));
        QCOMPARE(cam1Mold->valueText(Value::MorningOk), QStringLiteral("2"));
    }

    // A damaged day file holds counts at the int limit: the page's day total
    // and the workbook's hourly sums of steps 0 and 1 stay at the limit
    // (summed as ints they would wrap, which UBSan stops).
    void countsAtTheLimit()
    {
        const QString limit = Hours({{10, INT_MAX}});
        QVERIFY(QFile::copy(QStringLiteral("ResStatisticsNULL.db"), QStringLiteral("ResStatistics.db")));
        QFile::setPermissions(QStringLiteral("ResStatistics.db"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        SqliteRows(m_dir->filePath(QStringLiteral("ResStatistics.db")),
                   QStringLiteral("update resstatistics set value1='%1', value2='%1' where name in ('C0_D0', 'C0_D1')")
                       .arg(limit));
        auto store = Store();
        store->setFindCount();
        CameraStatisticsWidget page(store.get(), 0, 0);
        page.show();
        QCOMPARE(page.valueText(Value::NgTotal), QString::number(INT_MAX));
        QCOMPARE(page.valueText(Value::Total), QString::number(INT_MAX));

        Myxls::Options o;
        o.clock = [this] { return m_now; };
        o.cameraCount = [] { return 1; };
        Myxls xls(o);
        const QString file = m_dir->filePath(QStringLiteral("limit.xlsx"));
        QVERIFY2(xls.ImportRes(file), qPrintable(xls.lastError()));
        const QMap<QString, QString> cells = XlsxCells(file, 1);
        QCOMPARE(cells.value(QStringLiteral("D2")), QString::number(INT_MAX));  // 10:00, OK
        QCOMPARE(cells.value(QStringLiteral("D3")), QString::number(INT_MAX));  // 10:00, NG
    }

    // In English no Chinese is left on the page: tabs, captions and chart
    // legend (no cavity names here, so nothing the user typed).
    void englishPageHasNoHan()
    {
        auto store = Store();
        StatisticsWidget page(store.get(), 3);
        page.show();
        static const QRegularExpression han(QStringLiteral("\\p{Han}"));
        QStringList shown;
        // Tabs take their pixel size from the page's style sheet, not from the bar's font.
        QFont tabFont = page.cameraTabs()->font();
        tabFont.setPixelSize(gShowW > 1024 ? 25 : 17);
        const QFontMetrics fm(tabFont);
        auto tabs = [&](QTabWidget* t) {
            for (int i = 0; i < t->count(); ++i) {
                shown << t->tabText(i);
                QVERIFY2(fm.horizontalAdvance(t->tabText(i)) <= t->tabBar()->tabRect(i).width(), qPrintable(t->tabText(i)));
            }
        };
        QTabWidget* cams = page.cameraTabs();
        tabs(cams);
        for (int c = 0; c < cams->count(); ++c)
            tabs(page.cameraPage(c));
        for (const QLabel* l : page.findChildren<QLabel*>())
            shown << l->text();
        for (const QAbstractButton* b : page.findChildren<QAbstractButton*>())
            shown << b->text();
        shown << Histogram::LegendText(true) << Histogram::LegendText(false);
        QVERIFY(shown.contains(QStringLiteral("NG rate")));
        for (const QString& t : shown)
            QVERIFY2(!t.contains(han), qPrintable(t));
    }

    // Bar heights in pixels: the largest value spans height - 60, the others
    // in proportion; a chart of zeros has axes and no bars.
    void barHeights()
    {
        Histogram chart(nullptr, ShiftHours(ShiftNight), {0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2});
        chart.resize(gShowW > 1024 ? 1400 : 700, gShowW > 1024 ? 420 : 250);
        const QImage img = chart.grab().toImage();
        const int h = chart.height();
        const int k60 = h - 60;
        struct { int bar; bool ok; int value; } bars[] = {{1, true, 10}, {11, true, 5}, {11, false, 2}};
        for (const auto& b : bars) {
            const QRect r = chart.barRect(b.bar, b.ok);
            QCOMPARE(r.bottom(), h - 21);
            QVERIFY(qAbs(r.height() - b.value * k60 / 10) <= 1);
            // The coloured run up the bar's edge (its value is written in the middle).
            const QColor colour = b.ok ? Histogram::kOkColor : Histogram::kNgColor;
            int run = 0;
            for (int y = h - 21; y >= 0 && IsColour(img.pixel(r.left() + 1, y), colour); --y)
                ++run;
            QVERIFY2(qAbs(run - b.value * k60 / 10) <= 2, qPrintable(QStringLiteral("bar %1: %2 px").arg(b.bar).arg(run)));
        }
        QVERIFY(chart.barRect(0, true).height() == 0);

        Histogram zeros(nullptr, ShiftHours(ShiftMorning), QList<int>(12, 0), QList<int>(12, 0));
        zeros.resize(600, 300);
        const QImage z = zeros.grab().toImage();
        int coloured = 0;
        for (int y = 40; y < 280; ++y)  // below the legend swatches
            for (int x = 0; x < 600; ++x)
                coloured += IsColour(z.pixel(x, y), Histogram::kOkColor) || IsColour(z.pixel(x, y), Histogram::kNgColor);
        QCOMPARE(coloured, 0);
    }

    // Export: asked, a disk looked for (and waited for), the workbook on the
    // disk and nothing left behind; success only when it is really there.
    void exportToUsbDisk()
    {
        auto store = Store();
        store->Add(9, true, 0, 0);
        Myxls::Options o;
        o.cameraCount = [] { return 3; };
        gpMyxls = new Myxls(o);
        StatisticsWidget page(store.get(), 3);
        page.show();
        {
            PopupAnswerer answers;
            answers.queueAction([](QDialog* d) { d->done(1); });  // export? yes
            m_diskPresent = false;
            answers.queueAction([this](QDialog* d) { m_diskPresent = true; d->done(1); });  // no disk: inserted, retry
            page.SlotExportData();
            QCOMPARE(answers.seen().size(), 3);
            QCOMPARE(answers.seen()[1].text, LanStr(320));
            QCOMPARE(answers.seen()[2].text, LanStr(147));
            QVERIFY(page.isVisible());
        }
        const QStringList onDisk = QDir(m_disk->path()).entryList({QStringLiteral("*.xlsx")});
        QCOMPARE(onDisk.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d\\.xlsx$")).match(onDisk[0]).hasMatch());
        QCOMPARE(XlsxSheets(m_disk->filePath(onDisk[0])), (QStringList{"Camera0", "Camera1", "Camera2"}));
        QVERIFY(QDir().entryList({QStringLiteral("*.xlsx")}).isEmpty());
        const QStringList actions = SystemActionLines();
        QVERIFY(actions.size() >= 2);
        QVERIFY(actions.last().endsWith(QStringLiteral("umount ") + m_disk->path()));

        // A disk that cannot take the file: the operator is told so.
        {
            QTemporaryDir gone;
            const QString path = gone.path();
            gone.remove();
            SetUsbDiskFinder([path] { return path; });
            PopupAnswerer answers;
            page.SlotExportData();
            QCOMPARE(answers.seen().size(), 2);
            QVERIFY(answers.seen()[1].text != LanStr(147));
            QVERIFY(QDir().entryList({QStringLiteral("*.xlsx")}).isEmpty());
        }
        // The stick does not take the data (sync fails): no success, and the
        // workbook is not taken for exported.
        {
            struct SyncFails : RecordingSystemActions {
                ActionResult run(const QStringList& argv, int timeoutMs) override
                {
                    ActionResult r = RecordingSystemActions::run(argv, timeoutMs);
                    if (argv.value(0) == QLatin1String("sync"))
                        r.exitCode = 1;
                    return r;
                }
            } fails;
            SystemActions::setInstance(&fails);
            SetUsbDiskFinder([this] { return m_disk->path(); });
            PopupAnswerer answers;
            page.SlotExportData();
            SystemActions::setInstance(nullptr);
            QCOMPARE(answers.seen().size(), 2);
            QVERIFY(answers.seen()[1].text != LanStr(147));
        }
        // Declined: the page comes back; no disk and no retry: it stays hidden.
        {
            PopupAnswerer answers;
            answers.queue(0);
            page.SlotExportData();
            QVERIFY(page.isVisible());
            SetUsbDiskFinder({});
            answers.queue(1);
            answers.queue(0);
            page.SlotExportData();
            QVERIFY(!page.isVisible());
        }
        delete gpMyxls;
        gpMyxls = nullptr;
    }

    // The cycle-log page reads through its own connection: cycles logged while
    // an older day is shown land in the working file. Its export goes through
    // the export program onto the disk.
    void cycleLogPage()
    {
        m_now = At("2024-05-01T09:00:00");
        DetectCycleSQL::instance = new DetectCycleSQL(QStringLiteral("."), [this] { return m_now; });
        DetectCycleSQL::instance->insertDate({QStringLiteral("2024-05-01 09:00:00.000"), 11});
        delete DetectCycleSQL::instance;
        m_now = QDateTime::currentDateTime();
        DetectCycleSQL::instance = new DetectCycleSQL;
        DetectCycleSQL::instance->insertDate({m_now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), 9.5});

        auto* page = new DetectCycleWidget;
        QPointer<DetectCycleWidget> guard(page);
        page->show();
        QCOMPARE(page->dayList()->model()->rowCount(), 2);
        QCOMPARE(page->model()->rowCount(), 1);
        page->listDataChanged(page->dayList()->model()->index(1, 0));
        QCOMPARE(page->model()->rowCount(), 1);
        QCOMPARE(page->model()->index(0, 1).data().toString(), QStringLiteral("2024-05-01 09:00:00.000"));
        DetectCycleSQL::instance->insertDate({m_now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), 10});
        QCOMPARE(SqliteRows(m_dir->filePath(QStringLiteral("DetectCycle/2024-05-01.db")), QStringLiteral("select count(*) from detect_cycle")),
                 QStringList{"1"});
        QCOMPARE(SqliteRows(m_dir->filePath(QStringLiteral("DetectCycle.db")), QStringLiteral("select count(*) from detect_cycle")),
                 QStringList{"2"});

        // A span from before the first day to now, through the dialog.
        QSignalSpy done(page, &DetectCycleWidget::exportDone);
        {
            PopupAnswerer answers;
            answers.queueAction([](QDialog* d) {
                auto* dlg = qobject_cast<ExportDialog*>(d);
                dlg->startEditor()->dateEdit()->setDate(QDate(2024, 4, 30));
                dlg->acceptedDialog();
            });
            page->exportData();
            QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 20000);
            QCOMPARE(done[0][0].toBool(), true);
            QTRY_COMPARE(answers.seen().size(), 2);
            QCOMPARE(answers.seen()[1].text, QStringLiteral("导出成功"));
        }
        const QStringList onDisk = QDir(m_disk->path()).entryList({QStringLiteral("*.xlsx")});
        QCOMPARE(onDisk.size(), 1);
        QCOMPARE(XlsxSheets(m_disk->filePath(onDisk[0])).first(), QStringLiteral("2024-04-30"));
        QVERIFY(QFile::exists(QStringLiteral("sql.txt")));

        // A start after the end: nothing runs.
        {
            PopupAnswerer answers;
            answers.queueAction([](QDialog* d) {
                auto* dlg = qobject_cast<ExportDialog*>(d);
                dlg->endEditor()->dateEdit()->setDate(QDate(2024, 4, 30));
                dlg->acceptedDialog();
            });
            page->exportData();
            QCOMPARE(answers.seen().size(), 2);
            QCOMPARE(done.size(), 1);
        }
        page->closeAction();
        QTRY_VERIFY(guard.isNull());  // made anew at each opening, gone when closed
    }

    // Names with quotes and other scripts keep their places; blanks inside a
    // name become "_", an empty name its default; Cancel keeps the names in force.
    void cavityNames()
    {
        QList<QPair<int, QStringList>> captions;
        EditCavitywidget editor(2);
        editor.setCaptionSink([&](int c, const QStringList& n) { captions.append({c, n}); });
        QVERIFY(editor.Databaseinit());
        editor.init();
        QCOMPARE(captions.size(), 2);
        QCOMPARE(captions[0].second.value(0), QStringLiteral("模腔1"));
        QCOMPARE(captions[1].second.value(15), QStringLiteral("模腔16"));
        QCOMPARE(SqliteRows(m_dir->filePath(QStringLiteral("CavityDatabase.db")), QStringLiteral("select count(*) from TempSave_table")),
                 QStringList{"8"});

        const QStringList typed{"it's", "\"q\"", "腔 A", "", " x ", "Ω", "a\tb", "8", "9", "10", "11", "12", "13", "14", "15", "last"};
        for (int k = 0; k < 16; ++k)
            editor.nameEdit(k)->setText(typed[k]);
        editor.cameraCombo()->setCurrentIndex(1);  // stores camera 0's edits
        editor.nameEdit(0)->setText(QStringLiteral("second"));
        captions.clear();
        QTest::mouseClick(editor.confirmButton(), Qt::LeftButton);
        const QStringList stored{"it's", "\"q\"", "腔_A", "模腔4", "x", "Ω", "a_b", "8", "9", "10", "11", "12", "13", "14", "15", "last"};
        for (int k = 0; k < 16; ++k)
            QCOMPARE(editor.getResult(0, k), stored[k]);
        QCOMPARE(editor.getResult(1, 0), QStringLiteral("second"));
        QCOMPARE(editor.getResult(1, 1), QStringLiteral("模腔2"));
        QCOMPARE(captions.size(), 2);
        QCOMPARE(captions[0].second, stored);
        // A camera beyond those in use answers with the last names read.
        QCOMPARE(editor.getResult(5, 0), QStringLiteral("second"));

        editor.init();
        editor.nameEdit(0)->setText(QStringLiteral("dropped"));
        QTest::mouseClick(editor.cancelButton(), Qt::LeftButton);
        editor.init();
        QCOMPARE(editor.getResult(1, 0), QStringLiteral("second"));
        QCOMPARE(editor.nameEdit(0)->text(), QStringLiteral("second"));
    }

    // A camera whose rows went missing from the file: names saved for it
    // are kept (the rows come back), never reported stored and lost.
    void namesOfAMissingCameraRowAreKept()
    {
        EditCavitywidget editor(2);
        QVERIFY(editor.Databaseinit());
        const QString db = m_dir->filePath(QStringLiteral("CavityDatabase.db"));
        QCOMPARE(SqliteRows(db, QStringLiteral("delete from CavityName_table where Camera='Camera1';"
                                               "delete from TempSave_table where Camera='Camera1'")),
                 QStringList());
        editor.init();
        editor.cameraCombo()->setCurrentIndex(1);
        for (int k = 0; k < 16; ++k)
            editor.nameEdit(k)->setText(QStringLiteral("n%1").arg(k));
        QTest::mouseClick(editor.confirmButton(), Qt::LeftButton);
        for (int k = 0; k < 16; ++k)
            QCOMPARE(editor.getResult(1, k), QStringLiteral("n%1").arg(k));
        QCOMPARE(SqliteRows(db, QStringLiteral("select CavityName from CavityName_table where Camera='Camera1'")).value(0),
                 QStringLiteral("n0 n1 n2 n3 n4 n5 n6 n7 n8 n9 n10 n11 n12 n13 n14 n15"));
    }

    void grabScreens_data() { AddLanguageRows(); }
    void grabScreens()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        gLan = lan;
        QDir().mkpath(out);
        const QString stem = QStringLiteral("%1/%2x%3-%4-").arg(out).arg(gShowW).arg(gShowH).arg(QTest::currentDataTag());
        auto store = Store();
        const int counts[][4] = {{8, 1, 0, 0}, {9, 1, 0, 0}, {9, 0, 0, 1}, {10, 1, 1, 0}, {13, 1, 0, 1}, {21, 0, 2, 0}, {3, 1, 0, 0}};
        for (int r = 0; r < 60; ++r) {
            const int* c = counts[r % 7];
            store->Add(c[0] + (r % 3), c[1] != 0, c[2], c[3]);
        }
        {
            StatisticsWidget page(store.get(), 3);
            page.show();
            QVERIFY(page.grab().save(stem + QStringLiteral("statistics-all.png")));
            page.cameraTabs()->setCurrentIndex(2);
            page.cameraPage(2)->setCurrentIndex(1);
            QVERIFY(page.grab().save(stem + QStringLiteral("statistics-camera2-prod.png")));
        }
        {
            DetectCycleSQL::instance = new DetectCycleSQL;
            for (int i = 0; i < 8; ++i)
                DetectCycleSQL::instance->insertDate({QDateTime::currentDateTime().addSecs(-30 * (8 - i)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")), 29.5 + i / 10.0});
            DetectCycleWidget page;
            page.show();
            QVERIFY(page.grab().save(stem + QStringLiteral("cyclelog.png")));
            ExportDialog dialog(QStringLiteral("sql.txt"));
            dialog.show();
            QVERIFY(dialog.grab().save(stem + QStringLiteral("cyclelog-export.png")));
        }
        {
            EditCavitywidget editor(3);
            editor.Databaseinit();
            editor.init();
            editor.show();
            QVERIFY(editor.grab().save(stem + QStringLiteral("cavity-names.png")));
        }
    }
};

MOJU_TEST_MAIN(TestRecordsPages)
#include "test_records_pages.moc"
