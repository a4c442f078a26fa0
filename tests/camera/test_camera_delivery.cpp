// Frame delivery into acqBuffer and the image settings the cameras receive.
#include "CameraRig.h"
#include "TestSupport.h"

#include "camera/CameraThread.h"
#include "camera/drivers/DvpCamera.h"
#include "platform/camsdk/SimCamHub.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

using Ini = QMap<QString, QVariant>;

namespace {
const Ini kSmall{{"sensorWidth", 64}, {"sensorHeight", 48}};

void probe()
{
    CheckCameraID();
    DeriveFrameLengths();
}
}  // namespace

class TestCameraDelivery : public QObject {
    Q_OBJECT
private slots:
    void dvpFrameSkip_data();
    void dvpFrameSkip();
    void ueyeDeliversChangedFramesOnly();
    void pumpStopsWithinOnePass_data();
    void pumpStopsWithinOnePass();
    void galaxyBadFramesIgnored();
    void galaxyContrast_data();
    void galaxyContrast();
    void settersReadEditCopyWhileDialogShown_data();
    void settersReadEditCopyWhileDialogShown();
    void acceptedSettingsApplied();
    void whiteBalanceOnlyInColour_data();
    void whiteBalanceOnlyInColour();
    void settingErrorsInAppLog_data();
    void settingErrorsInAppLog();
    void failedRangeReadSendsNothing_data();
    void failedRangeReadSendsNothing();
    void defaultsReadBack_data();
    void defaultsReadBack();
    void narrowRangesKeepFactoryValues();
    void autoExposureSteps_data();
    void autoExposureSteps();
    void colourFramesAsRgba_data();
    void colourFramesAsRgba();
    void monoSensorInColourMode();
    void picturesReadAsOpenCvReadsThem_data();
    void picturesReadAsOpenCvReadsThem();
    void noFrameTakenWhileHeldOff();
};

void TestCameraDelivery::dvpFrameSkip_data()
{
    QTest::addColumn<int>("skip");
    QTest::addColumn<QList<int>>("delivered");  // frame numbers
    QTest::newRow("skip 0: every frame") << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9};
    QTest::newRow("skip 2: one of three") << 2 << QList<int>{3, 6, 9};
}

void TestCameraDelivery::dvpFrameSkip()
{
    QFETCH(int, skip);
    QFETCH(QList<int>, delivered);
    SimCamFolder sim;
    QList<int> values;
    for (int k = 1; k <= 9; ++k)
        values << k * 10;  // frame k carries grey value 10k
    sim.add("dvp", "DVP000001", kSmall, values);
    probe();
    CameraRig rig;
    rig.live.externalTrigger = 1;
    rig.live.cameraSpeed = skip;
    rig.build(1);
    rig.station.CameraSetSpeed();
    QCOMPARE(rig.driver<DvpCamera>(0).frameSkip.load(), skip);
    QVERIFY(DvpCamera::IsValidHandle(rig.driver<DvpCamera>(0).handle));
    QVERIFY(!DvpCamera::IsValidHandle(0));
    const auto dev = sim.device("dvp", "DVP000001");
    QList<int> got;
    for (int k = 1; k <= 9; ++k) {
        dev->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(dev->framesHandled(), quint64(k), 2000);
        if (rig.filled(0))
            got << rig.take(0) / 10;
    }
    QCOMPARE(got, delivered);
}

void TestCameraDelivery::ueyeDeliversChangedFramesOnly()
{
    SimCamFolder sim;
    sim.add("ueye", "UEYE00001", Ini{{"fps", 50}}, {77}, QSize(1280, 1024));
    probe();
    CameraRig rig;
    rig.build(1);
    rig.cam(0).CameraStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 2000);
    QCOMPARE(rig.take(0), 77);
    const auto dev = sim.device("ueye", "UEYE00001");
    const quint64 seen = dev->framesHandled();
    QTRY_VERIFY_WITH_TIMEOUT(dev->framesHandled() >= seen + 4, 2000);
    QTest::qWait(30);  // one more pump pass
    QVERIFY(!rig.filled(0));
    QCOMPARE(rig.cam(0).deliveredFrames.load(), 1);
}

void TestCameraDelivery::pumpStopsWithinOnePass_data()
{
    QTest::addColumn<int>("runMs");
    QTest::newRow("while waiting for a frame") << 500;
    QTest::newRow("during the settle time") << 50;
}

void TestCameraDelivery::pumpStopsWithinOnePass()
{
    QFETCH(int, runMs);
    SimCamFolder sim;
    sim.add("galaxy", "GX0000001", Ini{{"sensorWidth", 64}, {"sensorHeight", 48}, {"fps", 2}});
    probe();
    CameraRig rig;
    rig.build(1);
    rig.cam(0).CameraStart();
    QTest::qWait(runMs);
    QVERIFY(rig.cam(0).cameraThread->isRunning());
    QElapsedTimer t;
    t.start();
    rig.cam(0).CameraStop();
    QVERIFY(rig.cam(0).cameraThread->wait(1000));
    QVERIFY2(t.elapsed() < 250, qPrintable(QString::number(t.elapsed())));
}

void TestCameraDelivery::galaxyBadFramesIgnored()
{
    SimCamFolder sim;
    sim.add("galaxy", "GX0000001", Ini{{"sensorWidth", 64}, {"sensorHeight", 48}, {"badFrames", "1,2"}, {"fps", 5}},
            {10, 20, 30});
    probe();
    CameraRig rig;
    rig.live.contrast[0] = 50;
    rig.build(1);
    rig.cam(0).CameraStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 2000);
    QCOMPARE(rig.take(0), 30);
    // Opening an open camera again keeps one device handle and one pump.
    rig.cam(0).CameraOpen();
    QVERIFY(rig.station.camOpen[0]);
    QVERIFY(rig.cam(0).CameraStart());
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 2000);
}

void TestCameraDelivery::galaxyContrast_data()
{
    QTest::addColumn<int>("contrast");
    QTest::addColumn<int>("software");
    QTest::addColumn<int>("pixel");  // a 100 grey pixel after the contrast
    QTest::newRow("200") << 200 << 100 << 72;
    QTest::newRow("151") << 151 << 100 << 72;
    QTest::newRow("150") << 150 << 100 << 72;
    QTest::newRow("100") << 100 << 50 << 86;
    QTest::newRow("50") << 50 << 0 << 100;
    QTest::newRow("0") << 0 << -50 << 114;
}

void TestCameraDelivery::galaxyContrast()
{
    QFETCH(int, contrast);
    SimCamFolder sim;
    sim.add("galaxy", "GX0000001", kSmall, {100});
    probe();
    CameraRig rig;
    rig.live.contrast[0] = contrast;
    rig.build(1);
    QTEST(gContrast[0], "software");
    rig.cam(0).CameraStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 2000);
    QTEST(rig.take(0), "pixel");
}

void TestCameraDelivery::settersReadEditCopyWhileDialogShown_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("key");
    QTest::addColumn<double>("liveValue");
    QTest::addColumn<double>("editValue");
    // MindVision ranges of the simulated device: gain 16-80, contrast 0-200,
    // sharpness 0-100, gamma 0-1000.
    QTest::newRow("exposure") << "exposure" << "ExposureTime" << 10000.0 << 30000.0;
    QTest::newRow("gain") << "gain" << "Gain" << 26.0 << 48.0;
    QTest::newRow("sharpness") << "sharpness" << "Sharpness" << 10.0 << 30.0;
    QTest::newRow("contrast") << "contrast" << "Contrast" << 10.0 << 30.0;
    QTest::newRow("gamma") << "gamma" << "Gamma" << 40.0 << 120.0;
    QTest::newRow("horizontal mirror") << "hMirror" << "ReverseX" << 0.0 << 1.0;
    QTest::newRow("vertical mirror") << "vMirror" << "ReverseY" << 1.0 << 0.0;
}

void TestCameraDelivery::settersReadEditCopyWhileDialogShown()
{
    QFETCH(QString, what);
    QFETCH(QString, key);
    QFETCH(double, liveValue);
    QFETCH(double, editValue);
    SimCamFolder sim;
    sim.add("mindvision", "MIND00001", kSmall);
    probe();
    CameraRig rig;
    rig.live.exposure[0] = 10, rig.edit.exposure[0] = 30;
    rig.live.gain[0] = 10, rig.edit.gain[0] = 32;
    rig.live.sharpness[0] = 10, rig.edit.sharpness[0] = 30;
    rig.live.contrast[0] = 10, rig.edit.contrast[0] = 30;
    rig.live.gamma[0] = 10, rig.edit.gamma[0] = 30;
    rig.live.hMirror[0] = 0, rig.edit.hMirror[0] = 1;
    rig.live.vMirror[0] = 1, rig.edit.vMirror[0] = 0;
    rig.build(1);
    CameraSide& cam = rig.cam(0);
    const auto apply = [&] {
        if (what == "exposure") cam.SetExposeTime();
        else if (what == "gain") cam.SetAdjustPlus();
        else if (what == "sharpness") cam.SetSharp();
        else if (what == "contrast") cam.SetContrast();
        else if (what == "gamma") cam.SetGamma();
        else if (what == "hMirror") cam.SetHMirror();
        else cam.SetVMirror();
    };
    const auto dev = sim.device("mindvision", "MIND00001");
    QCOMPARE(dev->setting(key).toDouble(), liveValue);
    rig.host.dialogVisible = true;
    apply();
    QCOMPARE(dev->setting(key).toDouble(), editValue);
    // Closed without saving: the live value comes back with the next call.
    rig.host.dialogVisible = false;
    apply();
    QCOMPARE(dev->setting(key).toDouble(), liveValue);
}

void TestCameraDelivery::acceptedSettingsApplied()
{
    SimCamFolder sim;
    sim.add("mvs", "MVS000001", kSmall);
    sim.add("mvs", "MVS000002", kSmall);
    probe();
    CameraRig rig;
    rig.build(2);
    const WizardPara before = rig.live;
    rig.live.exposure[1] = 25;
    rig.live.externalTrigger = 1;
    rig.live.cameraSpeed = 9;
    const auto d0 = sim.device("mvs", "MVS000001");
    const auto d1 = sim.device("mvs", "MVS000002");
    const int exposures0 = d0->settingCount("ExposureTime");
    rig.station.ApplyAcceptedSettings(before);
    QCOMPARE(d0->settingCount("ExposureTime"), exposures0);
    QCOMPARE(d1->setting("ExposureTime").toDouble(), 25000.0);
    QCOMPARE(d0->setting("TriggerMode").toInt(), 1);
    QCOMPARE(d1->setting("TriggerMode").toInt(), 1);
    QCOMPARE(d1->setting("AcquisitionFrameRate").toDouble(), 9.0);
    QVERIFY(d1->streaming());
}

void TestCameraDelivery::whiteBalanceOnlyInColour_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("sensorColour");
    QTest::addColumn<int>("colourMode");
    QTest::addColumn<bool>("balanced");
    QTest::newRow("mindvision colour") << "mindvision" << 1 << 1 << true;
    QTest::newRow("mindvision grey mode") << "mindvision" << 1 << 0 << false;
    QTest::newRow("mindvision mono sensor") << "mindvision" << 0 << 1 << false;
    QTest::newRow("mvs colour") << "mvs" << 1 << 1 << true;
    QTest::newRow("mvs grey mode") << "mvs" << 1 << 0 << false;
    QTest::newRow("mvs mono sensor") << "mvs" << 0 << 1 << false;
}

void TestCameraDelivery::whiteBalanceOnlyInColour()
{
    QFETCH(QString, family);
    QFETCH(int, sensorColour);
    QFETCH(int, colourMode);
    QFETCH(bool, balanced);
    SimCamFolder sim;
    Ini ini = kSmall;
    ini["color"] = sensorColour;
    ini["model"] = sensorColour ? "MV-CA013-20GC" : "MV-CA013-20GM";
    sim.add(family, "DEV000001", ini);
    probe();
    QCOMPARE(gSensorColor, sensorColour);
    SetRunFrame(gImageW, gImageH, colourMode);
    CameraRig rig;
    rig.build(1);
    rig.cam(0).SetWB();
    const auto dev = sim.device(family, "DEV000001");
    const QString key = family == "mvs" ? "BalanceWhiteAuto" : "OnceWB";
    QCOMPARE(dev->settingCount(key) > 0, balanced);
}

void TestCameraDelivery::settingErrorsInAppLog_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<Ini>("ini");
    QTest::addColumn<QString>("stored");  // serial of camera 0
    QTest::addColumn<QString>("line");
    QTest::newRow("imv exposure refused")
        << "imv" << Ini{{"fail", "ExposureTime"}} << "0" << "set ExposureTime value = 12 fail, ErrorCode[-109]";
    QTest::newRow("imv gain refused")
        << "imv" << Ini{{"fail", "GainRaw"}, {"GainRawMin", 0}, {"GainRawMax", 40}} << "0"
        << "set GainRaw value = 12.5 fail, ErrorCode[-109]";
    QTest::newRow("imv start refused")
        << "imv" << Ini{{"fail", "IMV_StartGrabbing"}} << "0" << "start grabbing failed! ErrorCode[-101]";
    QTest::newRow("mindvision open by index") << "mindvision" << Ini() << "0" << "CameraInit 2 0";
    QTest::newRow("mindvision open by serial") << "mindvision" << Ini() << "DEV000001" << "CameraInit 1 0";
}

void TestCameraDelivery::settingErrorsInAppLog()
{
    QFETCH(QString, family);
    QFETCH(Ini, ini);
    QFETCH(QString, stored);
    QFETCH(QString, line);
    SimCamFolder sim;
    Ini all = kSmall;
    for (auto it = ini.begin(); it != ini.end(); ++it)
        all[it.key()] = it.value();
    sim.add(family, "DEV000001", all);
    probe();
    SetSerialNB(0, stored.toLatin1().constData());
    GLogCapture glog;
    CameraRig rig;
    rig.live.exposure[0] = 12;
    rig.live.gain[0] = 20;
    rig.build(1);
    QVERIFY(rig.station.camOpen[0]);
    rig.cam(0).CameraStart();
    QVERIFY2(glog.lines().contains(line), qPrintable(glog.lines().join(" | ")));
}

void TestCameraDelivery::failedRangeReadSendsNothing_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("fail");
    QTest::addColumn<QStringList>("unsent");  // settings the camera must not receive
    QTest::addColumn<bool>("opens");
    QTest::newRow("galaxy ranges") << "galaxy" << "GXGetFloatRange" << QStringList{"0x20001393", "0x20001397"} << true;
    QTest::newRow("mindvision gain range") << "mindvision" << "CameraGetAeAnalogGainRange" << QStringList{"Gain"} << true;
    QTest::newRow("mvs gain range") << "mvs" << "MV_CC_GetGain" << QStringList{"Gain"} << true;
    QTest::newRow("imv ranges") << "imv" << "IMV_GetDoubleFeatureMin" << QStringList{"GainRaw", "Gamma"} << true;
    QTest::newRow("dvp gain range") << "dvp" << "dvpGetAnalogGainDescr" << QStringList{"Gain"} << true;
    QTest::newRow("ueye image memory") << "ueye" << "is_AllocImageMem" << QStringList{"Width", "ExposureTime"} << false;
}

void TestCameraDelivery::failedRangeReadSendsNothing()
{
    QFETCH(QString, family);
    QFETCH(QString, fail);
    QFETCH(QStringList, unsent);
    QFETCH(bool, opens);
    SimCamFolder sim;
    Ini ini = kSmall;
    ini["fail"] = fail;
    sim.add(family, "DEV000001", ini);
    probe();
    CameraRig rig;
    rig.live.gain[0] = 30;
    rig.live.gamma[0] = 100;
    rig.build(1);
    QCOMPARE(bool(rig.station.camOpen[0]), opens);
    const auto dev = sim.device(family, "DEV000001");
    for (const QString& key : unsent)
        QVERIFY2(!dev->setting(key).isValid(), qPrintable(key));
    QCOMPARE(dev->isOpen(), opens);
}

void TestCameraDelivery::defaultsReadBack_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<Ini>("ini");
    QTest::addColumn<QList<int>>("expected");  // exposure, gain, sharpness, gamma
    QTest::newRow("imv subtracts the minimum")
        << "imv"
        << Ini{{"ExposureTimeDefault", 15000}, {"GainRawMin", 1}, {"GainRawMax", 33}, {"GainRawDefault", 17},
               {"SharpnessMin", 0}, {"SharpnessMax", 100}, {"SharpnessDefault", 40}, {"GammaMin", 0},
               {"GammaMax", 5}, {"GammaDefault", 1}}
        << QList<int>{15, 32, 40, 50};
    QTest::newRow("imv empty ranges") << "imv"
                                      << Ini{{"GainRawMin", 4}, {"GainRawMax", 4}, {"SharpnessMin", 0},
                                             {"SharpnessMax", 0}, {"GammaMin", 1}, {"GammaMax", 1}}
                                      << QList<int>{10, 0, 0, 0};
    QTest::newRow("mindvision narrow sharpness")
        << "mindvision"
        << Ini{{"sharpnessMax", 50}, {"SharpnessDefault", 25}, {"GainDefault", 48}, {"ExposureTimeDefault", 8000},
               {"GammaDefault", 500}}
        << QList<int>{8, 32, 50, 125};
    QTest::newRow("mvs narrow gain")
        << "mvs" << Ini{{"GainMin", 0}, {"GainMax", 0.5}, {"GainDefault", 0.25}, {"ExposureTimeDefault", 4000}}
        << QList<int>{4, 32, 0, 62};
}

void TestCameraDelivery::defaultsReadBack()
{
    QFETCH(QString, family);
    QFETCH(Ini, ini);
    QFETCH(QList<int>, expected);
    SimCamFolder sim;
    Ini all = kSmall;
    for (auto it = ini.begin(); it != ini.end(); ++it)
        all[it.key()] = it.value();
    sim.add(family, "DEV000001", all);
    probe();
    CameraRig rig;
    rig.build(1);
    rig.cam(0).CameraStart();
    rig.cam(0).RestoreDefaultSettings();
    QCOMPARE((QList<int>{rig.edit.exposure[0], rig.edit.gain[0], rig.edit.sharpness[0], rig.edit.gamma[0]}),
             expected);
    QVERIFY(sim.device(family, "DEV000001")->streaming());
}

void TestCameraDelivery::narrowRangesKeepFactoryValues()
{
    // Ranges narrower than the 100/200/250 scales: a whole-number step would be 0.
    SimCamFolder sim;
    Ini ini = kSmall;
    ini["sharpnessMax"] = 50;
    ini["contrastMax"] = 100;
    ini["gammaMax"] = 100;
    ini["SharpnessDefault"] = 25;
    ini["ContrastDefault"] = 30;
    ini["GammaDefault"] = 40;
    sim.add("mindvision", "DEV000001", ini);
    probe();
    CameraRig rig;
    rig.live.sharpness[0] = 40;
    rig.live.contrast[0] = 100;
    rig.live.gamma[0] = 125;
    rig.build(1);
    const auto dev = sim.device("mindvision", "DEV000001");
    QCOMPARE((QList<int>{dev->setting("Sharpness").toInt(), dev->setting("Contrast").toInt(),
                         dev->setting("Gamma").toInt()}),
             (QList<int>{20, 50, 50}));

    // Factory defaults read back, then applied from the dialog: the camera
    // gets its factory values again, not the bottom of the range.
    rig.cam(0).RestoreDefaultSettings();
    QCOMPARE((QList<int>{rig.edit.sharpness[0], rig.edit.contrast[0], rig.edit.gamma[0]}), (QList<int>{50, 60, 100}));
    rig.host.dialogVisible = true;
    rig.cam(0).SetSharp();
    rig.cam(0).SetContrast();
    rig.cam(0).SetGamma();
    QCOMPARE((QList<int>{dev->setting("Sharpness").toInt(), dev->setting("Contrast").toInt(),
                         dev->setting("Gamma").toInt()}),
             (QList<int>{25, 30, 40}));
}

void TestCameraDelivery::autoExposureSteps_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<int>("exposure");  // from 20
    QTest::newRow("too bright") << 131 << 19;
    QTest::newRow("top of the band") << 130 << 20;
    QTest::newRow("bottom of the band") << 126 << 20;
    QTest::newRow("too dark") << 125 << 21;
}

void TestCameraDelivery::autoExposureSteps()
{
    QFETCH(int, brightness);
    QFETCH(int, exposure);
    SimCamFolder sim;
    sim.add("mvs", "MVS000001", kSmall);
    probe();
    CameraRig rig;
    rig.live.exposure[0] = 20;
    rig.build(1);
    rig.cam(0).AutoChangeExposeTime(brightness);
    QCOMPARE(rig.live.exposure[0], exposure);
    QCOMPARE(sim.device("mvs", "MVS000001")->setting("ExposureTime").toDouble(), exposure * 1000.0);
}

void TestCameraDelivery::colourFramesAsRgba_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<Ini>("ini");
    const Ini colour{{"sensorWidth", 64}, {"sensorHeight", 48}, {"color", 1}, {"model", "MV-CA013-20GC"}};
    QTest::newRow("mvs") << "mvs" << colour;
    QTest::newRow("mindvision") << "mindvision" << colour;
    QTest::newRow("dvp") << "dvp" << colour;
}

void TestCameraDelivery::colourFramesAsRgba()
{
    QFETCH(QString, family);
    QFETCH(Ini, ini);
    SimCamFolder sim;
    const QString dir = sim.devicePath(family, "DEV000001");
    sim.add(family, "DEV000001", ini);
    QImage img(64, 48, QImage::Format_RGB888);
    img.fill(QColor(200, 100, 50));
    QVERIFY(img.save(dir + "/f.png"));
    img.fill(QColor(20, 40, 60));
    QVERIFY(img.save(dir + "/g.png"));
    probe();
    sim.device(family, "DEV000001")->showPicture(0);
    SetRunFrame(64, 48, 1);
    CameraRig rig;
    rig.build(1);
    rig.cam(0).CameraStart();
    // RGB32 in memory: B, G, R, A.
    auto pixel = [&] {
        QMutexLocker lock(pMutex[0]);
        const unsigned char* p = rig.cam(0).acqBuffer.data() + 4 * (20 * 64 + 20);
        return QList<int>{p[0], p[1], p[2], p[3]};
    };
    QTRY_COMPARE_WITH_TIMEOUT(pixel(), (QList<int>{50, 100, 200, 255}), 2000);
    // Frames follow the scene: nothing of the first picture is sent again.
    sim.device(family, "DEV000001")->showPicture(1);
    QTRY_COMPARE_WITH_TIMEOUT(pixel(), (QList<int>{60, 40, 20, 255}), 2000);
}

void TestCameraDelivery::monoSensorInColourMode()
{
    SimCamFolder sim;
    sim.add("imv", "IMV000001", kSmall, {66});
    probe();
    SetRunFrame(64, 48, 1);
    CameraRig rig;
    rig.build(1);
    rig.cam(0).CameraStart();
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 2000);
    QMutexLocker lock(pMutex[0]);
    const auto& buf = rig.cam(0).acqBuffer;
    QCOMPARE(int(buf.size()), 4 * 64 * 48);
    QCOMPARE(int(buf[size_t(gImageLen - 1)]), 66);
    QCOMPARE(int(buf[size_t(gImageLen)]), 0);
}

// A device's pictures reach the cameras as OpenCV's reader gave them: a
// colour picture on a grey camera with the weights of the file's reader.
void TestCameraDelivery::picturesReadAsOpenCvReadsThem_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("channels");
    for (const char* f : {"a.png", "a.bmp"})
        for (int ch : {1, 3})
            QTest::addRow("%s, %d channels", f, ch) << QString::fromLatin1(f) << ch;
}

void TestCameraDelivery::picturesReadAsOpenCvReadsThem()
{
    QFETCH(QString, file);
    QFETCH(int, channels);
    QTemporaryDir dir;
    cv::Mat bgr(37, 53, CV_8UC3);
    cv::randu(bgr, 0, 256);
    const std::string path = (dir.path() + QLatin1Char('/') + file).toStdString();
    QVERIFY(cv::imwrite(path, bgr));
    cv::Mat want = cv::imread(path, channels == 3 ? cv::IMREAD_COLOR : cv::IMREAD_GRAYSCALE);
    if (channels == 3)
        cv::cvtColor(want, want, cv::COLOR_BGR2RGB);
    simcam::SimDevice dev(QStringLiteral("mvs"), QStringLiteral("S1"), dir.path());
    dev.setStreaming(true);
    dev.setTriggerMode(true);
    dev.trigger();
    simcam::Frame frame;
    QVERIFY(dev.waitFrame(5000, frame, channels));
    QCOMPARE(QSize(frame.width, frame.height), QSize(53, 37));
    QVERIFY(frame.data == QByteArray(reinterpret_cast<const char*>(want.data), int(want.total() * want.elemSize())));
}

// While start-up trains, frames are neither taken nor converted.
void TestCameraDelivery::noFrameTakenWhileHeldOff()
{
    SimCamFolder sim;
    sim.add("mvs", "DEV000001", {{"sensorWidth", 64}, {"sensorHeight", 48}, {"color", 1}, {"model", "MV-CA013-20GC"}});
    probe();
    SetRunFrame(64, 48, 1);
    CameraRig rig;
    rig.build(1);
    rig.station.takesFrames = false;
    rig.cam(0).CameraStart();
    QTRY_VERIFY_WITH_TIMEOUT(sim.device("mvs", "DEV000001")->framesHandled() >= 3, 2000);
    QCOMPARE(rig.cam(0).deliveredFrames.load(), 0);
    // Let go while the engine judges: counted, not copied; then the frame a
    // waiting step wants wakes the pass once.
    std::atomic<int> woken{0};
    rig.station.framesCame = [&woken] { ++woken; };
    rig.station.letGo = 1;
    rig.station.takesFrames = true;
    QTRY_VERIFY_WITH_TIMEOUT(rig.cam(0).deliveredFrames.load() >= 2, 2000);
    QVERIFY(!rig.filled(0));
    rig.station.awaited = 1;
    rig.station.letGo = 0;
    QTRY_VERIFY_WITH_TIMEOUT(rig.filled(0), 2000);
    QTRY_COMPARE(woken.load(), 1);
    QCOMPARE(rig.station.awaited.load(), 0u);
}

MOJU_TEST_CORE_MAIN(TestCameraDelivery)
#include "test_camera_delivery.moc"
