#include "TestSupport.h"

#include "records/SaveFialImageThread.h"
#include "records/JpegFile.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "foundation/VisionGlobals.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QSignalSpy>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <vector>

namespace {

struct NetDouble : VUR_Net {
    QStringList sent;
    void VUR_SendAlarmPic(QString path) override { sent << QStringLiteral("pic ") + path; }
    void VUR_SendStatistics(QString picture) override { sent << QStringLiteral("stat ") + picture; }
};


void touchPictures(const QString& folder, const QStringList& names)
{
    QDir().mkpath(folder);
    for (const QString& n : names) {
        QFile f(folder + QLatin1Char('/') + n);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

QStringList pictures(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
}

int FailIndex(int c, int s)
{
    QMutexLocker lock(pMutexSaveFail);
    return gFailIndex[c][s];
}

void request(int c, int s, int slot, int failIndex = 1)
{
    QMutexLocker lock(pMutexSaveFail);
    if (slot == 0)
        gFailIndex[c][s] = failIndex;
    gisSaveFail[c][s][slot] = true;
}

SaveFialImageThread::Timing fast()
{
    SaveFialImageThread::Timing t;
    t.afterNgWithOkMs = 50;
    t.afterPictureMs = 5;
    t.sweepMs = 5;
    return t;
}

// One camera's saver over one step, paced fast; stop() before reading what it wrote.
struct OneStepSaver {
    std::atomic<qint64> counter{0};
    int steps = (gDNum = 1);
    SaveFialImageThread t{1, &counter};
    OneStepSaver() { t.setTiming(fast()); }
    ~OneStepSaver() { stop(); }
    void stop()
    {
        t.requestInterruption();
        t.wait();
    }
};

}  // namespace

class TestImageSaver : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        gImageW = 64;
        gImageH = 48;
    }

    void init()
    {
        // The saver takes the pictures it writes: every test draws them anew.
        for (int c = 0; c < 8; ++c)
            for (int s = 0; s < 8; ++s)
                for (int k = 0; k < 2; ++k) {
                    const int v = 40 * k + c;
                    gpFailImage[c][s][k] = QImage(gImageW, gImageH, QImage::Format_RGB32);
                    gpFailImage[c][s][k].fill(qRgb(v, v, v));
                    gCodedFail[c][s][k].clear();
                }
        QMutexLocker lock(pMutexSaveFail);
        std::memset(gisSaveFail, 0, sizeof(gisSaveFail));
        std::memset(gFailIndex, 0, sizeof(gFailIndex));
        gPicNumNG = 5;
        gPicNumOK = 5;
    }

    void pruneKeepsRoomForTheNewPicture_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("left");
        QTest::newRow("7 over 5") << 7 << 5 << 4;
        QTest::newRow("4 under 5") << 4 << 5 << 4;
        QTest::newRow("5 at 5") << 5 << 5 << 4;
        QTest::newRow("limit 0") << 3 << 0 << 0;
        QTest::newRow("empty, limit 0") << 0 << 0 << 0;
    }
    void pruneKeepsRoomForTheNewPicture()
    {
        QFETCH(int, existing);
        QFETCH(int, limit);
        TempWorkDir wd(false);
        QStringList names;
        for (int i = 0; i < existing; ++i)
            names << QStringLiteral("%1_2024-03-05_14.07.31.250.jpg").arg(i, 10, 10, QLatin1Char('0'));
        touchPictures(QStringLiteral("pics"), names);
        touchPictures(QStringLiteral("pics"), {QStringLiteral("notes.txt")});
        SaveFialImageThread::Prune(QStringLiteral("pics"), limit);
        const QStringList left = pictures(QStringLiteral("pics"));
        QTEST(int(left.size()), "left");
        if (!left.isEmpty())
            QCOMPARE(left.last(), names.last());  // the oldest go first
        QVERIFY(QFile::exists(QStringLiteral("pics/notes.txt")));
    }

    void nextNumberFromNewestPictures_data()
    {
        QTest::addColumn<QStringList>("a");
        QTest::addColumn<QStringList>("b");
        QTest::addColumn<qint64>("next");
        QTest::newRow("newest of each folder")
            << QStringList{QStringLiteral("0000000040_2024-03-05_14.07.31.250.jpg"),
                           QStringLiteral("0000000041_2024-03-05_14.07.32.250.jpg")}
            << QStringList{QStringLiteral("0000000007_2024-03-05_14.07.31.250.jpg")} << qint64(42);
        QTest::newRow("no pictures") << QStringList() << QStringList() << qint64(1);
        const QString at = QStringLiteral("_2024-03-05_14.07.31.250.jpg");
        QTest::newRow("stray names do not hide the newest")
            << QStringList{QStringLiteral("0000000050") + at, QStringLiteral("zz.jpg")}
            << QStringList{QStringLiteral("0000000007") + at, QStringLiteral("notext.jpg")} << qint64(51);
        QTest::newRow("only stray names") << QStringList{QStringLiteral("abc.jpg")} << QStringList() << qint64(1);
        QTest::newRow("other files ignored")
            << QStringList{QStringLiteral("0000000003") + at, QStringLiteral("0000000009") + at.chopped(4) + QStringLiteral(".txt")}
            << QStringList() << qint64(4);
        QTest::newRow("huge number is no picture of ours")
            << QStringList{QStringLiteral("0000000003") + at, QStringLiteral("9223372036854775807_x.jpg"),
                           QStringLiteral("92233720368547758070") + at}
            << QStringList() << qint64(4);
        QTest::newRow("capped at ten digits") << QStringList{QStringLiteral("9999999999") + at} << QStringList()
                                              << qint64(9999999999LL);
    }
    void nextNumberFromNewestPictures()
    {
        QFETCH(QStringList, a);
        QFETCH(QStringList, b);
        TempWorkDir wd(false);
        touchPictures(QStringLiteral("a"), a);
        touchPictures(QStringLiteral("b"), b);
        QDir().mkpath(QStringLiteral("c"));
        QTEST(NextPictureNumber({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}), "next");
    }

    void writesNamedPicturesAndReportsThem()
    {
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(2));
        touchPictures(ResultFolder(0, 0, 0), {QStringLiteral("0000000001_a.jpg"), QStringLiteral("0000000002_a.jpg"),
                                              QStringLiteral("0000000003_a.jpg"), QStringLiteral("0000000004_a.jpg"),
                                              QStringLiteral("0000000005_a.jpg"), QStringLiteral("0000000006_a.jpg"),
                                              QStringLiteral("0000000007_a.jpg")});
        std::atomic<qint64> counter{42};
        gDNum = 2;
        SaveFialImageThread t(2, &counter);
        t.setTiming(fast());
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(0, 0, 0, 3);
        t.start();
        QTRY_COMPARE(saved.count(), 1);
        // The marker goes after the pause that follows the picture.
        QTRY_COMPARE(FailIndex(0, 0), 0);
        t.requestInterruption();
        t.wait();

        const QStringList ng = pictures(ResultFolder(0, 0, 0));
        QCOMPARE(ng.size(), 5);
        QVERIFY(ng.last().startsWith(QStringLiteral("0000000042_")));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{10}_\\d{4}-\\d{2}-\\d{2}_\\d{2}\\.\\d{2}\\.\\d{2}\\.\\d{3}\\.jpg$"))
                    .match(ng.last())
                    .hasMatch());
        QCOMPARE(counter.load(), 43);
        QCOMPARE(gFailIndex[0][0], 0);
        const QString abs = saved.first().at(0).toString();
        QVERIFY(QFileInfo(abs).isAbsolute() && QFile::exists(abs));
        QCOMPARE(saved.first().at(1).toString(), QStringLiteral("./alarmimage/camera1/detect1/NG/") + ng.last());
    }

    void bothSlotsGoToNgOnlyOkGoesToOk()
    {
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(2));
        std::atomic<qint64> counter{0};
        gDNum = 2;
        SaveFialImageThread t(2, &counter);
        t.setTiming(fast());
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(0, 1, 0);
        request(0, 1, 1);
        {
            // A picture as the camera view hands it over: red must stay red.
            QMutexLocker lock(pMutexSaveFail);
            gpFailImage[1][0][1] = QImage(gImageW, gImageH, QImage::Format_RGB888);
            gpFailImage[1][0][1].fill(qRgb(200, 0, 0));
        }
        request(1, 0, 1);
        t.start();
        QTRY_COMPARE(saved.count(), 3);
        t.requestInterruption();
        t.wait();
        const QStringList ng = pictures(ResultFolder(0, 1, 0));
        QCOMPARE(ng.size(), 2);
        QCOMPARE(pictures(ResultFolder(0, 1, 1)).size(), 0);
        // The NG picture first, the OK one after the longer pause.
        const QString dir = ResultFolder(0, 1, 0) + QLatin1Char('/');
        QVERIFY(cv::mean(cv::imread((dir + ng[0]).toStdString()))[0] < 10);
        QVERIFY(cv::mean(cv::imread((dir + ng[1]).toStdString()))[0] > 30);
        const auto when = [](const QString& name) {
            return QDateTime::fromString(name.mid(11, 23), QStringLiteral("yyyy-MM-dd_hh.mm.ss.zzz"));
        };
        QVERIFY(when(ng[0]).msecsTo(when(ng[1])) >= fast().afterNgWithOkMs);
        QCOMPARE(pictures(ResultFolder(1, 0, 1)).size(), 1);
        QCOMPARE(pictures(ResultFolder(1, 0, 0)).size(), 0);
        const cv::Scalar red = cv::mean(
            cv::imread((ResultFolder(1, 0, 1) + QLatin1Char('/') + pictures(ResultFolder(1, 0, 1)).first()).toStdString()));
        QVERIFY2(red[2] > 150 && red[1] < 50 && red[0] < 50, qPrintable(QStringLiteral("BGR %1 %2 %3").arg(red[0]).arg(red[1]).arg(red[2])));
        // The file holds the bytes OpenCV's writer gave (quality 95, baseline).
        QFile redFile(ResultFolder(1, 0, 1) + QLatin1Char('/') + pictures(ResultFolder(1, 0, 1)).first());
        QVERIFY(redFile.open(QIODevice::ReadOnly));
        std::vector<uchar> encoded;
        QVERIFY(cv::imencode(".jpg", cv::Mat(gImageH, gImageW, CV_8UC3, cv::Scalar(0, 0, 200)), encoded));
        QVERIFY(redFile.readAll() == QByteArray(reinterpret_cast<const char*>(encoded.data()), int(encoded.size())));
        // Written pictures leave their slots; the one never requested stays.
        QVERIFY(gpFailImage[0][1][0].isNull() && gpFailImage[0][1][1].isNull() && gpFailImage[1][0][1].isNull());
        QVERIFY(!gpFailImage[1][0][0].isNull());
    }

    // Packed while it waited for the re-check, a picture is written with
    // the bytes of the one drawn.
    void packedPictureIsWrittenAsDrawn()
    {
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(1));
        struct Height { int h = gImageH; ~Height() { gImageH = h; } } restore;
        gImageH = kPictureHeadRows + 40;
        QImage drawn(gImageW, gImageH, QImage::Format_RGB888);
        for (int y = 0; y < gImageH; ++y)
            for (int x = 0; x < gImageW; ++x)
                drawn.setPixel(x, y, qRgb(x * 4, y, (x * y) & 255));
        std::vector<uint8_t> expected;
        QVERIFY(EncodeJpeg(drawn, expected));
        {
            QMutexLocker lock(pMutexSaveFail);
            gPackedFail[0][0][0] = PackPicture(drawn);
            QVERIFY(!gPackedFail[0][0][0].isNull());
        }
        OneStepSaver run;
        SaveFialImageThread& t = run.t;
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(0, 0, 0);
        t.start();
        QTRY_COMPARE(saved.count(), 1);
        run.stop();
        QFile written(saved.first().at(0).toString());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll() == QByteArray(reinterpret_cast<const char*>(expected.data()), int(expected.size())));
        QVERIFY(gPackedFail[0][0][0].isNull());
    }

    void picturesPastTheBudgetWaitCoded_data()
    {
        QTest::addColumn<size_t>("budget");
        QTest::addColumn<bool>("coded");
        QTest::newRow("past the budget") << size_t(0) << true;
        QTest::newRow("within it") << kWaitingPictureBytes << false;
    }
    // Past the budget a handed-over picture is coded before the saver's
    // turn; either way the file holds the picture drawn.
    void picturesPastTheBudgetWaitCoded()
    {
        QFETCH(size_t, budget);
        QFETCH(bool, coded);
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(1));
        QImage drawn(gImageW, gImageH, QImage::Format_RGB888);
        drawn.fill(qRgb(10, 200, 30));
        std::vector<uint8_t> expected;
        QVERIFY(EncodeJpeg(drawn, expected));
        gpFailImage[0][0][0] = drawn;
        request(0, 0, 0);
        CodeHandedPictures(1, budget);
        const auto waitsCoded = [] {
            QMutexLocker lock(pMutexSaveFail);
            return gpFailImage[0][0][0].isNull() && !gCodedFail[0][0][0].empty();
        };
        if (coded)
            QTRY_VERIFY(waitsCoded());
        QCOMPARE(waitsCoded(), coded);
        OneStepSaver run;
        QSignalSpy saved(&run.t, &SaveFialImageThread::pictureSaved);
        run.t.start();
        QTRY_COMPARE(saved.count(), 1);
        run.stop();
        QFile written(saved.first().at(0).toString());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll() == QByteArray(reinterpret_cast<const char*>(expected.data()), int(expected.size())));
    }

    // A picture waiting for its turn waits coded, not frame-size; one drawn
    // into the slot after that is newer and is the one written.
    void waitingPicturesWaitCoded()
    {
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(2));
        gDNum = 1;
        SaveFialImageThread t(2, nullptr);
        SaveFialImageThread::Timing slow = fast();
        slow.afterPictureMs = 1500;
        t.setTiming(slow);
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(0, 0, 1);
        request(1, 0, 1);
        t.start();
        QTRY_COMPARE(saved.count(), 1);
        const auto taken = [] {
            QMutexLocker lock(pMutexSaveFail);
            return gpFailImage[1][0][1].isNull();
        };
        QTRY_VERIFY(taken());
        QCOMPARE(saved.count(), 1);
        {
            QMutexLocker lock(pMutexSaveFail);
            gpFailImage[1][0][1] = QImage(gImageW, gImageH, QImage::Format_RGB888);
            gpFailImage[1][0][1].fill(qRgb(200, 0, 0));
        }
        QTRY_COMPARE(saved.count(), 2);
        t.requestInterruption();
        t.wait();
        const cv::Scalar red = cv::mean(cv::imread(saved.last().at(0).toString().toStdString()));
        QVERIFY2(red[2] > 150 && red[1] < 50, qPrintable(QStringLiteral("BGR %1 %2 %3").arg(red[0]).arg(red[1]).arg(red[2])));
    }

    void outsideTheSweepIsNeverTouched()
    {
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(3));
        std::atomic<qint64> counter{0};
        gDNum = 2;
        SaveFialImageThread t(2, &counter);
        t.setTiming(fast());
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(2, 0, 0);  // camera beyond the count
        request(0, 2, 0);  // step beyond the count
        request(1, 1, 1);
        t.start();
        QTRY_COMPARE(saved.count(), 1);
        QTest::qWait(50);
        const auto pending = [](int c, int s) {
            QMutexLocker lock(pMutexSaveFail);
            return gisSaveFail[c][s][0];
        };
        QCOMPARE(saved.count(), 1);
        QVERIFY(pending(2, 0));
        QVERIFY(pending(0, 2));
        // A settings change raises the step count: the running sweep takes it up.
        gDNum = 3;
        QTRY_COMPARE(saved.count(), 2);
        QVERIFY(!pending(0, 2));
        QVERIFY(pending(2, 0));
        t.requestInterruption();
        t.wait();
    }

    void unwrittenPicturesAreNotReported()
    {
        TempWorkDir wd(false);  // no folders: the write fails
        OneStepSaver run;
        SaveFialImageThread& t = run.t;
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(0, 0, 0);
        t.start();
        QTRY_VERIFY(!gisSaveFail[0][0][0]);
        QTest::qWait(30);
        run.stop();
        QCOMPARE(saved.count(), 0);
        QCOMPARE(run.counter.load(), 1);  // the number is used up all the same
    }

    void plantLinkHearsOnlyWhenUp_data()
    {
        QTest::addColumn<int>("netEnabled");
        QTest::addColumn<bool>("alive");
        QTest::addColumn<int>("sends");
        QTest::newRow("link off") << 0 << true << 0;
        QTest::newRow("no client") << 1 << false << 0;
        QTest::newRow("up") << 1 << true << 2;
    }
    void plantLinkHearsOnlyWhenUp()
    {
        QFETCH(int, netEnabled);
        QFETCH(bool, alive);
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(1));
        WizardPara para;
        para.netEnabled = netEnabled;
        gpWPara = &para;
        NetDouble net;
        net.isInit = true;
        net.isAlive = alive;
        gpNet = &net;
        OneStepSaver run;
        SaveFialImageThread& t = run.t;
        ConnectSaverToPlantLink(&t);
        QSignalSpy saved(&t, &SaveFialImageThread::pictureSaved);
        request(0, 0, 0);
        t.start();
        QTRY_COMPARE(saved.count(), 1);
        QTest::qWait(20);  // let the queued report arrive
        run.stop();
        QTEST(int(net.sent.size()), "sends");
        if (!net.sent.isEmpty()) {
            QVERIFY(net.sent[0].startsWith(QStringLiteral("pic /")));
            QVERIFY(net.sent[1].startsWith(QStringLiteral("stat ./alarmimage/camera1/detect1/NG/")));
        }
        gpNet = nullptr;
        gpWPara = nullptr;
    }

    void zeroLimitKeepsNothing()
    {
        TempWorkDir wd(false);
        QVERIFY(MakeResultFolders(1));
        gPicNumNG = 0;
        OneStepSaver run;
        SaveFialImageThread& t = run.t;
        request(0, 0, 0);
        t.start();
        QTRY_VERIFY(!gisSaveFail[0][0][0]);
        QTest::qWait(30);
        run.stop();
        QCOMPARE(pictures(ResultFolder(0, 0, 0)).size(), 0);
    }
};

MOJU_TEST_CORE_MAIN(TestImageSaver)
#include "test_image_saver.moc"
