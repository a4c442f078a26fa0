// The V4L2 family on a build host: a short video file stands in for the
// device node, so the real open, decode, filter and conversion run.
#include "CameraRig.h"
#include "TestSupport.h"
#include "camera/drivers/FfmpegLib.h"
#include "camera/drivers/V4l2Camera.h"

#include <QFile>

#include <clocale>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {
// A grey YUV4MPEG2 clip of the given size.
void writeClip(const QString& path, int w, int h, int frames, int value)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("YUV4MPEG2 W%1 H%2 F25:1 Ip A1:1 Cmono\n").arg(w).arg(h).toLatin1());
    const QByteArray plane(w * h, char(value));
    for (int k = 0; k < frames; ++k) {
        f.write("FRAME\n");
        f.write(plane);
    }
}

struct V4l2Run {
    QTemporaryDir dir;
    SimCamFolder sim;  // no simulated vendor devices
    V4l2Run(int found)
    {
        qputenv("MOJU_V4L2_DEVICE", dir.filePath("cam%d.y4m").toLocal8Bit());
        gCameraID = CAMERA_V4L2;
        gFindCamera = found;
        SetRunFrame(960, 540);
    }
};
}  // namespace

class TestCameraV4l2 : public QObject {
    Q_OBJECT
private slots:
    void ffmpegLoadedOnlyForUsbCameras();
    void smallFrameCentredOnBlack();
    void fallsBackToLaterNodes();
    void filterPieces_data();
    void filterPieces();
    void filterDescription();
    void failedRebuildKeepsWorkingGraph();
    void defaultsResetPieces();
};

// FFmpeg is mapped only once a USB camera is used (first slot: nothing opened yet).
void TestCameraV4l2::ffmpegLoadedOnlyForUsbCameras()
{
    const auto mapped = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libavformat");
    };
    QVERIFY(!mapped() && !FfmpegIfLoaded());
    QVERIFY(Ffmpeg() && mapped());
}

void TestCameraV4l2::smallFrameCentredOnBlack()
{
    V4l2Run run(1);
    writeClip(run.dir.filePath("cam0.y4m"), 640, 480, 40, 200);
    CameraRig rig;
    rig.live.contrast[0] = 150;
    rig.live.gamma[0] = 23;
    rig.build(1);
    QVERIFY(rig.station.camOpen[0]);
    QVERIFY(rig.driver<V4l2Camera>(0).filterGraph);
    QVERIFY(rig.cam(0).CameraStart());
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 3000);
    QMutexLocker lock(pMutex[0]);
    const auto& buf = rig.cam(0).acqBuffer;
    auto at = [&](int x, int y) { return int(buf[size_t(y * 960 + x)]); };
    for (int y : {0, 29, 510, 539})
        for (int x : {0, 480, 959})
            QCOMPARE(at(x, y), 0);
    for (int y : {30, 270, 509}) {
        QCOMPARE(at(159, y), 0);
        QCOMPARE(at(800, y), 0);
        QVERIFY2(at(160, y) > 100 && at(799, y) > 100, qPrintable(QString::number(at(160, y))));
    }
}

void TestCameraV4l2::fallsBackToLaterNodes()
{
    V4l2Run run(2);
    writeClip(run.dir.filePath("cam5.y4m"), 320, 240, 5, 50);
    {
        CameraRig rig;
        rig.build(1);
        QVERIFY(rig.station.camOpen[0]);
        QVERIFY(QString::fromLatin1(rig.driver<V4l2Camera>(0).fmtCtx->url).endsWith("cam5.y4m"));
    }
    QFile::remove(run.dir.filePath("cam5.y4m"));
    writeClip(run.dir.filePath("cam1.y4m"), 320, 240, 5, 50);  // below the found count: not tried
    CameraRig rig;
    rig.build(1);
    QVERIFY(!rig.station.camOpen[0]);
    QVERIFY(!rig.driver<V4l2Camera>(0).fmtCtx);
}

void TestCameraV4l2::filterPieces_data()
{
    QTest::addColumn<QString>("piece");
    QTest::addColumn<QString>("expected");
    QTest::newRow("contrast 0") << ContrastPiece(0) << "eq=contrast=-2.000000:";
    QTest::newRow("contrast 140") << ContrastPiece(140) << "eq=contrast=0.800000:";
    QTest::newRow("contrast 200") << ContrastPiece(200) << "eq=contrast=2.000000:";
    QTest::newRow("gamma 0") << GammaPiece(0) << "gamma=0.100000,";
    QTest::newRow("gamma 40") << GammaPiece(40) << "gamma=1.684000,";
    QTest::newRow("gamma 203") << GammaPiece(203) << "gamma=8.138800,";
    QTest::newRow("gamma 249") << GammaPiece(249) << "gamma=9.960400,";
    QTest::newRow("gamma 250") << GammaPiece(250) << "gamma=10.000000,";
    QTest::newRow("sharpen 0") << SharpenPiece(0) << "unsharp=5:5:0.000000";
    QTest::newRow("sharpen 100") << SharpenPiece(100) << "unsharp=5:5:5.000000";
}

void TestCameraV4l2::filterPieces()
{
    QFETCH(QString, piece);
    QTEST(piece, "expected");
}

void TestCameraV4l2::filterDescription()
{
    QCOMPARE(ContrastPiece(150) + GammaPiece(100) + SharpenPiece(0),
             QString("eq=contrast=1.000000:gamma=4.060000,unsharp=5:5:0.000000"));
    // A comma-decimal locale must not leak into the filter text.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        QCOMPARE(SharpenPiece(10), QString("unsharp=5:5:0.500000"));
        std::setlocale(LC_NUMERIC, "C");
    }
    V4l2Run run(1);
    writeClip(run.dir.filePath("cam0.y4m"), 320, 240, 5, 50);
    CameraRig rig;
    rig.live.contrast[0] = 150;
    rig.live.gamma[0] = 100;
    rig.live.sharpness[0] = 0;
    rig.build(1);
    QCOMPARE(rig.driver<V4l2Camera>(0).FilterDescription(), QString("eq=contrast=1.000000:gamma=4.060000,unsharp=5:5:0.000000"));
    // The dialog's edit copy drives the next rebuild.
    rig.edit.sharpness[0] = 20;
    rig.host.dialogVisible = true;
    rig.cam(0).SetSharp();
    QCOMPARE(rig.driver<V4l2Camera>(0).filterParts[2], QString("unsharp=5:5:1.000000"));
}

void TestCameraV4l2::failedRebuildKeepsWorkingGraph()
{
    V4l2Run run(1);
    writeClip(run.dir.filePath("cam0.y4m"), 320, 240, 60, 120);
    CameraRig rig;
    rig.live.contrast[0] = 150;
    rig.build(1);
    AVFilterGraph* before = rig.driver<V4l2Camera>(0).filterGraph;
    QVERIFY(before);
    {
        QMutexLocker lock(pMutex[0]);
        QVERIFY(rig.driver<V4l2Camera>(0).init_filters("no_such_filter=1") < 0);
    }
    QCOMPARE(rig.driver<V4l2Camera>(0).filterGraph, before);
    rig.cam(0).CameraStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 3000);
}

void TestCameraV4l2::defaultsResetPieces()
{
    V4l2Run run(1);
    writeClip(run.dir.filePath("cam0.y4m"), 320, 240, 5, 50);
    CameraRig rig;
    rig.build(1);
    rig.driver<V4l2Camera>(0).filterParts[3] = "hflip";
    rig.cam(0).RestoreDefaultSettings();
    QCOMPARE(rig.edit.contrast[0], 140);
    QCOMPARE(rig.edit.gamma[0], 40);
    QCOMPARE(rig.edit.sharpness[0], 0);
    QCOMPARE(rig.driver<V4l2Camera>(0).FilterDescription(), QString("eq=contrast=0.800000:gamma=1.684000,unsharp=5:5:0.000000"));
}

MOJU_TEST_CORE_MAIN(TestCameraV4l2)
#include "test_camera_v4l2.moc"
