// Shared-memory video read by another process (the plant-client double):
// per-camera I420 frames whose luma is the display picture's, the share
// list, the semaphore after a client died holding it, and clean removal.
#include "PlantClientDouble.h"
#include "PlantLinkFixture.h"

#include "foundation/VisionGlobals.h"
#include "network/VUR_Frame.h"
#include "params/WizardPara.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>

namespace {
constexpr int kW = 320, kH = 240;

QRgb Pattern(int cam, int x, int y)
{
    return qRgb((x * 3 + cam * 40) & 255, (y * 2) & 255, (x + y) & 255);
}

int Luma(QRgb c)
{
    // BT.601, limited range, computed apart from the converter the link uses.
    return qRound(0.257 * qRed(c) + 0.504 * qGreen(c) + 0.098 * qBlue(c) + 16);
}

key_t Key(const QString& dir, int id)
{
    return ftok(QFile::encodeName(dir).constData(), id);
}
}  // namespace

class TestPlantVideo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A sandbox without System V IPC has no video shares to test.
        const int probe = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
        if (probe < 0)
            QSKIP("no System V shared memory here");
        shmctl(probe, IPC_RMID, nullptr);
    }
    void init()
    {
        m_dir = std::make_unique<TempWorkDir>();
        m_para = std::make_unique<WizardPara>();
        m_para->netEnabled = 1;
        m_para->netVideoParam = 2;
        WizardPara::SetText(m_para->netUseName, QStringLiteral("eth0"));
        gpWPara = m_para.get();
    }
    void cleanup()
    {
        m_net.reset();  // removes the segments and semaphores it made
        gpWPara = nullptr;
        QCOMPARE(shmget(Key(m_dir->path(), 1000), 0, 0), -1);
        QCOMPARE(semget(Key(m_dir->path(), 2000), 0, 0), -1);
        m_dir.reset();
    }

    void cameraSharesReachAnotherProcess()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 2 2 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), nullptr);
        QCOMPARE(m_net->videoMode(), 2);
        std::vector<uint32_t> buf[2];
        for (int c = 0; c < 2; ++c) {
            buf[c].resize(kW * kH);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    buf[c][y * kW + x] = Pattern(c, x, y);
            m_net->VUR_AddUseMemory(c, kW, kH, reinterpret_cast<unsigned char*>(buf[c].data()));
        }
        m_net->VUR_FirstInit();
        const int semid0 = semget(Key(m_dir->path(), 2000), 0, 0);
        QVERIFY(semid0 >= 0);
        QCOMPARE(semctl(semid0, 0, GETVAL), 1);

        // No copy before the client has the list.
        QVERIFY(!m_net->VUR_UpdateMemory(0));
        QDir().mkpath(QStringLiteral("grab"));
        auto client = std::make_unique<PlantClientDouble>(m_net->serverPort(),
                                                          QStringList{QStringLiteral("--grab-dir"), m_dir->filePath(QStringLiteral("grab"))});
        QTRY_VERIFY(!client->lastBody(VurFrame::TypeMemoryInfo).isEmpty());
        const QJsonArray list = QJsonDocument::fromJson(client->lastBody(VurFrame::TypeMemoryInfo))
                                    .object().value(QStringLiteral("memoryinfo")).toArray();
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].toObject().value(QStringLiteral("cameraid")).toInt(), 1);
        QCOMPARE(list[1].toObject().value(QStringLiteral("size")).toInt(), kW * kH * 3 / 2);
        QCOMPARE(list[1].toObject().value(QStringLiteral("fps")).toInt(), 15);

        // The copy timer runs every 50 ms; wait for a tick that went through.
        QTRY_VERIFY(m_net->VUR_UpdateMemory(1));
        m_net->VideoTick();
        client->send(QStringLiteral("grab"));
        QTRY_COMPARE(client->lines().filter(QStringLiteral("GRAB ")).size(), 2);
        for (int c = 0; c < 2; ++c) {
            QFile f(m_dir->filePath(QStringLiteral("grab/share%1.i420").arg(c)));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray frame = f.readAll();
            QCOMPARE(frame.size(), kW * kH * 3 / 2);
            int worst = 0;
            for (int y = 0; y < kH - 100; ++y)
                for (int x = 0; x < kW; ++x)
                    worst = std::max(worst, std::abs(uchar(frame[y * kW + x]) - Luma(Pattern(c, x, y))));
            QVERIFY2(worst <= 1, qPrintable(QStringLiteral("camera %1 luma off by %2").arg(c).arg(worst)));
        }
        // The time stamp is painted into the bottom strip of the display picture.
        bool stamped = false;
        for (int y = kH - 100; y < kH && !stamped; ++y)
            for (int x = 0; x < kW && !stamped; ++x)
                stamped = buf[0][y * kW + x] != Pattern(0, x, y);
        QVERIFY(stamped);

        // A client that died holding a semaphore: frames are skipped at once,
        // never waited for; the next connection frees it.
        sembuf take{0, -1, 0};
        QCOMPARE(semop(semid0, &take, 1), 0);
        QElapsedTimer t;
        t.start();
        QVERIFY(!m_net->VUR_UpdateMemory(0));
        QVERIFY(t.elapsed() < 500);
        client.reset();
        QTRY_VERIFY(!m_net->isAlive);
        PlantClientDouble again(m_net->serverPort());
        QTRY_VERIFY(m_net->isAlive);
        QCOMPARE(semctl(semid0, 0, GETVAL), 1);
        QTRY_VERIFY(m_net->VUR_UpdateMemory(0));
        // A card name "null" stops copying (and stamping).
        WizardPara::SetText(m_para->netUseName, QStringLiteral("null"));
        std::fill(buf[0].begin() + (kH - 100) * kW, buf[0].end(), 0u);
        m_net->VideoTick();
        QVERIFY(std::all_of(buf[0].begin() + (kH - 100) * kW, buf[0].end(), [](uint32_t v) { return v == 0; }));
    }

    void screenShareAtScreenSize()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 1 2 0 0 6 1 10000")));
        gShowW = 1024;
        gShowH = 768;
        m_net = StartLink(m_dir->path(), nullptr);
        m_net->VUR_FirstInit();
        QCOMPARE(m_net->videoShares().shares().size(), size_t(1));
        QCOMPARE(m_net->videoShares().shares().at(0).size, 1179648);
        // A picture of another size never reaches the segment.
        PlantClientDouble client(m_net->serverPort());
        QTRY_VERIFY(m_net->isAlive);
        QImage wrong(800, 600, QImage::Format_RGB32);
        wrong.fill(Qt::white);
        QVERIFY(!m_net->VUR_UpdateMemory(0, wrong));
        QImage right(1024, 768, QImage::Format_RGB888);
        right.fill(Qt::white);
        QVERIFY(m_net->VUR_UpdateMemory(0, right));
    }

    // Clients that leave before acknowledging must not pile up share lists
    // for the next one.
    void shortConnectionsLeaveOneShareList()
    {
        QVERIFY(SetVurNetRow(QStringLiteral("1 1 2 0 0 6 1 10000")));
        m_net = StartLink(m_dir->path(), nullptr);
        m_net->VUR_FirstInit();
        for (int i = 0; i < 20; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, m_net->serverPort());
            QVERIFY(s.waitForConnected(5000));
            QTRY_VERIFY(m_net->isAlive);
            s.abort();
            QTRY_VERIFY(!m_net->isAlive);
        }
        QCOMPARE(m_net->pendingCount(), 1);
        PlantClientDouble client(m_net->serverPort());
        QTRY_COMPARE(m_net->pendingCount(), 0);
        QTRY_VERIFY(client.types().contains(VurFrame::TypeMemoryInfo));
        QCOMPARE(client.types().count(VurFrame::TypeMemoryInfo), 1);
    }

private:
    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<WizardPara> m_para;
    std::unique_ptr<VUR_Net> m_net;
};

MOJU_TEST_MAIN(TestPlantVideo)
#include "test_plant_video.moc"
