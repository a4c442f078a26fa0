#include "TestSupport.h"

#include "AlarmDoubles.h"
#include "app/gui/LostCameraWarnBox.h"
#include "app/gui/ReconnectCameraWarnBox.h"
#include "foundation/uitext.h"
#include "camera/CameraGlobals.h"

#include <utility>
#include "widgets/WarnBox.h"

namespace {
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct CamerasDouble : CameraLossPort {
    int fam = CAMERA_MVS;
    bool flag = false;
    unsigned reported = 0;
    int count = 3;
    int visible = 3;      // what a recount finds
    bool open_[8] = {true, true, true};
    bool failOpen[8] = {};
    int recounts = 0, speedSets = 0;
    QStringList calls;

    int family() const override { return fam; }
    bool lostFlag() const override { return flag; }
    void clearLostFlag() override { flag = false; }
    unsigned takeReported() override { return std::exchange(reported, 0u); }
    // What an SDK disconnect callback does.
    void report(int c)
    {
        reported |= 1u << c;
        flag = true;
    }
    int cameraCount() const override { return count; }
    int recount(bool) override
    {
        ++recounts;
        return (fam == CAMERA_GALAXY || fam == CAMERA_NONE) ? -1 : visible;
    }
    bool isOpen(int c) const override { return open_[c]; }
    void stop(int c) override { calls << QStringLiteral("stop%1").arg(c); }
    void close(int c) override
    {
        calls << QStringLiteral("close%1").arg(c);
        open_[c] = false;
        if (boxPaints && *boxPaints == 0)
            closedUnpainted = true;
    }
    // Paint events the lost box had received; closing before any is too late.
    const int* boxPaints = nullptr;
    bool closedUnpainted = false;
    bool open(int c) override
    {
        calls << QStringLiteral("open%1").arg(c);
        open_[c] = !failOpen[c];
        return open_[c];
    }
    void start(int c) override { calls << QStringLiteral("start%1").arg(c); }
    void setSpeed() override { ++speedSets; }
    void markNg(int c) override { calls << QStringLiteral("ng%1").arg(c); }
    int ticks[8] = {7, 7, 7};  // the frame-rate watch's no-frame ticks
    void zeroNoFrameTicks(int c) override { ticks[c] = 0; }
};
}  // namespace

class TestCameraLoss : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        gLan = 1;
        gpWarnBox = new WarnBox;
        gpLostCameraWarnBox = new LostCameraWarnBox;
        gpReconnectCameraWarnBox = new ReconnectCameraWarnBox;
    }

    void init()
    {
        gisLost = 0;
        gLost = 0;
        gpWarnBox->hide();
        gpLostCameraWarnBox->hide();
        gpReconnectCameraWarnBox->hide();
    }

    void pulledCameraIsLostAndClampHeld()
    {
        Rig rig;
        rig.para.cameraLostOptimize = 1;
        CamerasDouble cams;
        PaintCounter painted;
        gpLostCameraWarnBox->installEventFilter(&painted);
        cams.boxPaints = &painted.paints;
        CameraLoss loss(&cams);
        cams.report(2);
        cams.visible = 2;
        loss.PollPass();
        gpLostCameraWarnBox->removeEventFilter(&painted);
        // The operator sees the box before the cameras are taken down.
        QVERIFY(!cams.closedUnpainted);
        QCOMPARE(gisLost, 1);
        QCOMPARE(gLost, 1);
        QCOMPARE(rig.host.records, QStringList{LanStr(332).arg(1).arg(1)});
        QCOMPARE(PublishedOut(0), 1);
        QVERIFY(gpLostCameraWarnBox->isVisible());
        QVERIFY(!gpWarnBox->isVisible());
        for (int c = 0; c < 3; ++c) {
            QVERIFY(!cams.open_[c]);
            QVERIFY(cams.calls.contains(QStringLiteral("ng%1").arg(c)));
        }
        QCOMPARE(cams.calls.indexOf(QStringLiteral("stop0")) < cams.calls.indexOf(QStringLiteral("close0")), true);

        // Still one camera short: nothing changes.
        loss.CameraRestart();
        QCOMPARE(gisLost, 1);
        QVERIFY(!cams.calls.contains(QStringLiteral("open0")));

        // Plugged back: everything reopens.
        cams.visible = 3;
        loss.CameraRestart();
        QCOMPARE(gisLost, 0);
        QVERIFY(!cams.flag);
        QCOMPARE(rig.host.records.last(), QStringLiteral("Camera Restart"));
        QVERIFY(gpReconnectCameraWarnBox->isVisible());
        QVERIFY(!gpLostCameraWarnBox->isVisible());
        QCOMPARE(cams.speedSets, 1);
        QVERIFY(cams.open_[0] && cams.open_[1] && cams.open_[2]);
        QCOMPARE(cams.ticks[2], 0);
    }

    void stoppedDetectionKeepsClampFree()
    {
        Rig rig;
        rig.para.cameraLostOptimize = 1;
        CamerasDouble cams;
        cams.fam = CAMERA_MINDVISION;
        CameraLoss loss(&cams);
        loss.setDetectionStopped(true);
        cams.report(0);
        loss.PollPass();
        QCOMPARE(gisLost, 1);
        QCOMPARE(PublishedOut(0), 0);
    }

    void optionOffShowsPlainWarning()
    {
        Rig rig;
        rig.para.cameraLostOptimize = 0;
        CamerasDouble cams;
        cams.fam = CAMERA_V4L2;
        CameraLoss loss(&cams);
        cams.report(1);
        loss.PollPass();  // the callback path needs the option
        QCOMPARE(gisLost, 0);
        loss.CameraCheck(1);  // the frame-rate watch path
        QCOMPARE(gisLost, 1);
        QVERIFY(gpWarnBox->isVisible());
        QCOMPARE(gpWarnBox->text(), LanStr(39));
        QVERIFY(!gpLostCameraWarnBox->isVisible());
    }

    void equalRecountReopensReportedCameraOnce()
    {
        Rig rig;
        rig.para.cameraLostOptimize = 1;
        CamerasDouble cams;
        cams.fam = CAMERA_DVP;
        CameraLoss loss(&cams);
        cams.report(1);
        loss.PollPass();
        QCOMPARE(gisLost, 0);
        QVERIFY(!cams.flag);  // no re-enumeration on every pass
        QCOMPARE(cams.calls, (QStringList{QStringLiteral("stop1"), QStringLiteral("close1"),
                                          QStringLiteral("open1"), QStringLiteral("start1")}));
        QCOMPARE(cams.speedSets, 1);  // as a full reconnection does
        const int recounts = cams.recounts;
        loss.PollPass();
        QCOMPARE(cams.recounts, recounts);
    }

    void reportedCameraThatFailsToReopenIsLost()
    {
        Rig rig;
        rig.para.cameraLostOptimize = 1;
        CamerasDouble cams;
        cams.fam = CAMERA_MVS;
        cams.failOpen[1] = true;
        CameraLoss loss(&cams);
        cams.report(1);
        loss.PollPass();
        QCOMPARE(gisLost, 1);
        QVERIFY(!cams.open_[1]);
    }

    void cameraFailingAtRestartIsANewLoss()
    {
        Rig rig;
        rig.para.cameraLostOptimize = 1;
        CamerasDouble cams;
        cams.fam = CAMERA_IMV;
        CameraLoss loss(&cams);
        loss.CameraCheck(0);
        QCOMPARE(gLost, 1);
        cams.failOpen[2] = true;
        loss.CameraRestart();
        QCOMPARE(gisLost, 1);
        QCOMPARE(gLost, 2);
        QVERIFY(!cams.open_[2]);
        QCOMPARE(rig.host.records.last(), LanStr(332).arg(2).arg(3));
        QCOMPARE(cams.speedSets, 0);
    }

    void galaxyNeverRecovers()
    {
        Rig rig;
        CamerasDouble cams;
        cams.fam = CAMERA_GALAXY;
        CameraLoss loss(&cams);
        loss.CameraCheck(0);
        QCOMPARE(gisLost, 1);
        for (int i = 0; i < 3; ++i)
            loss.CameraRestart();
        QCOMPARE(gisLost, 1);
        QCOMPARE(gLost, 1);
        QCOMPARE(PublishedOut(0), 1);
        QVERIFY(!cams.calls.contains(QStringLiteral("open0")));
        for (int c = 0; c < 3; ++c)
            QCOMPARE(cams.ticks[c], 0);
    }

    void familyNoneIsNeverLost()
    {
        Rig rig;
        CamerasDouble cams;
        cams.fam = CAMERA_NONE;
        CameraLoss loss(&cams);
        loss.CameraCheck(0);
        QCOMPARE(gisLost, 0);
    }
};

MOJU_TEST_MAIN(TestCameraLoss)
#include "test_camera_loss.moc"
