// Times the production records: one count (ResStatisticsParam::Add, which
// rewrites the day's rows in one transaction) per camera of a cycle, showing
// one archived day on the statistics page (load, sums and painting), and an
// export of 31 days to a workbook. Eight cameras, eight steps.
//
//   recordsbench [--cycles N]
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "records/Myxls.h"
#include "records/ResStatisticsParam.h"
#include "records/gui/StatisticsWidget.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A full archived day: every row with counts in every hour.
bool FillDay(const QString& path)
{
    if (!QFile::copy(QStringLiteral("ResStatisticsNULL.db"), path))
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        if (db.open()) {
            QString v;
            for (int h = 0; h < 24; ++h)
                v += QString::number(100 + h) + QLatin1Char(' ');
            QSqlQuery q(db);
            q.prepare(QStringLiteral("update resstatistics set value1=?, value2=?"));
            q.addBindValue(v);
            q.addBindValue(v);
            ok = q.exec();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    return ok;
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int cycles = 200;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--cycles")
            cycles = std::max(1, atoi(argv[i + 1]));
    LoadLanguageTable();
    gShowW = 1920;
    gShowH = 1080;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    if (!QFile::copy(QStringLiteral(MOJU_TEMPLATE_DIR "/ResStatisticsNULL.db"), QStringLiteral("ResStatisticsNULL.db"))) {
        std::fprintf(stderr, "no template under %s\n", MOJU_TEMPLATE_DIR);
        return 1;
    }
    QDir().mkpath(QStringLiteral("ResStatistics"));
    WizardPara para;
    gpWPara = &para;
    gDNum = 8;
    const auto eight = [] { return 8; };

    ResStatisticsParam::Options so;
    so.cameraCount = eight;
    ResStatisticsParam store(so);

    // Counts: a verdict adds one result per camera; the file is written
    // once when control returns to the event loop.
    std::vector<double> add, cycle;
    QElapsedTimer t;
    for (int n = 0; n < cycles; ++n) {
        QElapsedTimer c;
        c.start();
        for (int cam = 0; cam < 8; ++cam) {
            t.start();
            store.Add(QTime::currentTime().hour(), cam != 3, cam, n % 8);
            add.push_back(t.nsecsElapsed() / 1e6);
        }
        store.save();  // what the event loop runs once the verdict returns
        cycle.push_back(c.nsecsElapsed() / 1e6);
    }
    t.start();
    for (int n = 0; n < 20; ++n) {
        store.Add(QTime::currentTime().hour(), true, 0, 0);
        store.save();
    }
    std::printf("Add, 8 cameras x 8 steps: median %.3f ms per count (in memory); median %.2f ms per cycle of "
                "8 cameras with its save of 81 rows (%d cycles); one save %.2f ms\n",
                Median(add), Median(cycle), cycles, t.nsecsElapsed() / 1e6 / 20);

    // 30 archived days and today.
    const QDate today = QDate::currentDate();
    for (int d = 1; d <= 30; ++d)
        if (!FillDay(store.archivePath(today.addDays(-d).toString(QStringLiteral("yyyy-MM-dd"))))) {
            std::fprintf(stderr, "cannot lay out the archives\n");
            return 1;
        }

    // One archived day on the page: load, sums, labels, charts painted.
    StatisticsWidget page(&store, 8);
    page.show();
    page.updateList();
    std::vector<double> show;
    for (int i = 0; i < 20; ++i) {
        t.start();
        page.UpdateRecord(page.dayList()->item(1 + i % 30));
        (void)page.grab();
        show.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("A day's page (archive loaded, summed, drawn at 1920x1080): median %.1f ms\n", Median(show));

    Myxls::Options xo;
    xo.cameraCount = eight;
    Myxls xls(xo);
    std::vector<double> exportMs;
    for (int i = 0; i < 5; ++i) {
        t.start();
        if (!xls.ImportRes(QStringLiteral("bench.xlsx"))) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(xls.lastError()));
            return 1;
        }
        exportMs.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("Export of 31 days, 8 cameras: median %.1f ms (%lld bytes)\n", Median(exportMs),
                QFileInfo(QStringLiteral("bench.xlsx")).size());
    gpWPara = nullptr;
    return 0;
}
