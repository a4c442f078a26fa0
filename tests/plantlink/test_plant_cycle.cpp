// A whole moulding cycle of the monitor with the plant link on: simulated IO
// board and camera, the plant-client double on loopback. A product NG sends
// the per-cycle result, the statistics and the saved alarm picture's path.
#include "PlantClientDouble.h"
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "SimIOBoard.h"
#include "records/Counters.h"
#include "app/DetectionCycle.h"
#include "foundation/MainGlobals.h"
#include "app/gui/RaRoWizard.h"
#include "network/VUR_Frame.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "widgets/SkinPixmaps.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

namespace {
const QString kSerial = QStringLiteral("MVS0000001");

QImage Scene(bool faulty)
{
    QImage img(160, 120, QImage::Format_Grayscale8);
    img.fill(70);
    QPainter p(&img);
    p.fillRect(30, 25, 100, 70, QColor(40, 40, 40));
    if (faulty)
        p.fillRect(60, 45, 30, 20, QColor(250, 250, 250));  // a part left behind
    return img;
}

QJsonObject Json(const QByteArray& body)
{
    return QJsonDocument::fromJson(body).object();
}
}  // namespace

class TestPlantCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        LoadSkinPixmaps();
        gAppDirPath = m_dir->path();
        QVERIFY(SetParamValue(QStringLiteral("VurNet"), 1, 1));
        QVERIFY(SetParamValue(QStringLiteral("VurNet"), 2, 0));
        QVERIFY(SetParamValue(QStringLiteral("system2"), 4, 5));  // NG pictures kept
        // A product NG pulses instead of holding: its picture goes to the saver at once.
        QVERIFY(SetParamValue(QStringLiteral("system2"), 7, 1));
        QVERIFY(SetParamValue(QStringLiteral("trigInDelay"), 1, 1));
        QVERIFY(SetParamValue(QStringLiteral("trigInDelay"), 2, 1));
        QVERIFY(AddWholeViewDefectSteps(Scene(false)));
        m_sim = std::make_unique<SimCamFolder>();
        m_sim->add(QStringLiteral("mvs"), kSerial, {{"sensorWidth", 160}, {"sensorHeight", 120}, {"fps", 50}});
        QVERIFY(Scene(false).save(m_sim->devicePath(QStringLiteral("mvs"), kSerial) + QStringLiteral("/a-good.png")));
        QVERIFY(Scene(true).save(m_sim->devicePath(QStringLiteral("mvs"), kSerial) + QStringLiteral("/b-faulty.png")));
        m_board = std::make_unique<SimBoard>(QStringList{QStringLiteral("--inputs"), QStringLiteral("2")});
        QVERIFY(m_board->waitForPath());
        qputenv("MOJU_SERIAL_DEVICE", m_board->path().toLocal8Bit());
    }
    void cleanup()
    {
        m_win.reset();
        m_client.reset();
        delete gpNet;
        gpNet = nullptr;
        m_board.reset();
        m_sim.reset();
        m_dir.reset();
        qunsetenv("MOJU_SERIAL_DEVICE");
    }

    void productNgReportsResultStatisticsAndPicture()
    {
        VUR_Net::Options o;
        o.port = 0;
        o.shmKeyPath = m_dir->path();
        VUR_Net::SetOptions(o);
        gpNet = new VUR_Net;
        QVERIFY(gpNet->isInit);
        m_client = std::make_unique<PlantClientDouble>(gpNet->serverPort(), QStringList{QStringLiteral("--heart-ms"), QStringLiteral("5000")});
        QTRY_VERIFY(gpNet->isAlive);
        {
            PopupAnswerer answers;
            m_win = std::make_unique<RaRoWizard>();
            QVERIFY(m_win->isBuilt());
        }
        Show(1);
        m_board->send(QStringLiteral("set 0"));  // mould open: the product step judges the faulty scene

        QTRY_VERIFY2_WITH_TIMEOUT(!m_client->lastBody(VurFrame::TypeAlarmPic).isEmpty(),
                                  qPrintable(QStringLiteral("pending %1 alive %2 verdict %3 ").arg(gpNet->pendingCount()).arg(bool(gpNet->isAlive)).arg(m_win->cycle().verdictState) + QString::number(m_client->types().size()) + QStringLiteral(" types ") + [&] { QStringList t; for (int x : m_client->types()) t << QString::number(x); return t.join(QLatin1Char(',')); }()), 10000);
        const QList<int> types = m_client->types();
        QVERIFY(types.contains(VurFrame::TypeRecord));  // operation-log lines mirrored
        const int cycle = types.indexOf(VurFrame::TypeCycleResult);
        QVERIFY(cycle >= 0);
        QVERIFY(types.indexOf(VurFrame::TypeStatistics, cycle) > cycle);

        const QJsonObject result = Json(m_client->lastBody(VurFrame::TypeCycleResult));
        QCOMPARE(result.value(QStringLiteral("result")).toInt(), 1);
        QCOMPARE(result.value(QStringLiteral("detect_method")).toString(), QStringLiteral("开模到位"));
        const QJsonObject roi = result.value(QStringLiteral("array")).toArray()[0].toObject()
                                    .value(QStringLiteral("detect_array")).toArray()[0].toObject()
                                    .value(QStringLiteral("roi_array")).toArray()[0].toObject();
        QCOMPARE(roi.value(QStringLiteral("roi_id")).toInt(), 1);

        // The alarm picture: its absolute path, then statistics naming it relative to the working directory.
        const QString picture = QString::fromUtf8(m_client->lastBody(VurFrame::TypeAlarmPic));
        QVERIFY2(QFile::exists(picture), qPrintable(picture));
        const auto namedStatistics = [this] {
            for (const auto& f : m_client->frames())
                if (f.first == VurFrame::TypeStatistics
                    && Json(f.second).value(QStringLiteral("ng_image")).toString() != QLatin1String("null"))
                    return Json(f.second);
            return QJsonObject();
        };
        QTRY_VERIFY(!namedStatistics().isEmpty());
        const QJsonObject stats = namedStatistics();
        QCOMPARE(stats.value(QStringLiteral("ng_image")).toString(), QStringLiteral(".") + picture.mid(QDir::currentPath().size()));
        const QJsonArray ng = stats.value(QStringLiteral("camera")).toObject().value(QStringLiteral("ng")).toArray();
        QCOMPARE(ng.size(), 1);
        QCOMPARE(ng[0].toObject().value(QStringLiteral("ng_monitors")).toArray()[0].toObject()
                     .value(QStringLiteral("alarm")).toArray()[0].toObject().value(QStringLiteral("alarm_result")).toInt(), 1);
        QCOMPARE(stats.value(QStringLiteral("ng_count_total")).toInt(), gFailNum[0]);
    }

private:
    // Serves picture k of the camera folder (0 good, 1 faulty) until frames of it arrive.
    void Show(int k)
    {
        m_sim->device(QStringLiteral("mvs"), kSerial)->showPicture(k);
        const int seen = m_win->detection()->frameCount[0];
        QTRY_VERIFY_WITH_TIMEOUT(m_win->detection()->frameCount[0] > seen + 2, 3000);
    }

    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<SimCamFolder> m_sim;
    std::unique_ptr<SimBoard> m_board;
    std::unique_ptr<PlantClientDouble> m_client;
    std::unique_ptr<RaRoWizard> m_win;
};

MOJU_TEST_MAIN(TestPlantCycle)
#include "test_plant_cycle.moc"
