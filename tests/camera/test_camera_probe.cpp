// Which camera family runs, how many cameras and which frame size.
#include "SimCamFixture.h"
#include "TestSupport.h"
#include "camera/CameraNetRepair.h"
#include "camera/GigeNetRepair.h"
#include "camera/drivers/V4l2Camera.h"

#include <QFile>

using Ini = QMap<QString, QVariant>;
Q_DECLARE_METATYPE(Ini)

class TestCameraProbe : public QObject {
    Q_OBJECT
private slots:
    void frameSize_data();
    void frameSize();
    void firstFamilyWins_data();
    void firstFamilyWins();
    void imvManufacturerFilter();
    void countsNeverExceedEightSlots_data();
    void countsNeverExceedEightSlots();
    void repairedDevicesGetTime();
    void usbCameraLines();
    void addressRepairReachesDevices();
};

void TestCameraProbe::frameSize_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<Ini>("ini");
    QTest::addColumn<int>("cut");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("colour");

    QTest::newRow("nothing: family 0") << QString() << Ini() << 1 << 0 << 1920 << 1080 << 0;
    QTest::newRow("galaxy 2592 binned without crop")
        << "galaxy" << Ini{{"sensorWidth", 2592}, {"sensorHeight", 1944}} << 0 << 4 << 1296 << 972 << 0;
    QTest::newRow("galaxy 2592 binned with crop")
        << "galaxy" << Ini{{"sensorWidth", 2592}, {"sensorHeight", 1944}} << 1 << 4 << 1296 << 972 << 0;
    QTest::newRow("galaxy 1280 crop") << "galaxy" << Ini{{"sensorWidth", 1280}, {"sensorHeight", 1024}} << 1 << 4
                                      << 1120 << 840 << 0;
    QTest::newRow("galaxy 2048 no crop") << "galaxy" << Ini{{"sensorWidth", 2048}, {"sensorHeight", 1536}} << 0
                                         << 4 << 2048 << 1536 << 0;
    QTest::newRow("ueye") << "ueye" << Ini() << 1 << 5 << 1280 << 1024 << 0;
    QTest::newRow("mindvision 3088 crop")
        << "mindvision" << Ini{{"sensorWidth", 3088}, {"sensorHeight", 2064}, {"color", 1}} << 1 << 6 << 2592
        << 1944 << 1;
    QTest::newRow("mindvision 3088 no crop")
        << "mindvision" << Ini{{"sensorWidth", 3088}, {"sensorHeight", 2064}} << 0 << 6 << 3088 << 2064 << 0;
    QTest::newRow("mindvision 1600 crop")
        << "mindvision" << Ini{{"sensorWidth", 1600}, {"sensorHeight", 1200}} << 1 << 6 << 1300 << 1000 << 0;
    QTest::newRow("mindvision without capability: none")
        << "mindvision" << Ini{{"fail", "CameraGetCapability"}} << 1 << 0 << 1920 << 1080 << 0;
    QTest::newRow("mindvision 2592 crop takes the first preset")
        << "mindvision"
        << Ini{{"sensorWidth", 2592}, {"sensorHeight", 1944}, {"presetWidth", 2560}, {"presetHeight", 1920}} << 1
        << 6 << 2560 << 1920 << 0;
    QTest::newRow("dvp colour roi") << "dvp" << Ini{{"sensorWidth", 1440}, {"sensorHeight", 1080}, {"color", 1}}
                                    << 1 << 12 << 1440 << 1080 << 1;
    QTest::newRow("imv") << "imv" << Ini{{"sensorWidth", 1280}, {"sensorHeight", 960}} << 1 << 8 << 1280 << 960
                         << 0;
    QTest::newRow("mvs mono model") << "mvs" << Ini{{"model", "MV-CA013-20GM"}, {"sensorWidth", 1280},
                                                    {"sensorHeight", 1024}} << 1 << 7 << 1280 << 1024 << 0;
    QTest::newRow("mvs colour model") << "mvs" << Ini{{"model", "MV-CA013-20GC"}, {"sensorWidth", 1280},
                                                      {"sensorHeight", 1024}} << 1 << 7 << 1280 << 1024 << 1;
    QTest::newRow("mvs tall sensor") << "mvs" << Ini{{"model", "MV-CH250-90GM"}, {"sensorWidth", 5120},
                                                     {"sensorHeight", 5120}} << 1 << 7 << 2304 << 1296 << 0;
}

void TestCameraProbe::frameSize()
{
    QFETCH(QString, family);
    QFETCH(Ini, ini);
    QFETCH(int, cut);
    SimCamFolder sim;
    if (!family.isEmpty()) {
        sim.add(family, QStringLiteral("SN0000001"), ini);
        sim.add(family, QStringLiteral("SN0000002"), ini);
    }
    gisCut = cut;
    CheckCameraID();
    QTEST(gCameraID, "id");
    QTEST(gImageW, "w");
    QTEST(gImageH, "h");
    QTEST(gSensorColor, "colour");
    QCOMPARE(gFindCamera, gCameraID == 0 ? 4 : 2);
    if (!family.isEmpty())
        QVERIFY2(!sim.device(family, QStringLiteral("SN0000001"))->isOpen(), "the probe closes what it opened");
}

void TestCameraProbe::firstFamilyWins_data()
{
    QTest::addColumn<QStringList>("families");
    QTest::addColumn<int>("id");
    QTest::newRow("galaxy before mvs") << QStringList{"mvs", "galaxy"} << 4;
    QTest::newRow("mindvision before dvp") << QStringList{"dvp", "mindvision"} << 6;
    QTest::newRow("dvp before imv") << QStringList{"imv", "dvp"} << 12;
    QTest::newRow("imv before mvs") << QStringList{"mvs", "imv"} << 8;
}

void TestCameraProbe::firstFamilyWins()
{
    QFETCH(QStringList, families);
    SimCamFolder sim;
    for (const QString& f : families)
        sim.add(f, QStringLiteral("SERIAL0001"));
    CheckCameraID();
    QTEST(gCameraID, "id");
    QCOMPARE(gFindCamera, 1);
}

void TestCameraProbe::imvManufacturerFilter()
{
    SimCamFolder sim;
    sim.add("imv", "IMV0000001");
    sim.add("imv", "IMV0000002", Ini{{"manufacturer", "Someone Else"}});
    sim.add("imv", "IMV0000003");
    CheckCameraID();
    QCOMPARE(gCameraID, 8);
    QCOMPARE(gFindCamera, 2);
    QCOMPARE(gDeviceInfoList.nDevNum, 2);
    QCOMPARE(QByteArray(gDeviceInfoList.list[1].serialNumber), QByteArray("IMV0000003"));

    // Only foreign devices: IMV is skipped and nothing else answers.
    SimCamFolder other;
    other.add("imv", "IMV0000009", Ini{{"manufacturer", "machine vision"}});
    CheckCameraID();
    QCOMPARE(gCameraID, 0);
    QCOMPARE(gFindCamera, 4);
}

void TestCameraProbe::countsNeverExceedEightSlots_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("devices");
    QTest::addColumn<Ini>("ini");
    QTest::newRow("dvp reporting 20") << "dvp" << 1 << Ini{{"count", 20}};
    QTest::newRow("galaxy 10") << "galaxy" << 10 << Ini();
    QTest::newRow("mvs 9") << "mvs" << 9 << Ini();
    QTest::newRow("mindvision 10") << "mindvision" << 10 << Ini();
}

void TestCameraProbe::countsNeverExceedEightSlots()
{
    QFETCH(QString, family);
    QFETCH(int, devices);
    QFETCH(Ini, ini);
    SimCamFolder sim;
    for (int k = 0; k < devices; ++k)
        sim.add(family, QStringLiteral("SER%1").arg(k, 7, 10, QLatin1Char('0')), ini);
    CheckCameraID();
    QCOMPARE(gFindCamera, 8);
}

class RepairedTwo : public CameraNetRepair {
public:
    int RepairAllCameraIP() override { return 2; }
    int autoSetCameraIP(imv::IMV_DeviceInfo) override { return 1; }
};

void TestCameraProbe::repairedDevicesGetTime()
{
    SimCamFolder sim;
    sim.add("imv", "IMV0000001");
    RepairedTwo repair;
    CameraNetRepair::setInstance(&repair);
    CheckCameraID();
    CameraNetRepair::setInstance(nullptr);
    QCOMPARE(gCameraID, 8);
    QCOMPARE(sim.sleeps, (QList<int>{6000, 6000}));
}

void TestCameraProbe::usbCameraLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("devices");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("I: Bus=0003 Vendor=046d\nN: Name=\"USB Camera\"\nN: Name=\"Integrated camera\"\n"
            "N: Name=\"AT Keyboard\"\nN: Name=\"HD CAMERA front\"\n");
    f.close();
    QCOMPARE(CheckUSBCameraNum(path), 3);
    QCOMPARE(CheckUSBCameraNum(dir.filePath("missing")), 0);
}

void TestCameraProbe::addressRepairReachesDevices()
{
    SimCamFolder sim;
    sim.add("imv", "IMV0000001", Ini{{"ip", "10.0.0.7"}, {"ipStatus", "Invalid"}, {"hostIp", "192.168.5.1"}});
    sim.add("mvs", "MVS0000001", Ini{{"ip", "10.0.0.8"}, {"hostIp", "192.168.5.1"}});

    ImvLibraryIpSdk imvSdk;
    ImvIpSdk::Handle h = nullptr;
    QCOMPARE(imvSdk.createHandleByKey("IMV:IMV0000001", &h), 0);
    ImvGigeDeviceInfo info;
    QCOMPARE(imvSdk.getDeviceInfo(h, &info), 0);
    QCOMPARE(info.ipAddress, std::string("10.0.0.7"));
    QCOMPARE(info.ipConfigStatus, std::string("Invalid"));
    QCOMPARE(info.hostIpAddress, std::string("192.168.5.1"));
    QCOMPARE(imvSdk.forceIpAddress(h, "192.168.5.20", "255.255.255.0", "0.0.0.0"), 0);
    QCOMPARE(imvSdk.getDeviceInfo(h, &info), 0);
    QCOMPARE(info.ipAddress, std::string("192.168.5.20"));
    QCOMPARE(info.ipConfigStatus, std::string("Valid"));
    QCOMPARE(imvSdk.destroyHandle(h), 0);

    MvsLibraryIpSdk mvsSdk;
    std::vector<MvsGigeDeviceInfo> devs;
    QCOMPARE(mvsSdk.enumGigeDevices(&devs), 0);
    QCOMPARE(devs.size(), size_t(1));
    QCOMPARE(devs[0].currentIp, 0x0A000008u);
    QCOMPARE(devs[0].hostIp, 0xC0A80501u);
    QVERIFY(mvsSdk.isDeviceAccessibleExclusive(devs[0]));
    MvsIpSdk::Handle mh = nullptr;
    QCOMPARE(mvsSdk.createHandle(devs[0], &mh), 0);
    QCOMPARE(mvsSdk.forceIpEx(mh, 0xC0A80515u, 0xFFFFFF00u, 0), 0);
    QCOMPARE(mvsSdk.destroyHandle(mh), 0);
    QCOMPARE(mvsSdk.enumGigeDevices(&devs), 0);
    QCOMPARE(devs[0].currentIp, 0xC0A80515u);

    // A build host allows no interface: the real repair leaves every device as it is.
    qunsetenv("MOJU_GIGE_IFACES");
    CheckCameraID();
    QCOMPARE(gCameraID, 8);
    QCOMPARE(sim.device("imv", "IMV0000001")->setting("ip").toString(), QString("192.168.5.20"));
    QVERIFY(sim.sleeps.isEmpty());
}

MOJU_TEST_CORE_MAIN(TestCameraProbe)
#include "test_camera_probe.moc"
