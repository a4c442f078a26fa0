// ROI set rows of table cammer<cam>: load checks and defaults, save, round trip;
// camera widget record: ignore-point and template pictures.
#include "TestSupport.h"

#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "network/PlantParamReports.h"
#include "network/VUR_Net.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"
#include "foundation/OperatorMessage.h"
#include "platform/vision/FrameBmp.h"
#include "widgets/WarnBox.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtEndian>

#include <memory>

namespace {
// The main window's PARAM.db connection, which the sets use unless told otherwise.
const QString kConn = QStringLiteral("dbIn");

struct RoiNet : VUR_Net {
    QList<QPair<int, int>> sent;
    void VUR_SendROIParam(int cam, int det) override { sent.append({cam, det}); }
};

QString rowValue(const QString& table, const QString& name)
{
    QSqlQuery q(QSqlDatabase::database(kConn));
    q.prepare(QStringLiteral("select value from %1 where name=?").arg(table));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return QStringLiteral("<none>");
    return q.value(0).toString();
}

int rowCount(const QString& table)
{
    QSqlQuery q(QSqlDatabase::database(kConn));
    q.exec(QStringLiteral("select count(*) from %1").arg(table));
    q.next();
    return q.value(0).toInt();
}

void putRow(const QString& table, const QString& name, const QString& value)
{
    QSqlQuery q(QSqlDatabase::database(kConn));
    q.prepare(QStringLiteral("insert into %1 values(?, ?)").arg(table));
    q.addBindValue(name);
    q.addBindValue(value);
    QVERIFY(q.exec());
}
}  // namespace

class TestRoiSet : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void emptyTableInsertsDetectRows();
    void roundTripRows_data();
    void roundTripRows();
    void badCountWarnsAndLoadsEmpty_data();
    void badCountWarnsAndLoadsEmpty();
    void roiRowChecks_data();
    void roiRowChecks();
    void missingRoiRowGetsDefault();
    void droppingCountDeletesOnlyThoseRows();
    void failedSaveLeavesTableWhole();
    void unusableConnectionFailsLoudly();
    void loadWarningUsesTheSharedPopup();
    void savedSetsReportedLikeParameters();
    void copyAndCompare();
    void ignorePointPicture();
    void templatePictures();
    void buffersTakeMemoryOnlyAsWritten();
    void recentNgFramesComeBackWhole_data();
    void recentNgFramesComeBackWhole();
    void cutPicturesAreRefused_data();
    void cutPicturesAreRefused();
    void oddWidthsRoundTrip_data();
    void oddWidthsRoundTrip();
    void templateZeroHeaders_data();
    void templateZeroHeaders();

private:
    std::unique_ptr<TempWorkDir> m_dir;
    QStringList m_warnings;
};

void TestRoiSet::initTestCase()
{
    CammerSingleton::SetWarnHandler([this](const QString& t) { m_warnings << t; });
}

void TestRoiSet::init()
{
    gImageW = 1920;
    gImageH = 1080;
    gShowW = 1920;
    gShowH = 1080;
    m_warnings.clear();
    m_dir = std::make_unique<TempWorkDir>(false);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConn);
    db.setDatabaseName(m_dir->filePath(QStringLiteral("PARAM.db")));
    QVERIFY(db.open());
    QSqlQuery q(db);
    for (int c = 0; c < 8; ++c)
        QVERIFY(q.exec(QStringLiteral("create table cammer%1(name TEXT, value TEXT)").arg(c)));
}

void TestRoiSet::cleanup()
{
    QSqlDatabase::database(kConn).close();
    QSqlDatabase::removeDatabase(kConn);
    m_dir.reset();
}

void TestRoiSet::emptyTableInsertsDetectRows()
{
    CammerSingleton set(2);
    QVERIFY(set.LoadDatafromFile(nullptr));
    for (int g = 0; g < 8; ++g) {
        QCOMPARE(set.count[g], 0);
        QCOMPARE(rowValue("cammer2", QStringLiteral("detect%1").arg(g)), QStringLiteral("0"));
        QCOMPARE(rowValue("cammer2", QStringLiteral("detect%1NGCount").arg(g)), QStringLiteral("0"));
    }
    QCOMPARE(rowCount("cammer2"), 16);
    QCOMPARE(rowCount("cammer0"), 0);
    QVERIFY(m_warnings.isEmpty());
    // A second load finds the rows: nothing more is inserted; "0" reads 50 zeros.
    CammerSingleton again(2);
    again.NGCount[0][49] = 5;
    QVERIFY(again.LoadDatafromFile(nullptr));
    QCOMPARE(rowCount("cammer2"), 16);
    QCOMPARE(again.NGCount[0][49], 0);
}

void TestRoiSet::roundTripRows_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("maskPixels");  // -1: no mask
    QTest::newRow("rectangle") << 1 << "3 45 100 0 1 0 0 50 50 100 100" << 51 * 51;
    QTest::newRow("circle 30/50") << 4 << "3 45 100 0 4 0 0 200 150 1966130" << -2;
    QTest::newRow("polygon") << 2 << "3 45 100 0 2 1 3 10 10 90 10 50 80 " << -3;
    QTest::newRow("other type") << 0 << "3 45 100 0 0 0 " << -1;
}

void TestRoiSet::roundTripRows()
{
    QFETCH(int, type);
    QFETCH(QString, row);
    QFETCH(int, maskPixels);
    CammerSingleton set(1);
    set.count[3] = 1;
    set.cavity[3][0] = 2;
    set.cavity[3][15] = 2;
    set.NGCount[3][0] = 17;
    set.min_size[3][0] = 3;
    set.sensibility[3][0] = 45;
    set.max_area[3][0] = 100;
    set.roi_type[3][0] = type;
    set.output_point[0] = type == 2 ? 1 : 0;
    if (type == 1)
        set.rect[3][0].setCoords(50, 50, 100, 100);
    if (type == 4)
        set.circle[3][0] = Circle(200, 150, 50, 30);
    if (type == 2) {
        const QPoint pts[] = {{10, 10}, {90, 10}, {50, 80}};
        set.polygon[3][0] = RePolygon(3, pts);
    }
    set.BuildMask(3, 0);
    QVERIFY(set.SaveDatatoFile());
    QCOMPARE(rowValue("cammer1", "ROI3-0"), row);
    QCOMPARE(rowValue("cammer1", "detect3"), QStringLiteral("1 2 0 0 0 0 0 0 0 0 0 0 0 0 0 0 2"));
    QString ng = QStringLiteral("17 ");
    for (int j = 1; j < 50; ++j)
        ng += QStringLiteral("0 ");
    QCOMPARE(rowValue("cammer1", "detect3NGCount"), ng);
    QCOMPARE(rowValue("cammer1", "detect0"), QStringLiteral("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"));

    auto widget = std::make_unique<CammerWidgetData>(1);
    CammerSingleton loaded(1);
    QVERIFY(loaded.LoadDatafromFile(widget.get()));
    QVERIFY(loaded == set);
    const cv::Mat& m = widget->liveMasks[3][0];
    if (maskPixels == -1) {
        QVERIFY(m.empty());
    } else {
        QCOMPARE(m.size(), loaded.RoiBox(3, 0).size());
        if (maskPixels > 0)
            QCOMPARE(cv::countNonZero(m), maskPixels);
        else
            QVERIFY(cv::countNonZero(m) > 0);
    }
    QCOMPARE(loaded.circle[3][0].innerRadius, type == 4 ? 30 : 0);
    QVERIFY(m_warnings.isEmpty());
}

void TestRoiSet::badCountWarnsAndLoadsEmpty_data()
{
    QTest::addColumn<QString>("detect");
    QTest::addColumn<int>("warnings");
    QTest::newRow("51") << "51 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0" << 1;
    QTest::newRow("-1") << "-1 2 2" << 1;
    QTest::newRow("unreadable reads 0") << "99999999999 0" << 0;
}

void TestRoiSet::badCountWarnsAndLoadsEmpty()
{
    QFETCH(QString, detect);
    putRow("cammer0", "detect3", detect);
    putRow("cammer0", "ROI3-0", "3 45 100 0 1 0 0 1 1 20 20");
    CammerSingleton set(0);
    QVERIFY(set.LoadDatafromFile(nullptr));
    QTEST(int(m_warnings.size()), "warnings");
    QCOMPARE(set.count[3], 0);
    QCOMPARE(set.roi_type[3][0], 0);               // ROIs not read
    QCOMPARE(rowValue("cammer0", "detect3"), detect);  // row unchanged until a save
}

void TestRoiSet::roiRowChecks_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("type");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("output");
    QTest::addColumn<int>("algorithm");
    QTest::newRow("polygon count 0: default") << "3 45 100 0 2 1 0 " << 1 << QRect(QPoint(50, 50), QPoint(100, 100)) << 0 << 0;
    QTest::newRow("polygon count 8097: default") << "7 7 7 5 2 2 8097 1 1" << 1 << QRect(QPoint(50, 50), QPoint(100, 100)) << 0 << 0;
    QTest::newRow("output 7 reads 0") << "3 45 100 6 1 7 0 1 2 30 40" << 1 << QRect(QPoint(1, 2), QPoint(30, 40)) << 0 << 6;
    QTest::newRow("output -1 reads 0") << "3 45 100 6 1 -1 0 1 2 30 40" << 1 << QRect(QPoint(1, 2), QPoint(30, 40)) << 0 << 6;
    QTest::newRow("clamped into the view") << "3 45 100 0 1 3 0 -5 -9 5000 4000" << 1 << QRect(QPoint(0, 0), QPoint(1919, 1079)) << 3 << 0;
    QTest::newRow("inverted kept as stored") << "3 45 100 0 1 0 0 90 80 10 20" << 1 << QRect(QPoint(90, 80), QPoint(10, 20)) << 0 << 0;
    QTest::newRow("unreadable: rest is 0") << "3 45 x 9 1 0 0 1 1 20 20" << 0 << QRect() << 0 << 0;
    QTest::newRow("tabs and line breaks separate") << "3\t45 100 6 1 2 0\t1 2\n30  40" << 1 << QRect(QPoint(1, 2), QPoint(30, 40)) << 2 << 6;
    QTest::newRow("short row: missing read 0") << "3 45 100 2 1 1 0 10 10" << 1 << QRect(QPoint(10, 10), QPoint(0, 0)) << 1 << 2;
}

void TestRoiSet::roiRowChecks()
{
    QFETCH(QString, row);
    putRow("cammer4", "detect0", "1");
    putRow("cammer4", "ROI0-0", row);
    auto widget = std::make_unique<CammerWidgetData>(4);
    CammerSingleton set(4);
    QVERIFY(set.LoadDatafromFile(widget.get()));
    QCOMPARE(set.count[0], 1);
    QTEST(set.roi_type[0][0], "type");
    QTEST(set.output_point[0], "output");
    QTEST(set.algorithm[0][0], "algorithm");
    QFETCH(QRect, rect);
    QCOMPARE(QRect(set.rect[0][0]), rect);
    const cv::Rect box = set.RoiBox(0, 0);
    QCOMPARE(widget->liveMasks[0][0].cols, box.width);
    QCOMPARE(widget->liveMasks[0][0].rows, box.height);
    QVERIFY(box.x >= 0 && box.y >= 0 && box.br().x <= gImageW && box.br().y <= gImageH);
}

void TestRoiSet::missingRoiRowGetsDefault()
{
    putRow("cammer0", "detect1", "2 2");
    putRow("cammer0", "ROI1-0", "5 6 7 8 4 2 0 300 200 1966130");
    auto widget = std::make_unique<CammerWidgetData>(0);
    CammerSingleton set(0);
    QVERIFY(set.LoadDatafromFile(widget.get()));
    QCOMPARE(set.count[1], 2);
    QCOMPARE(set.cavity[1][0], 2);
    QCOMPARE(set.cavity[1][1], 0);
    QCOMPARE(set.circle[1][0].centerX, 300);
    QCOMPARE(set.circle[1][0].outerRadius, 50);
    QCOMPARE(set.circle[1][0].innerRadius, 30);
    QCOMPARE(set.output_point[0], 2);
    // ROI1-1 has no row: the default rectangle, not inserted by the load.
    QCOMPARE(set.roi_type[1][1], 1);
    QCOMPARE(set.min_size[1][1], 3);
    QCOMPARE(set.sensibility[1][1], 45);
    QCOMPARE(set.max_area[1][1], 100);
    QCOMPARE(QRect(set.rect[1][1]), QRect(QPoint(50, 50), QPoint(100, 100)));
    QCOMPARE(widget->liveMasks[1][1].size(), cv::Size(51, 51));
    QCOMPARE(rowValue("cammer0", "ROI1-1"), QStringLiteral("<none>"));
    QVERIFY(set.SaveDatatoFile());
    QCOMPARE(rowValue("cammer0", "ROI1-1"), QStringLiteral("3 45 100 0 1 0 0 50 50 100 100"));
}

void TestRoiSet::droppingCountDeletesOnlyThoseRows()
{
    CammerSingleton set(5);
    for (int g : {0, 1}) {
        set.count[g] = 5;
        for (int j = 0; j < 5; ++j)
            set.SetDefaultRoi(g, j);
    }
    QVERIFY(set.SaveDatatoFile());
    QCOMPARE(rowCount("cammer5"), 16 + 10);
    set.count[0] = 3;
    QVERIFY(set.SaveDatatoFile());
    QCOMPARE(rowValue("cammer5", "ROI0-3"), QStringLiteral("<none>"));
    QCOMPARE(rowValue("cammer5", "ROI0-4"), QStringLiteral("<none>"));
    QVERIFY(rowValue("cammer5", "ROI0-2") != QStringLiteral("<none>"));
    QVERIFY(rowValue("cammer5", "ROI1-4") != QStringLiteral("<none>"));
    QCOMPARE(rowCount("cammer5"), 16 + 8);
}

void TestRoiSet::failedSaveLeavesTableWhole()
{
    CammerSingleton set(6);
    set.count[0] = 1;
    set.SetDefaultRoi(0, 0);
    QVERIFY(set.SaveDatatoFile());
    const int before = rowCount("cammer6");
    // The database refuses a row of a later group: nothing of the save stays.
    QSqlQuery q(QSqlDatabase::database(kConn));
    QVERIFY(q.exec("create trigger refuse before insert on cammer6 when new.name='ROI2-0' "
                   "begin select raise(abort, 'refused'); end"));
    set.count[0] = 0;
    set.min_size[0][0] = 99;
    set.count[2] = 1;
    set.SetDefaultRoi(2, 0);
    QVERIFY(!set.SaveDatatoFile());
    QCOMPARE(rowCount("cammer6"), before);
    QCOMPARE(rowValue("cammer6", "detect0"), QStringLiteral("1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"));
    QCOMPARE(rowValue("cammer6", "ROI0-0"), QStringLiteral("3 45 100 0 1 0 0 50 50 100 100"));
    // A table that does not exist fails the same way.
    CammerSingleton lost(9);
    QVERIFY(!lost.SaveDatatoFile());
}

void TestRoiSet::unusableConnectionFailsLoudly()
{
    // Loading empty would make the camera judge every part OK without a word.
    CammerSingleton noTable(9);
    noTable.count[1] = 4;
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("ROI set of camera 10 not loaded")));
    QVERIFY(!noTable.LoadDatafromFile(nullptr));
    QCOMPARE(noTable.count[1], 4);
    QCOMPARE(m_warnings, QStringList{QStringLiteral("Camera parameter file error!")});

    CammerSingleton::SetConnectionName(QStringLiteral("not_open"));
    CammerSingleton set(1);
    QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("ROI set of camera 2 not loaded")));
    const bool loaded = set.LoadDatafromFile(nullptr);
    CammerSingleton::SetConnectionName(kConn);
    QVERIFY(!loaded);
    QCOMPARE(m_warnings.size(), 2);
    QVERIFY(set.LoadDatafromFile(nullptr));
}

void TestRoiSet::loadWarningUsesTheSharedPopup()
{
    putRow("cammer3", "detect2", "51");
    CammerSingleton::SetWarnHandler({});
    WarnBox box;
    gpWarnBox = &box;
    PopupAnswerer answerer;
    CammerSingleton set(3);
    QVERIFY(set.LoadDatafromFile(nullptr));
    gpWarnBox = nullptr;
    CammerSingleton::SetWarnHandler([this](const QString& t) { m_warnings << t; });
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().className, QStringLiteral("WarnBox"));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Camera parameter file error!"));
    QCOMPARE(set.count[2], 0);
}

void TestRoiSet::savedSetsReportedLikeParameters()
{
    RoiNet net;
    static PlantParamReports reports;  // as start-up installs it
    WizardPara live;
    gpNet = &net;
    ParamReports::setInstance(&reports);
    gpWPara = &live;
    CammerSingleton set(6);
    set.count[0] = 1;
    set.SetDefaultRoi(0, 0);
    struct Case {
        int enabled;
        bool up;
        bool reported;
    };
    for (const Case& c : {Case{1, false, false}, Case{0, true, false}, Case{1, true, true}}) {
        live.netEnabled = c.enabled;
        net.isInit = net.isAlive = c.up;
        net.sent.clear();
        QVERIFY(set.SaveDatatoFile());
        QList<QPair<int, int>> expected;
        if (c.reported)
            for (int g = 0; g < 8; ++g)
                expected.append({6, g});
        QCOMPARE(net.sent, expected);
    }
    ParamReports::setInstance(nullptr);
    gpNet = nullptr;
    gpWPara = nullptr;
}

void TestRoiSet::copyAndCompare()
{
    CammerSingleton a(3);
    a.count[0] = 1;
    a.roi_type[0][0] = 2;
    const QPoint pts[] = {{1, 1}, {40, 1}, {20, 30}};
    a.polygon[0][0] = RePolygon(3, pts);
    CammerSingleton b = a;
    QVERIFY(a == b);
    b.polygon[0][0].points[1].rx() += 1;
    QVERIFY(a != b);
    b = a;
    b.output_point[49] = 1;
    QVERIFY(a != b);
    b = a;
    b.polygon[0][0].SetSelected(true);
    QVERIFY(a == b);
}

void TestRoiSet::ignorePointPicture()
{
    FrameLayout layout;
    layout.width = 64;
    layout.height = 48;
    layout.groups = 2;
    CammerWidgetData w(0);
    w.AllocateBuffers(layout);
    QVERIFY(QDir(m_dir->path()).mkpath("cammer11"));
    QVERIFY(QDir(m_dir->path()).mkpath("cammer12"));
    QImage good(64, 48, QImage::Format_Grayscale8);
    good.fill(0);
    good.setPixel(10, 5, qRgb(255, 255, 255));
    QVERIFY(good.save(m_dir->filePath("cammer11/ignorepoint.bmp")));
    QImage wrongSize(65, 48, QImage::Format_Grayscale8);
    wrongSize.fill(255);
    QVERIFY(wrongSize.save(m_dir->filePath("cammer12/ignorepoint.bmp")));
    w.LoadIgnorePoint(m_dir->path());
    QCOMPARE(w.ignorePointMask[0].size(), size_t(64 * 48));
    QCOMPARE(int(std::count_if(w.ignorePointMask[0].begin(), w.ignorePointMask[0].end(), [](uint8_t v) { return v != 0; })), 1);
    QVERIFY(w.ignorePointMask[0][5 * 64 + 10] != 0);
    QCOMPARE(w.ignorePointMask[1].size(), size_t(64 * 48));
    QVERIFY(std::all_of(w.ignorePointMask[1].begin(), w.ignorePointMask[1].end(), [](uint8_t v) { return v == 0; }));
    QVERIFY(w.ignorePointMask[2].empty());  // group not in use
}

void TestRoiSet::templatePictures()
{
    FrameLayout layout;
    layout.width = 64;
    layout.height = 48;
    layout.groups = 1;
    layout.templateCount = 3;
    CammerWidgetData w(1);
    w.AllocateBuffers(layout);
    QVERIFY(QDir(m_dir->path()).mkpath("cammer21"));
    QImage grey(64, 48, QImage::Format_Grayscale8);
    grey.fill(77);
    QVERIFY(grey.save(m_dir->filePath("cammer21/template1.bmp")));
    QImage colour(64, 48, QImage::Format_RGB32);
    colour.fill(qRgb(1, 2, 3));
    QVERIFY(colour.save(m_dir->filePath("cammer21/template2.bmp")));  // wrong depth for a grey camera
    w.LoadTemplates(m_dir->path());
    FrameBytes slot(size_t(64 * 48));
    QCOMPARE(w.templateUsed[0][1], 1);
    QVERIFY(w.TemplateFrame(0, 1, slot));
    QCOMPARE(int(slot[100]), 77);
    QCOMPARE(w.templateUsed[0][2], 0);
    QVERIFY(!w.TemplateFrame(0, 2, slot));
    // Template 0 is missing: the generated picture, centre half bright.
    QCOMPARE(w.templateUsed[0][0], 1);
    QCOMPARE(w.templateNum[0], 2);
    QVERIFY(w.TemplateFrame(0, 0, slot));
    QCOMPARE(int(slot[0]), 0);
    QCOMPARE(int(slot[12 * 64 + 16]), 255);
    QCOMPARE(int(slot[36 * 64 + 48]), 255);
    QCOMPARE(int(slot[37 * 64 + 48]), 0);

    // A colour camera takes the 32-bit picture and not the grey one.
    layout.colour = true;
    CammerWidgetData c(1);
    c.AllocateBuffers(layout);
    c.LoadTemplates(m_dir->path());
    QCOMPARE(c.templateUsed[0][1], 0);
    QCOMPARE(c.templateUsed[0][2], 1);
    FrameBytes frame(size_t(layout.colorLen()));
    QVERIFY(c.TemplateFrame(0, 2, frame));
    quint32 px;
    std::memcpy(&px, frame.data() + 4 * 10, 4);
    QCOMPARE(px, 0xFF010203u);
}

namespace {
QStringList gNotes;
}

void TestRoiSet::cutPicturesAreRefused_data()
{
    QTest::addColumn<bool>("colour");
    QTest::addColumn<bool>("mask");
    QTest::addColumn<int>("cutBytes");  // taken off the end of the written file
    QTest::newRow("grey template whole") << false << false << 0;
    QTest::newRow("grey template at 30 %") << false << false << -70;
    QTest::newRow("grey template one byte short") << false << false << 1;
    QTest::newRow("colour template at 30 %") << true << false << -70;
    QTest::newRow("colour template one byte short") << true << false << 1;
    QTest::newRow("mask whole") << false << true << 0;
    QTest::newRow("mask at 30 %") << false << true << -70;
    QTest::newRow("mask one byte short") << false << true << 1;
}

// A file cut short by a power cut still reads as a full picture, its missing
// rows made up: it is refused, counted as missing, and the log says so.
void TestRoiSet::cutPicturesAreRefused()
{
    QFETCH(bool, colour);
    QFETCH(bool, mask);
    QFETCH(int, cutBytes);
    FrameLayout layout;
    layout.width = 640;
    layout.height = 480;
    layout.groups = 1;
    layout.templateCount = 2;
    layout.colour = colour;
    CammerWidgetData w(0);
    w.AllocateBuffers(layout);
    w.LoadTemplates(m_dir->path());
    w.LoadIgnorePoint(m_dir->path());
    QVERIFY(w.SetTemplate(0, 1, FrameBytes(size_t(layout.colorLen()), uint8_t(130))));
    std::fill(w.ignorePointMask[0].begin(), w.ignorePointMask[0].end(), uint8_t(0));
    std::fill(w.ignorePointMask[0].begin() + 640 * 470, w.ignorePointMask[0].end(), uint8_t(255));
    const QString file = m_dir->filePath(mask ? "cammer11/ignorepoint.bmp" : "cammer11/template1.bmp");
    QVERIFY(QDir(m_dir->path()).mkpath("cammer11"));
    QVERIFY(mask ? w.SaveIgnorePoint(0)
                 : w.WriteTemplate(0, 1, file));
    QFile f(file);
    const qint64 size = f.size();
    QVERIFY(f.resize(cutBytes < 0 ? size * (100 + cutBytes) / 100 : size - cutBytes));
    gNotes.clear();
    SetOperationLogSink([](const QString& text) { gNotes << text; });

    CammerWidgetData back(0);
    back.AllocateBuffers(layout);
    back.LoadTemplates(m_dir->path());
    back.LoadIgnorePoint(m_dir->path());
    SetOperationLogSink(nullptr);
    const bool refused = cutBytes != 0;
    const size_t ignored = size_t(std::count(back.ignorePointMask[0].begin(), back.ignorePointMask[0].end(), 255));
    if (mask) {
        QCOMPARE(ignored, refused ? size_t(0) : size_t(640 * 10));
    } else {
        QCOMPARE(back.templateUsed[0][1], refused ? 0 : 1);
        QCOMPARE(back.templateNum[0], refused ? 1 : 2);
    }
    QCOMPARE(gNotes, refused ? QStringList{LanStr(1114).arg(QFileInfo(file).absoluteFilePath())} : QStringList());
}

namespace {
double ResidentMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}
}  // namespace

// A colour 1920 x 1080 camera with ten template slots and two steps sizes
// about 250 MB of buffers; what the panel holds is what has been written.
void TestRoiSet::buffersTakeMemoryOnlyAsWritten()
{
    FrameLayout layout;
    layout.colour = true;
    layout.templateCount = 10;
    layout.groups = 2;
    const double before = ResidentMb();
    QVERIFY(before > 0);
    CammerWidgetData w(0);
    w.AllocateBuffers(layout);
    w.LoadTemplates(m_dir->path());  // no files: template 0 generated, the rest empty
    w.LoadIgnorePoint(m_dir->path());
    QCOMPARE(w.templateImages[1].size(), size_t(10));
    QVERIFY(w.ignorePointMask[2].empty() && w.templateImages[2].empty());
    // The step count rises: the new step gets its buffers at once.
    QVERIFY(w.EnsureGroupBuffers(5));
    QCOMPARE(w.templateImages[5].size(), size_t(10));
    QCOMPARE(w.ignorePointMask[5].size(), size_t(layout.imageLen()));
    // Written: the three generated templates (6 MB each) and little else.
    QVERIFY2(ResidentMb() - before < 64, qPrintable(QStringLiteral("%1 MB").arg(ResidentMb() - before)));
}

// The ring keeps colour frames narrower than they are: what the editor shows
// and takes as a template must still be the frame, pixel for pixel, and the
// newest NG cycles must be the ones kept.
void TestRoiSet::recentNgFramesComeBackWhole_data()
{
    QTest::addColumn<bool>("colour");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("hurried");
    QTest::newRow("grey") << false << 64 << false;
    QTest::newRow("colour") << true << 64 << false;
    // Noise compresses to more than one step of the compressor's output.
    QTest::newRow("grey, output grown in steps") << false << 640 << false;
    // Both compressors at a frame: one result, the same bytes.
    QTest::newRow("colour, hurried") << true << 640 << true;
}

void TestRoiSet::recentNgFramesComeBackWhole()
{
    QFETCH(bool, colour);
    QFETCH(int, width);
    QFETCH(bool, hurried);
    FrameLayout layout;
    layout.width = width;
    layout.height = 48 * width / 64;
    layout.colour = colour;
    layout.groups = 2;
    CammerWidgetData w(0);
    w.AllocateBuffers(layout);
    const size_t len = size_t(layout.colorLen());
    auto frameOfCycle = [&](int n) {
        FrameBytes f = ZeroFrameBytes(len);
        for (size_t i = 0; i < len; ++i)
            f[i] = (colour && i % 4 == 3) ? 0xFF : uint8_t(width > 64 ? (i * 2654435761u + n) >> 13 : i * 7 + n * 31);
        return f;
    };
    for (int n = 0; n < 5; ++n) {
        w.judgedFrame() = frameOfCycle(n);
        w.KeepRecentNg(1);
        if (hurried)
            w.recentNg.Hurry();
    }
    QCOMPARE(w.recentNgCount[1], 5);
    FrameBytes out = ZeroFrameBytes(len);
    // Cycles 3 and 4 overwrote the slots of cycles 0 and 1. Read whether or
    // not compressed yet, then once all are: the same frames.
    for (int pass = 0; pass < 2; ++pass) {
        for (int k = 0; k < 3; ++k) {
            QVERIFY(w.RecentNgFrame(1, k, out));
            QVERIFY2(out == frameOfCycle(k < 2 ? k + 3 : k), qPrintable(QStringLiteral("%1 %2").arg(pass).arg(k)));
        }
        w.recentNg.WaitCompressed();
        QCOMPARE(w.recentNg.HeldBytes().waiting, size_t(0));
    }
    w.KeepRecentNg(2);
    QVERIFY(!w.RecentNgFrame(2, 0, out));  // a step not in use keeps none
}

void TestRoiSet::oddWidthsRoundTrip_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("colour");
    QTest::newRow("grey 1 x 1") << 1 << 1 << false;
    QTest::newRow("grey 3 x 2") << 3 << 2 << false;
    QTest::newRow("grey 6 x 5") << 6 << 5 << false;
    QTest::newRow("colour 3 x 2") << 3 << 2 << true;
}

// BMP rows are padded to four bytes, a frame's are not: a template or mask
// of any width is written from the frame alone and reads back the same.
void TestRoiSet::oddWidthsRoundTrip()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, colour);
    FrameLayout layout;
    layout.width = width;
    layout.height = height;
    layout.groups = 1;
    layout.templateCount = 2;
    layout.colour = colour;
    CammerWidgetData w(0);
    w.AllocateBuffers(layout);
    w.LoadTemplates(m_dir->path());
    w.LoadIgnorePoint(m_dir->path());
    FrameBytes frame(size_t(layout.colorLen()));
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = uint8_t(colour && i % 4 == 3 ? 0xFF : 17 * i + 5);
    QVERIFY(w.SetTemplate(0, 1, frame));
    QVERIFY(QDir(m_dir->path()).mkpath("cammer11"));
    QVERIFY(w.WriteTemplate(0, 1, w.GroupFile(0, QStringLiteral("template1.bmp"))));
    for (size_t i = 0; i < w.ignorePointMask[0].size(); ++i)
        w.ignorePointMask[0][i] = i % 3 ? 0 : 255;
    QVERIFY(w.SaveIgnorePoint(0));

    CammerWidgetData back(0);
    back.AllocateBuffers(layout);
    back.LoadTemplates(m_dir->path());
    back.LoadIgnorePoint(m_dir->path());
    FrameBytes read(frame.size());
    QVERIFY(back.TemplateFrame(0, 1, read));
    QVERIFY(read == frame);
    QVERIFY(back.ignorePointMask[0] == w.ignorePointMask[0]);
}

namespace {
// Each damage a template file's header can carry, applied to a whole file.
enum HeaderCase { Whole, TopDown, HugeSize, HeaderOnly, NoOffsetCut, RunLengthPastEnd, LongPalette };

QByteArray Damaged(QByteArray b, HeaderCase c)
{
    auto put = [&b](int at, quint32 v) { qToLittleEndian(v, b.data() + at); };
    const int offset = int(qFromLittleEndian<quint32>(b.constData() + 10));
    const int width = int(qFromLittleEndian<qint32>(b.constData() + 18));
    const int height = int(qFromLittleEndian<qint32>(b.constData() + 22));
    const int bits = qFromLittleEndian<quint16>(b.constData() + 28);
    const int stride = (width * bits + 31) / 32 * 4;
    switch (c) {
    case Whole:
        break;
    case TopDown: {  // the rows stored first to last, the height negative
        QByteArray rows;
        for (int y = height - 1; y >= 0; --y)
            rows += b.mid(offset + y * stride, stride);
        b = b.left(offset) + rows;
        put(22, quint32(-height));
        break;
    }
    case HugeSize:
        put(18, 0x7FFFFFFF);
        put(22, 0x7FFFFFFF);
        put(28, 32);
        break;
    case HeaderOnly:
        b.truncate(54);
        put(2, 54);
        put(10, 0);
        break;
    case NoOffsetCut:  // the reader takes the pixels after the palette
        put(2, 0);
        put(10, 0);
        b.chop(stride + 2);
        break;
    case RunLengthPastEnd:
        put(30, 1);
        put(10, quint32(b.size() + 100));
        break;
    case LongPalette:  // whole, but more colours than the reader takes
        b.insert(offset, QByteArray(44 * 4, '\0'));
        put(2, quint32(b.size()));
        put(10, quint32(offset + 44 * 4));
        put(46, 300);
        break;
    }
    return b;
}
}  // namespace

void TestRoiSet::templateZeroHeaders_data()
{
    QTest::addColumn<int>("damage");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("whole") << int(Whole) << false << true;
    QTest::newRow("whole colour") << int(Whole) << true << true;
    QTest::newRow("top-down rows") << int(TopDown) << false << true;
    QTest::newRow("top-down colour rows") << int(TopDown) << true << true;
    QTest::newRow("huge width, depth and height") << int(HugeSize) << false << false;
    QTest::newRow("colour header only, pixels at 0") << int(HeaderOnly) << true << false;
    QTest::newRow("pixels at 0, file size 0, a row cut") << int(NoOffsetCut) << false << false;
    QTest::newRow("run-length, pixels past the end") << int(RunLengthPastEnd) << false << false;
    QTest::newRow("whole, but a palette the reader refuses") << int(LongPalette) << false << false;
}

// A template 0 file is taken only when every pixel comes from the file;
// otherwise it counts as missing when the group is loaded, and the step
// trains on the picture a missing template 0 gets (slot 0 always holds one).
void TestRoiSet::templateZeroHeaders()
{
    QFETCH(int, damage);
    QFETCH(bool, colour);
    QFETCH(bool, accepted);
    FrameLayout layout;
    layout.width = 3;  // small enough that a header-only file could hold its rows
    layout.height = 2;
    layout.groups = 1;
    layout.templateCount = 2;
    layout.colour = colour;
    CammerWidgetData fresh(0);
    fresh.AllocateBuffers(layout);
    fresh.LoadTemplates(m_dir->path());  // no files: the generated template 0
    FrameBytes generated(size_t(layout.colorLen()));
    QVERIFY(fresh.TemplateFrame(0, 0, generated));

    FrameBytes picture(size_t(layout.colorLen()));
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = uint8_t(colour && i % 4 == 3 ? 0xFF : 40 + 7 * i);
    const QString file = m_dir->filePath("cammer11/template0.bmp");
    QVERIFY(QDir(m_dir->path()).mkpath("cammer11"));
    QVERIFY(WriteFrameBmp(file, picture.data(), layout.width, layout.height, colour));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray damaged = Damaged(f.readAll(), HeaderCase(damage));
    f.close();
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(damaged), damaged.size());
    f.close();

    CammerWidgetData w(0);
    w.AllocateBuffers(layout);
    w.LoadTemplates(m_dir->path());
    // Refused when the group is loaded, as a missing file is: the generated
    // picture is held from the start.
    QCOMPARE(w.templateImages[0][0].empty(), accepted);
    QCOMPARE(w.templateUsed[0][0], 1);
    QCOMPARE(w.templateNum[0], 1);
    FrameBytes read(size_t(layout.colorLen()));
    QVERIFY(w.TemplateFrame(0, 0, read));
    QVERIFY(read == (accepted ? picture : generated));
}

MOJU_TEST_MAIN(TestRoiSet)
#include "test_roi_set.moc"
