// Camera loss end to end: simulated cameras, the simulated IO board, the
// real loss handling and boxes. The polling loop is played by the test.
#include "TestSupport.h"

#include "AlarmDoubles.h"

#include "../camera/CameraRig.h"
#include "SimIOBoard.h"
#include "app/ControlPort.h"
#include "app/gui/AlarmHost.h"
#include "app/gui/CameraLoss.h"
#include "app/gui/LostCameraWarnBox.h"
#include "app/gui/ReconnectCameraWarnBox.h"
#include "app/gui/StationLossPort.h"
#include "foundation/uitext.h"
#include "widgets/WarnBox.h"

namespace {
const QMap<QString, QVariant> kSmall{{"sensorWidth", 64}, {"sensorHeight", 48}};
const QStringList kSerials{QStringLiteral("MVS000001"), QStringLiteral("MVS000002"), QStringLiteral("MVS000003")};

QString lastOut(const SimBoard& board)
{
    const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
    return outs.isEmpty() ? QString() : outs.last().section(QLatin1Char(' '), 2);
}
}  // namespace

class TestCameraLossSim : public QObject {
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

    void pulledCameraHoldsTheMachineUntilItIsBack_data()
    {
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("heldWord");
        QTest::newRow("detecting") << false << "0x0001";
        QTest::newRow("detection stopped") << true << "";  // no output word ever changes
    }
    void pulledCameraHoldsTheMachineUntilItIsBack()
    {
        QFETCH(bool, stopped);
        gisLost = 0;
        gLost = 0;
        gpLostCameraWarnBox->hide();
        gpReconnectCameraWarnBox->hide();

        SimCamFolder sim;
        for (const QString& s : kSerials)
            sim.add(QStringLiteral("mvs"), s, kSmall);
        CheckCameraID();
        DeriveFrameLengths();
        CameraRig rig;
        rig.live.cameraLostOptimize = 1;
        rig.live.outputInvert[2] = 0;  // words as logical levels
        gpWPara = &rig.live;
        rig.build(3);
        QCOMPARE(rig.station.numCamera, 3);
        rig.startAll();
        QTRY_VERIFY_WITH_TIMEOUT(rig.filled(2), 2000);

        SimBoard board;
        QVERIFY(board.waitForPath());
        IOLinkOptions options;
        options.device = board.path();
        ControlPort port(IOPortSettings(), options);
        gpControlIO = &port;
        QTRY_VERIFY_WITH_TIMEOUT(!board.linesStarting(QStringLiteral("RX ")).isEmpty(), 5000);  // link up

        HostDouble host;
        AlarmHost::setInstance(&host);
        StationLossPort lossPort(&rig.station);
        CameraLoss loss(&lossPort);
        loss.setDetectionStopped(stopped);

        // The cable of the second camera is pulled.
        sim.unplug(QStringLiteral("mvs"), kSerials[1]);
        QTRY_VERIFY_WITH_TIMEOUT(lossPort.lostFlag(), 3000);
        loss.PollPass();
        QCOMPARE(gisLost, 1);
        QCOMPARE(host.records, QStringList{QStringLiteral("The 1th Camera Lost, 1")});
        QVERIFY(gpLostCameraWarnBox->isVisible());
        for (int c = 0; c < 3; ++c)
            QVERIFY(!rig.station.camOpen[c]);
        QFETCH(QString, heldWord);
        if (heldWord.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(lastOut(board), heldWord);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(lastOut(board), heldWord, 5000);
        }

        // Reconnection attempts while it is out change nothing.
        loss.CameraRestart();
        QCOMPARE(gisLost, 1);
        QVERIFY(!rig.station.camOpen[0]);

        sim.replug(QStringLiteral("mvs"), kSerials[1]);
        loss.CameraRestart();
        QCOMPARE(gisLost, 0);
        QCOMPARE(host.records.last(), QStringLiteral("Camera Restart"));
        QVERIFY(gpReconnectCameraWarnBox->isVisible());
        QVERIFY(!gpLostCameraWarnBox->isVisible());
        QVERIFY(!lossPort.lostFlag());
        for (int c = 0; c < 3; ++c)
            QVERIFY(rig.station.camOpen[c]);
        rig.take(1);
        QTRY_VERIFY_WITH_TIMEOUT(rig.filled(1), 3000);  // frames flow again

        for (auto& side : rig.sides) {
            side->CameraStop();
            side->CameraClose();
        }
        AlarmHost::setInstance(nullptr);
        gpControlIO = nullptr;
        gpWPara = nullptr;
    }
};

MOJU_TEST_MAIN(TestCameraLossSim)
#include "test_camera_loss_sim.moc"
