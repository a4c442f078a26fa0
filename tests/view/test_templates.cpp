// The template library from the editor column: a template added from the
// live image of an alarm, written in the one BMP form; deleting one and all;
// a full library, a smaller one and stray files in its folder.
#include "ViewRig.h"

#include "foundation/MainGlobals.h"
#include "records/SaveFialImageThread.h"
#include "foundation/uitext.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "view/TemplateLibrary.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <QDir>
#include <QFile>

namespace {
QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file of the library, written at a given age (older files first).
void PutFile(const QString& path, int minutesAgo)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("BM");
    f.flush();  // a later flush would stamp the file again
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo), QFileDevice::FileModificationTime));
}

struct Column {
    explicit Column(ViewRig& rig)
    {
        rig.host.state.selCamera = 0;
        column = new DrawROIWidget;
        rig.host.column = column;
    }
    ~Column() { delete column; }
    DrawROIWidget* column = nullptr;
};
}  // namespace

class TestTemplates : public QObject {
    Q_OBJECT
private slots:
    void addingFromTheAlarmsLiveImage_data()
    {
        QTest::addColumn<bool>("colour");
        QTest::newRow("grey camera") << false;
        QTest::newRow("colour camera") << true;
    }
    void addingFromTheAlarmsLiveImage()
    {
        QFETCH(bool, colour);
        ViewRig rig(1, 2, 3, colour);
        Column col(rig);
        CammerWidget* w = rig.widget();
        cv::RNG rng(7);
        rng.fill(cv::Mat(1, int(w->workBuffer.size()), CV_8UC1, w->workBuffer.data()), cv::RNG::UNIFORM, 0, 256);
        if (colour)  // RGB32 frames are opaque
            for (size_t i = 3; i < w->workBuffer.size(); i += 4)
                w->workBuffer[i] = 0xFF;
        rig.host.state.verdictState = VerdictAlarm;
        rig.host.state.curStep = 1;
        rig.host.state.imageDecision[0][1] = 3;
        col.column->Reset(false);
        QCOMPARE(gSource, 1);
        PopupAnswerer answers;

        // The alarm camera only, with the safety door open when that is the rule.
        col.column->SlotAddTemp();
        QCOMPARE(answers.seen().value(0).text, LanStr(107));
        w->cameraOK = 0;
        rig.para.doorClearsAlarm = 1;
        rig.host.doorOpen = false;
        col.column->SlotAddTemp();
        QCOMPARE(answers.seen().value(1).text, LanStr(195));
        rig.host.doorOpen = true;
        answers.clear();
        col.column->SlotAddTemp();
        QCOMPARE(answers.seen().value(0).text, LanStr(108));
        QCOMPARE(rig.host.log, QStringList{LanStr(109).arg(1)});

        // Slot 1 of the alarm's step, on disk as the toolkit writes a frame.
        QCOMPARE(w->templateNum[1], 2);
        QCOMPARE(int(w->templateUsed[1][1]), 1);
        FrameBytes held(w->workBuffer.size());
        QVERIFY(w->TemplateFrame(1, 1, held));
        QVERIFY(held == w->workBuffer);
        const QString ours = w->GroupFile(1, QStringLiteral("template1.bmp"));
        cv::Mat ref;
        if (colour)
            cv::cvtColor(cv::Mat(ViewRig::kH, ViewRig::kW, CV_8UC4, w->workBuffer.data()), ref, cv::COLOR_BGRA2BGR);
        else
            ref = cv::Mat(ViewRig::kH, ViewRig::kW, CV_8UC1, w->workBuffer.data());
        QVERIFY(cv::imwrite("ref.bmp", ref));
        const QByteArray a = Bytes(ours);
        const QByteArray b = Bytes(QStringLiteral("ref.bmp"));
        QCOMPARE(a.size(), b.size());
        QCOMPARE(a.mid(10, 16), b.mid(10, 16));  // data offset, header size, width, height
        QCOMPARE(a.mid(28, 2), b.mid(28, 2));    // bits per pixel
        QCOMPARE(a.mid(54), b.mid(54));          // palette and padded rows
        // Read back into a fresh slot as the widget loads templates.
        w->LoadTemplates();
        FrameBytes reread(w->workBuffer.size());
        QVERIFY(w->TemplateFrame(1, 1, reread));
        QVERIFY(reread == held);
        // Written again from the slot it was read into: the same file.
        QVERIFY(TemplateLibrary::Write(*w, 1, 1));
        QCOMPARE(Bytes(ours), a);

        // The alarm: skipped in this step for this camera, judged again.
        QVERIFY(w->skipStep[1]);
        QCOMPARE(rig.host.state.imageDecision[0][1], 5);
        QCOMPARE(rig.host.rejudged, QList<int>{0});
    }

    void deletingOneAndAll()
    {
        ViewRig rig(2, 2, 4);
        Column col(rig);
        col.column->Reset(false);
        CammerWidget* w = rig.widget();
        for (int k = 1; k <= 2; ++k) {
            QCOMPARE(TemplateLibrary::TakeSlot(*w, 0), k);
            QVERIFY(w->SetTemplate(0, k, w->workBuffer));
            QVERIFY(TemplateLibrary::Write(*w, 0, k));
        }
        // Strays: none of the library's, whatever they are called.
        PutFile(w->GroupFile(0, QStringLiteral("template-old.bmp")), 5);
        PutFile(w->GroupFile(0, QStringLiteral("template01.bmp")), 5);
        PutFile(w->GroupFile(0, QStringLiteral("template3.bmp.txt")), 5);
        QDir().mkpath(w->GroupFile(0, QStringLiteral("template3.bmp")));
        QCOMPARE(TemplateLibrary::ExtraTemplatesByAge(QFileInfo(w->GroupFile(0, QStringLiteral("x"))).path()).size(), 2);

        PopupAnswerer answers;
        col.column->SlotTempDeleteCur();  // template 0 is shown
        QCOMPARE(answers.seen().value(0).text, LanStr(68));
        col.column->SlotTempNext();
        QCOMPARE(w->templateIndex, 1);
        col.column->SlotTempDeleteCur();
        QCOMPARE(w->templateNum[0], 2);
        QCOMPARE(int(w->templateUsed[0][1]), 0);
        QVERIFY(!QFile::exists(w->GroupFile(0, QStringLiteral("template1.bmp"))));
        QCOMPARE(w->templateIndex, 2);  // on to the next template
        QCOMPARE(rig.host.log.last(), LanStr(70).arg(1).arg(2));
        col.column->SlotTempNext();
        QCOMPARE(w->templateIndex, 0);  // wraps past the free slots

        col.column->SlotTempDeleteAll();
        QCOMPARE(rig.host.log.last(), LanStr(71));
        QCOMPARE(w->templateNum[0], 1);
        QCOMPARE(int(w->templateUsed[0][0]), 1);
        QVERIFY(QFile::exists(w->GroupFile(0, QStringLiteral("template0.bmp"))));  // kept by name
        QVERIFY(!QFile::exists(w->GroupFile(0, QStringLiteral("template2.bmp"))));
        QVERIFY(QFile::exists(w->GroupFile(0, QStringLiteral("template-old.bmp"))));
        QVERIFY(QFile::exists(w->GroupFile(0, QStringLiteral("template01.bmp"))));
        QVERIFY(col.column->templatesChanged(0) && col.column->templatesChanged(1));
        // Only template 0 left: browsing stays on it.
        col.column->SlotTempNext();
        QCOMPARE(w->templateIndex, 0);
    }

    void aFullLibraryReplacesTheOldestButTemplateZero()
    {
        ViewRig rig(1, 2, 3);
        CammerWidget* w = rig.widget();
        for (int k = 1; k <= 2; ++k)
            QCOMPARE(TemplateLibrary::TakeSlot(*w, 0), k);
        PutFile(w->GroupFile(0, QStringLiteral("template0.bmp")), 90);  // oldest of all
        PutFile(w->GroupFile(0, QStringLiteral("template2.bmp")), 60);
        PutFile(w->GroupFile(0, QStringLiteral("template1.bmp")), 30);
        QCOMPARE(TemplateLibrary::TakeSlot(*w, 0), 2);
        QCOMPARE(w->templateNum[0], 3);

        // The library was made smaller: a file beyond the slots goes, the last slot is used.
        PutFile(w->GroupFile(0, QStringLiteral("template7.bmp")), 120);
        QCOMPARE(TemplateLibrary::TakeSlot(*w, 0), 2);
        QVERIFY(!QFile::exists(w->GroupFile(0, QStringLiteral("template7.bmp"))));

        // Files gone behind the program's back: still never template 0.
        QFile::remove(w->GroupFile(0, QStringLiteral("template1.bmp")));
        QFile::remove(w->GroupFile(0, QStringLiteral("template2.bmp")));
        QCOMPARE(TemplateLibrary::TakeSlot(*w, 0), 2);
    }

    void browsingRecordPictures()
    {
        ViewRig rig(1, 2, 3);
        Column col(rig);
        col.column->Reset(false);
        RecordState& rec = col.column->recordState();
        rec.picture = QImage(4, 4, QImage::Format_RGB32);  // left from another folder
        col.column->setSource(3);
        QCOMPARE(rec.count, 0);
        QVERIFY(rec.picture.isNull());
        col.column->SlotTempNext();  // nothing to browse
        QCOMPARE(rec.index, 0);

        const QString folder = ResultFolder(0, 0, 1);
        QDir().mkpath(folder);
        for (const char* name : {"0000000002_b.jpg", "0000000001_a.jpg", "0000000003_c.jpg"}) {
            QImage img(8, 8, QImage::Format_RGB32);
            img.fill(Qt::green);
            QVERIFY(img.save(folder + QLatin1Char('/') + QLatin1String(name)));
        }
        col.column->setSource(4);
        col.column->setSource(3);
        QCOMPARE(rec.count, 3);
        QCOMPARE(rec.name, QStringLiteral("0000000003_c"));  // the newest first
        QVERIFY(!rec.picture.isNull());
        col.column->SlotTempNext();
        QCOMPARE(rec.name, QStringLiteral("0000000002_b"));
        col.column->SlotTempLast();
        col.column->SlotTempLast();
        QCOMPARE(rec.name, QStringLiteral("0000000001_a"));  // wraps
    }

    void addingNeedsRoomAndSayWhere()
    {
        ViewRig rig(1, 2, 1);
        Column col(rig);
        col.column->Reset(false);
        gSource = 2;
        PopupAnswerer answers;
        col.column->SlotAddTemp();
        QCOMPARE(answers.seen().value(0).text, LanStr(258));
        QCOMPARE(rig.widget()->templateNum[0], 1);
    }

    void addingFromTheRingNeedsAPictureAndAFile_data()
    {
        QTest::addColumn<bool>("colour");
        QTest::newRow("grey") << false;
        QTest::newRow("colour") << true;
    }

    // From the recent NG pictures: an empty ring gives no (black) template,
    // the kept frame becomes the template pixel for pixel once the ring has
    // compressed it, and a file that cannot be written takes no slot and
    // logs no addition.
    void addingFromTheRingNeedsAPictureAndAFile()
    {
        QFETCH(bool, colour);
        ViewRig rig(1, 2, 3, colour);
        Column col(rig);
        col.column->Reset(false);
        gSource = 2;
        CammerWidget* w = rig.widget();
        QVERIFY(w->EnsureGroupBuffers(0));
        const QString slot1 = w->GroupFile(0, QStringLiteral("template1.bmp"));
        PopupAnswerer answers;
        col.column->SlotAddTemp();
        QCOMPARE(answers.seen().size(), 1);  // refused before anything is asked
        QCOMPARE(answers.seen().first().text, LanStr(1116));
        QCOMPARE(w->templateNum[0], 1);
        QVERIFY(!QFile::exists(slot1));
        QVERIFY(rig.host.log.isEmpty());

        FrameBytes& judged = w->judgedFrame();
        for (size_t i = 0; i < judged.size(); ++i)
            judged[i] = (colour && i % 4 == 3) ? 0xFF : uint8_t((i * 2654435761u) >> 13);
        const FrameBytes kept = judged;
        w->KeepRecentNg(0);
        QCOMPARE(w->recentNgCount[0], 1);
        w->recentNg.WaitCompressed();
        std::fill(judged.begin(), judged.end(), uint8_t(0));
        w->ringPosition = 0;
        col.column->SlotAddTemp();
        QCOMPARE(w->templateNum[0], 2);
        QVERIFY(QFile::exists(slot1));
        FrameBytes slot(kept.size());
        QVERIFY(w->TemplateFrame(0, 1, slot));
        QVERIFY(slot == kept);
        QCOMPARE(rig.host.log, QStringList{LanStr(109).arg(1)});

        // Slot 2's file cannot be made (a folder stands in its place).
        QVERIFY(QDir().mkpath(w->GroupFile(0, QStringLiteral("template2.bmp"))));
        answers.clear();
        col.column->SlotAddTemp();
        QVERIFY(answers.seen().last().text.startsWith(LanStr(1115).section(QStringLiteral("%1"), 0, 0)));
        QCOMPARE(w->templateNum[0], 2);
        QCOMPARE(int(w->templateUsed[0][2]), 0);
        QCOMPARE(rig.host.log.size(), 1);
    }
};

MOJU_TEST_MAIN(TestTemplates)
#include "test_templates.moc"
