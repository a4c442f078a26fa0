// The plant link's pieces without a socket: the wire format against the
// written protocol, reply parsing, the send queue's timing rules, message
// bodies, the statistics and stop records with their files, network cards.
#include "PlantLinkFixture.h"

#include "network/NetCard.h"
#include "network/VUR_Frame.h"
#include "network/VUR_Messages.h"
#include "network/VUR_Path_ManualStop.h"
#include "network/VUR_Path_Remind.h"
#include "network/VUR_Path_Statistics.h"
#include "network/VUR_Reply.h"
#include "network/VUR_ReplyGatherer.h"
#include "network/VUR_SendQueue.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QElapsedTimer>

#include <climits>
#include <limits>

namespace {
QJsonObject Json(const QByteArray& body)
{
    return QJsonDocument::fromJson(body).object();
}

void WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

const int kAll[8] = {100, 100, 0, 0, 0, 0, 0, 0};
const int kFail[8] = {3, 5, 0, 0, 0, 0, 0, 0};

VUR_Path_Statistics::Inputs StatInputs(qint64 now)
{
    VUR_Path_Statistics::Inputs in;
    in.host = QStringLiteral("panel-7");
    in.runState = 1;
    in.nowUtcMs = now;
    in.cameraCount = 2;
    in.all = kAll;
    in.fail = kFail;
    in.cavities = 2;
    in.capacity = 5000;
    in.batch = 42;
    in.productName = "盖子";
    in.lastCycleTime = 123;
    in.ngImage = QStringLiteral("null");
    return in;
}
}  // namespace

class TestPlantRecords : public QObject {
    Q_OBJECT
private slots:
    void framesAreCountedInUtf8Bytes()
    {
        // Written protocol: header "<type>:<length>:..!", then the body, no terminator.
        QCOMPARE(VurFrame::Make(14, QByteArray()), QByteArray("14:0:..!"));
        QCOMPARE(VurFrame::Make(1, QStringLiteral("三个字")), QByteArray("1:9:..!\xE4\xB8\x89\xE4\xB8\xAA\xE5\xAD\x97"));
        // The client's parser takes frames split anywhere and back to back.
        const QByteArray stream = VurFrame::Make(7, QByteArray("{\n}")) + VurFrame::Make(1, QStringLiteral("三个字"));
        VurFrame::Parser p;
        QList<QPair<int, QByteArray>> got;
        for (char c : stream) {
            p.feed(QByteArray(1, c));
            int t;
            QByteArray b;
            while (p.next(&t, &b))
                got.append({t, b});
        }
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0], qMakePair(7, QByteArray("{\n}")));
        QCOMPARE(got[1].second, QStringLiteral("三个字").toUtf8());
    }

    void replies_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("session");
        QTest::newRow("ack") << "/back/ 200\r\n\r\n" << int(VUR_Reply::Ack) << 0;
        QTest::newRow("first line decides") << "x /back/ y\r\nSessionId: 14\r\n\r\n{}" << int(VUR_Reply::Ack) << 0;
        QTest::newRow("heart") << "/heart/\r\n\r\n" << int(VUR_Reply::Heart) << 0;
        QTest::newRow("reline") << "/reline/\r\n\r\n" << int(VUR_Reply::Reline) << 0;
        QTest::newRow("products") << "X\r\nSessionId: 14\r\n\r\n{}" << int(VUR_Reply::Session) << 14;
        QTest::newRow("memos no blank") << "X\r\nSessionId:17\r\n\r\n{}" << int(VUR_Reply::Session) << 17;
        QTest::newRow("three parts") << "X\r\nSessionId: 14: x\r\n\r\n{}" << int(VUR_Reply::Ignored) << 0;
        QTest::newRow("no separator") << "/back/ 200\r\n" << int(VUR_Reply::Ignored) << 0;
        QTest::newRow("two replies") << "/back/\r\n\r\n/back/\r\n\r\n" << int(VUR_Reply::Ignored) << 0;
    }
    void replies()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(int, session);
        const VUR_Reply r = VUR_Reply::Parse(text);
        QCOMPARE(int(r.kind), kind);
        QCOMPARE(r.session, session);
        if (session)
            QCOMPARE(r.body, QStringLiteral("{}"));
    }

    void replyPieces_data()
    {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QList<int>>("atMs");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<bool>("dropsSome");
        const QByteArray answer = "X\r\nSessionId: 14\r\n\r\n";
        QTest::newRow("one read") << QByteArrayList{"/back/ 200\r\n\r\n"} << QList<int>{0}
                                  << QByteArrayList{"/back/ 200\r\n\r\n"} << false;
        QTest::newRow("answer in three reads")
            << QByteArrayList{answer + "{\"a\":\"}", "\\\"{\",\"b\":[1,", "2]} "} << QList<int>{0, 5, 10}
            << QByteArrayList{answer + "{\"a\":\"}\\\"{\",\"b\":[1,2]} "} << false;
        QTest::newRow("header, then body") << QByteArrayList{answer, "{}"} << QList<int>{0, 1}
                                           << QByteArrayList{answer + "{}"} << false;
        QTest::newRow("header cut") << QByteArrayList{"/hea", "rt/\r\n\r\n"} << QList<int>{0, 1}
                                    << QByteArrayList{"/heart/\r\n\r\n"} << false;
        QTest::newRow("a NUL ends it") << QByteArrayList{answer + "{\"a\":1", QByteArray("\0rest", 5)} << QList<int>{0, 1}
                                       << QByteArrayList{answer + "{\"a\":1"} << false;
        QTest::newRow("replies in one read are each handed on")
            << QByteArrayList{"/back/\r\n\r\n/back/ 200\r\n\r\n" + answer + "{}/hea", "rt/\r\n\r\n"} << QList<int>{0, 1}
            << QByteArrayList{"/back/\r\n\r\n", "/back/ 200\r\n\r\n", answer + "{}", "/heart/\r\n\r\n"} << false;
        QTest::newRow("left waiting too long") << QByteArrayList{answer + "{", "/heart/\r\n\r\n"}
                                               << QList<int>{0, int(VUR_ReplyGatherer::kPieceGapMs) + 1}
                                               << QByteArrayList{"/heart/\r\n\r\n"} << true;
        // A read that starts a reply of its own ends the part held before it,
        // which goes on as it stands; the replies after it are not swallowed.
        QTest::newRow("empty answer, then an ack") << QByteArrayList{answer, "/back/ 200\r\n\r\n"} << QList<int>{0, 1}
                                                   << QByteArrayList{answer, "/back/ 200\r\n\r\n"} << false;
        QTest::newRow("answer cut off, then replies")
            << QByteArrayList{answer + "{\"a\":", "/heart/\r\n\r\n", answer + "[1]"} << QList<int>{0, 1, 2}
            << QByteArrayList{answer + "{\"a\":", "/heart/\r\n\r\n", answer + "[1]"} << false;
        QTest::newRow("header cut off, then an ack") << QByteArrayList{"X\r\nSessionId: 1", "/back/\r\n\r\n"} << QList<int>{0, 1}
                                                     << QByteArrayList{"X\r\nSessionId: 1", "/back/\r\n\r\n"} << false;
        QTest::newRow("body naming a reply stays in the body")
            << QByteArrayList{answer + "{\"a\":", "\"/back/\"\r\n\r\n}"} << QList<int>{0, 1}
            << QByteArrayList{answer + "{\"a\":\"/back/\"\r\n\r\n}"} << false;
        QTest::newRow("escape at the end of a read") << QByteArrayList{answer + "{\"a\":\"\\", "\"}\"", "}"} << QList<int>{0, 1, 2}
                                                     << QByteArrayList{answer + "{\"a\":\"\\\"}\"}"} << false;
        QByteArrayList huge{answer + "["};
        QList<int> at{0};
        for (int i = 0; i * 65535 <= VUR_ReplyGatherer::kMaxBytes; ++i) {
            huge << QByteArray(65535, '1');
            at << i;
        }
        QTest::newRow("over the cap") << huge << at << QByteArrayList{} << true;
    }

    // A reply is handed on whole once its header has ended and, for an
    // answer, its JSON body has closed, over as many reads as it takes.
    void replyPieces()
    {
        QFETCH(QByteArrayList, pieces);
        QFETCH(QList<int>, atMs);
        VUR_ReplyGatherer g;
        QByteArrayList replies;
        qint64 dropped = 0;
        for (int i = 0; i < pieces.size(); ++i) {
            qint64 lost = 0;
            replies << g.add(pieces[i], atMs[i], &lost);
            dropped += lost;
        }
        QTEST(replies, "replies");
        QTEST(dropped > 0, "dropsSome");
    }

    // Whole and cut-off replies split into reads at random places: each is
    // handed on once, in order, and says what it said when sent.
    void replyPiecesAtRandom()
    {
        QRandomGenerator random(60);
        const QByteArrayList inString{"a", "{", "}", "[", "]", ":", ",", "/", " ", "字", "\\\"", "\\\\"};
        const auto answer = [&] {
            QByteArray open, close, text = "\"";
            for (int d = random.bounded(4); d >= 0; --d) {
                const bool object = random.bounded(2);
                open += object ? "{\"k\":" : "[";
                close.prepend(object ? " ,\r\n\"\"}" : "]");
            }
            for (int m = random.bounded(8); m > 0; --m)
                text += inString[random.bounded(int(inString.size()))];
            return QByteArray(random.bounded(2) ? "/product/" : "x /memo/") + "\r\nSessionId: 1"
                 + QByteArray::number(4 + 3 * random.bounded(2)) + "\r\n\r\n" + open + text + '"' + close;
        };
        for (int round = 0; round < 200; ++round) {
            QList<QByteArray> sent;
            QByteArrayList reads;
            for (int r = 0; r < 12; ++r) {
                const int kind = random.bounded(5);
                QByteArray text = kind == 0 ? "/back/ 200\r\n\r\n" : kind == 1 ? "/heart/\r\n\r\n" : answer();
                // After a cut-off reply only a read holding the next one's
                // header can tell that a new reply began.
                const bool afterCut = !sent.isEmpty() && !VUR_ReplyGatherer::Whole(sent.last());
                const int body = int(text.indexOf("\r\n\r\n")) + 4;
                if (random.bounded(4) == 0 && (!afterCut || body < text.size()))
                    text.truncate(afterCut ? body + random.bounded(int(text.size()) - body) : random.bounded(int(text.size())));
                if (text.isEmpty())
                    continue;
                sent << text;
                for (int at = 0, n = 0; at < text.size(); at += n) {
                    n = afterCut && at == 0 ? body : 1;
                    n += random.bounded(int(text.size()) - at - n + 1);
                    reads << text.mid(at, n);
                }
            }
            VUR_ReplyGatherer g;
            QByteArrayList got;
            qint64 lost = 0;
            for (const QByteArray& read : reads + QByteArrayList{"/heart/\r\n\r\n"}) {
                got << g.add(read, 0, &lost);
                QCOMPARE(lost, 0);
            }
            // A cut may leave a piece of header on its own: it says nothing.
            const auto said = [](const QList<QByteArray>& texts) {
                QStringList out;
                for (const QByteArray& t : texts) {
                    const VUR_Reply r = VUR_Reply::Parse(QString::fromUtf8(t));
                    if (r.kind != VUR_Reply::Ignored)
                        out << QString::number(r.kind) + '/' + QString::number(r.session) + '/' + r.body;
                }
                return out;
            };
            QCOMPARE(said(got), said(sent << "/heart/\r\n\r\n"));
        }
    }

    // Each byte of a long answer is looked at once, not once per read.
    void longAnswerInSmallReadsIsQuick()
    {
        VUR_ReplyGatherer g;
        QElapsedTimer timer;
        timer.start();
        qint64 lost = 0;
        QByteArrayList got = g.add("X\r\nSessionId: 17\r\n\r\n[", 0, &lost);
        for (int i = 0; i < 4000; ++i)
            got << g.add(QByteArray(256, '1'), 0, &lost);
        got << g.add("]", 0, &lost);
        QCOMPARE(got.size(), 1);
        QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    }

    void queueWritesTwiceThenDrops()
    {
        VUR_SendQueue q;
        q.append(1, "A");
        q.append(1, "B");
        QCOMPARE(q.due(1000), QByteArray("A"));
        QCOMPARE(q.due(5999), QByteArray());    // still waiting for the answer
        QCOMPARE(q.due(6000), QByteArray("A"));  // second write after 5 s
        bool dropped = false;
        QCOMPARE(q.due(10999, &dropped), QByteArray());
        QCOMPARE(q.due(11000, &dropped), QByteArray("B"));  // A given up 10 s after its first write
        QVERIFY(dropped);
        q.acknowledge();
        QCOMPARE(q.size(), 0);
        // A late acknowledgement never takes the next frame unsent.
        q.append(1, "C");
        q.acknowledge();
        QCOMPARE(q.due(12000), QByteArray("C"));
        // A client that leaves gets the frame in flight again on its return.
        q.restart();
        QCOMPARE(q.due(12001), QByteArray("C"));
    }

    void fullQueueDropsOldStatisticsFirst()
    {
        VUR_SendQueue q(3);
        q.append(1, "log");
        QCOMPARE(q.due(0), QByteArray("log"));  // in flight: never dropped
        q.append(7, "stat-old");
        q.append(18, "cycle");
        QCOMPARE(q.append(7, "stat-new"), 7);
        QCOMPARE(q.types(), (QList<int>{1, 18, 7}));
        QCOMPARE(q.append(1, "more"), 7);
        QCOMPARE(q.append(1, "last"), 18);  // no statistics left to drop: the oldest waiting one
        QCOMPARE(q.types(), (QList<int>{1, 1, 1}));
    }

    void keyValueTextsAreSentAsTheyStand()
    {
        QCOMPARE(VurMessages::Record(QStringLiteral("机台一"), QStringLiteral("Primary"), 1700000000123,
                                     QStringLiteral("a=b&c")),
                 QStringLiteral("device_id=机台一&operater=Primary&utc=1700000000123&description=a=b&c").toUtf8());
        WizardPara p;
        WizardPara::SetText(p.netMsgTechName, QStringLiteral("Li"));
        WizardPara::SetText(p.netMsgTechNum, QStringLiteral("139"));
        QCOMPARE(VurMessages::TelInfo(QStringLiteral("m1"), 0, 3, p),
                 QByteArray("device_id=m1&check_id=1&product_count=3&worker_name=Li&mobile=139"));
        QCOMPARE(VurMessages::DelTempPic(QStringLiteral("m1"), 2, 1, QStringLiteral("template3.bmp"), 5, "--"),
                 QByteArray("deviceId=m1&cameraId=2&detectId=1&template=template3.bmp&utc=5&operator=--"));
        // JSON carries the host name in Latin-1.
        QCOMPARE(Json(VurMessages::RunState(QStringLiteral("机台é"), 1, 9)).value(QStringLiteral("device_id")).toString(),
                 QStringLiteral("??é"));
        QVERIFY(VurMessages::RunState(QStringLiteral("m"), 0, 9).isEmpty());
    }

    // A "%" and a digit in a typed name is text: it never takes a later value.
    void percentSignsInNamesStayAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("product %4") << QStringLiteral("ABS%4");
        QTest::newRow("product %2") << QStringLiteral("P%2x");
        QTest::newRow("localised %L2") << QStringLiteral("n%L2");
        QTest::newRow("other script digit") << QStringLiteral("m%\u0663");
        QTest::newRow("template %5") << QStringLiteral("t%5");
        QTest::newRow("only %1") << QStringLiteral("%1");
    }
    void percentSignsInNamesStayAsTyped()
    {
        QFETCH(QString, name);
        const QByteArray n = name.toUtf8();
        QCOMPARE(VurMessages::NgVideo(QStringLiteral("m1"), 1, n, 1),
                 "device_id=m1&camera_id=1&product=" + n + "&isng=1");
        QCOMPARE(VurMessages::DelTempPic(QStringLiteral("m1"), 2, 1, name, 99, "op"),
                 "deviceId=m1&cameraId=2&detectId=1&template=" + n + "&utc=99&operator=op");
        WizardPara p;
        WizardPara::SetText(p.netMsgTechName, name);
        QCOMPARE(VurMessages::TelInfo(QStringLiteral("m1"), 0, 3, p),
                 "device_id=m1&check_id=1&product_count=3&worker_name=" + n + "&mobile=");
    }

    void parametersNeverCarryThePassword()
    {
        WizardPara p;
        WizardPara::SetText(p.password, QStringLiteral("secret"));
        p.netAddr[0] = 192, p.netAddr[1] = 168, p.netAddr[2] = 1, p.netAddr[3] = 10;
        p.minSpot = 7;
        p.exposure[6] = 33;
        char serials[8][100] = {};
        qstrcpy(serials[6], "SN-7");
        const QByteArray body = VurMessages::Param(p, 2, QStringLiteral("m1"), {kAll, kFail}, serials);
        const QJsonObject o = Json(body);
        QVERIFY(!body.contains("secret"));
        QCOMPARE(o.value(QStringLiteral("password")).toString(), QString());
        QCOMPARE(o.value(QStringLiteral("language")).toInt(), 2);
        QCOMPARE(o.value(QStringLiteral("local_addr_1")).toString(), QStringLiteral("192.168.1.10"));
        QCOMPARE(o.value(QStringLiteral("min_spot")).toInt(), 7);
        QCOMPARE(o.value(QStringLiteral("enable_stop_check")).toInt(), 7);
        const QJsonObject cam7 = o.value(QStringLiteral("camera")).toArray().at(6).toObject();
        QCOMPARE(cam7.value(QStringLiteral("camera_id")).toString(), QStringLiteral("7"));
        QCOMPARE(cam7.value(QStringLiteral("expose_time")).toInt(), 33);
        QCOMPARE(cam7.value(QStringLiteral("camera_serial")).toString(), QStringLiteral("SN-7"));
        QVERIFY(body.startsWith("{\n\t\"device_id\":\t\"m1\",\n\t\"finished_product_detect\":"));
        QCOMPARE(o.keys().size(), 68);
    }

    void roiSetsByShape()
    {
        CammerSingleton set(2);
        set.count[1] = 4;
        set.roi_type[1][0] = CammerSingleton::kRect;
        set.rect[1][0] = ClustomRect(10, 20, 110, 220);
        set.roi_type[1][1] = CammerSingleton::kCircle;
        set.circle[1][1] = Circle(300, 310, 200, 3);
        set.roi_type[1][2] = CammerSingleton::kPolygon;
        const QPoint pts[3] = {{1, 2}, {3, 4}, {5, 6}};
        set.polygon[1][2] = RePolygon(3, pts);
        set.roi_type[1][3] = 9;
        set.output_point[1] = 3;
        const QJsonObject o = Json(VurMessages::RoiSet(QStringLiteral("m1"), set, 1));
        QCOMPARE(o.value(QStringLiteral("camera_id")).toString(), QStringLiteral("3"));
        QCOMPARE(o.value(QStringLiteral("detect")).toInt(), 2);
        const QJsonArray rois = o.value(QStringLiteral("roi")).toArray();
        QCOMPARE(rois.size(), 4);
        const QJsonObject rect = rois[0].toObject(), circle = rois[1].toObject(), poly = rois[2].toObject(),
                          other = rois[3].toObject();
        QCOMPARE(rect.value(QStringLiteral("roi_type")).toInt(), 0);
        QCOMPARE(rect.value(QStringLiteral("top_1_x")).toInt(), 110);
        QCOMPARE(rect.value(QStringLiteral("top_1_y")).toInt(), 220);
        QCOMPARE(circle.value(QStringLiteral("roi_type")).toInt(), 1);
        QCOMPARE(circle.value(QStringLiteral("top_point_count")).toInt(), 1);
        QCOMPARE(circle.value(QStringLiteral("top_0_x")).toInt(), 300);
        // Radii as the stored word holds them: inner x 65536 + outer.
        QCOMPARE(circle.value(QStringLiteral("out_r")).toInt(), 200);
        QCOMPARE(circle.value(QStringLiteral("in_r")).toInt(), 3);
        QCOMPARE(circle.value(QStringLiteral("output_point")).toInt(), 3);
        QCOMPARE(poly.value(QStringLiteral("top_point_count")).toInt(), 3);
        QCOMPARE(poly.value(QStringLiteral("top_2_y")).toInt(), 6);
        QCOMPARE(other.value(QStringLiteral("roi_type")).toInt(), -1);
        QVERIFY(!other.contains(QStringLiteral("top_0_x")));
        QCOMPARE(Json(VurMessages::RoiSet(QStringLiteral("m1"), set, 5)).value(QStringLiteral("roi")).toArray().size(), 0);
    }

    void cycleResultsGroupByCameraAndStep()
    {
        WizardPara p;
        VurMessages::CycleInfo info;
        info.utcMs = 77;
        info.runState = 1;
        info.trigger = 2;
        info.ng = true;
        info.cameraCount = 2;
        QList<param_roi> list = {{0, 0, 0, 1, 5, 0, 10, 1}, {1, 0, 3, 0, 50, 0, 10, 0}, {0, 0, 1, 1, 6, 0, 10, 1},
                                 {0, 5, 0, 1, 1, 0, 1, 1} /* group 6: never sent */,
                                 {2, 0, 0, 1, 1, 0, 1, 1} /* no such camera */};
        const QJsonObject o = Json(VurMessages::CycleResult(QStringLiteral("m1"), info, p, {kAll, kFail}, list));
        QCOMPARE(o.value(QStringLiteral("detect_method")).toString(), QStringLiteral("安全门"));
        QCOMPARE(o.value(QStringLiteral("state")).toString(), QStringLiteral("正在检测"));
        QCOMPARE(o.value(QStringLiteral("result")).toInt(), 1);
        const QJsonArray cams = o.value(QStringLiteral("array")).toArray();
        QCOMPARE(cams.size(), 2);
        const QJsonObject c1 = cams[0].toObject();
        QCOMPARE(c1.value(QStringLiteral("device_ng")).toInt(), 3);
        const QJsonArray rois = c1.value(QStringLiteral("detect_array")).toArray()[0].toObject().value(QStringLiteral("roi_array")).toArray();
        QCOMPARE(rois.size(), 2);
        QCOMPARE(rois[1].toObject().value(QStringLiteral("roi_id")).toInt(), 2);
        QCOMPARE(cams[1].toObject().value(QStringLiteral("camera_id")).toInt(), 2);
        info.trigger = 0;
        QCOMPARE(Json(VurMessages::CycleResult(QStringLiteral("m1"), info, p, {kAll, kFail}, {}))
                     .value(QStringLiteral("detect_method")).toString(), QString());
    }

    void statisticsTotalsAndRates()
    {
        TempWorkDir wd(false);
        VUR_Path_Statistics s;
        s.Load(1000);
        s.AddAlarm(1, 0, 4);
        s.AddAlarm(1, 0, 4);
        s.AddAlarm(9, 0, 0);  // no such camera: not counted
        for (int i = 0; i < 101; ++i)
            s.AddNgTime(i == 0 ? 100000 : 100);
        const QJsonObject o = Json(s.Compose(StatInputs(61000)));
        QCOMPARE(o.value(QStringLiteral("watch_count_total")).toInt(), 100);
        QCOMPARE(o.value(QStringLiteral("ng_count_total")).toInt(), 5);
        QCOMPARE(o.value(QStringLiteral("ng_notification_rate")).toInt(), 500);
        QCOMPARE(o.value(QStringLiteral("real_produce")).toInt(), 190);
        QCOMPARE(o.value(QStringLiteral("watch_circle")).toInt(), 12300);
        QCOMPARE(o.value(QStringLiteral("utc_watch_total")).toInt(), 60000);
        QCOMPARE(o.value(QStringLiteral("product_name")).toString(), QStringLiteral("盖子"));
        const QJsonArray ng = o.value(QStringLiteral("camera")).toObject().value(QStringLiteral("ng")).toArray();
        QCOMPARE(ng.size(), 1);
        const QJsonObject cam = ng[0].toObject();
        QCOMPARE(cam.value(QStringLiteral("camera_id")).toString(), QStringLiteral("2"));
        // 101 durations: the oldest (100000) leaves, the other 100 average 100.
        QCOMPARE(cam.value(QStringLiteral("average_monitor_period")).toInt(), 100);
        const QJsonObject det = cam.value(QStringLiteral("ng_monitors")).toArray()[0].toObject();
        QCOMPARE(det.value(QStringLiteral("ok_rate")).toInt(), 9500);
        QCOMPARE(det.value(QStringLiteral("not_ok_rate")).toInt(), 500);
        QCOMPARE(det.value(QStringLiteral("alarm")).toArray()[0].toObject().value(QStringLiteral("alarm_result")).toInt(), 2);
        // A camera without cycles has rates 0, and rates do not overflow.
        const int all[8] = {0, 2000000000}, fail[8] = {0, 1999999999};
        VUR_Path_Statistics::Inputs in = StatInputs(61000);
        in.all = all;
        in.fail = fail;
        s.AddAlarm(0, 1, 0);
        const QJsonArray ng2 = Json(s.Compose(in)).value(QStringLiteral("camera")).toObject().value(QStringLiteral("ng")).toArray();
        QCOMPARE(ng2[0].toObject().value(QStringLiteral("ng_monitors")).toArray()[0].toObject().value(QStringLiteral("ok_rate")).toInt(), 0);
        QCOMPARE(ng2[1].toObject().value(QStringLiteral("ng_monitors")).toArray()[0].toObject().value(QStringLiteral("not_ok_rate")).toInt(), 9999);
    }

    void statisticsFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<QList<int>>("cameras");
        const QByteArray top = "\"product_name\":\"p\",\"product_serial\":\"1\",\"products_num\":1,\"start_utc\":5,\"real_produce\":1,"
                               "\"utc_watch_total\":1,\"total_stop_alarm_timelen\":7,\"watch_count_total\":1,\"ng_count_total\":0,"
                               "\"ng_notification_rate\":0,";
        const QByteArray cam = "{\"camera_id\":\"%1\",\"disalarm_timeout_time\":1,\"last_monitor_period\":1,%2\"average_monitor_period\":1}";
        auto camera = [&](int id, bool whole) {
            return QByteArray(cam).replace("%1", QByteArray::number(id)).replace("%2", whole ? "\"now_monitor_period\":1," : "");
        };
        QTest::newRow("no watch_circle: removed") << QByteArray("{" + top.chopped(1) + "}") << false << QList<int>{};
        QTest::newRow("second camera broken") << QByteArray("{" + top + "\"watch_circle\":1,\"camera\":{\"ng\":[" + camera(1, true) + "," + camera(2, false) + "]}}")
                                              << true << QList<int>{0};
        QTest::newRow("camera 9 not taken") << QByteArray("{" + top + "\"watch_circle\":1,\"camera\":{\"ng\":[" + camera(9, true) + "," + camera(3, true) + "]}}")
                                            << true << QList<int>{2};
        QByteArray big = "{" + top + "\"watch_circle\":1,\"pad\":\"" + QByteArray(9000, 'x') + "\",\"camera\":{\"ng\":[" + camera(4, true) + "]}}";
        QTest::newRow("longer than 8192 bytes") << big << true << QList<int>{3};
        QTest::newRow("not JSON: kept") << QByteArray("{oops") << true << QList<int>{};
        // Numbers beyond what the file can hold exactly read as damage, like a missing member.
        QTest::newRow("start_utc 1e90: removed")
            << QByteArray("{" + QByteArray(top).replace("\"start_utc\":5", "\"start_utc\":1e90") + "\"watch_circle\":1}")
            << false << QList<int>{};
        QTest::newRow("camera period 9.3e19: the list ends")
            << QByteArray("{" + top + "\"watch_circle\":1,\"camera\":{\"ng\":[" + camera(1, true) + ","
                          + camera(2, true).replace("\"last_monitor_period\":1", "\"last_monitor_period\":9.3e19") + ","
                          + camera(3, true) + "]}}")
            << true << QList<int>{0};
        const QByteArray step = "{\"time\":1,\"ng_sum\":0,\"produce\":0,\"monitor_times\":0,\"ok_num\":0,\"ok_rate\":0,"
                                "\"not_ok_num\":0,\"not_ok_rate\":0,\"alarm\":[{\"alarm_area_num\":-2147483648,"
                                "\"alarm_algorithm_type\":\"x\",\"alarm_result\":1}]}";
        QTest::newRow("alarm area INT_MIN, camera INT_MIN")
            << QByteArray("{" + top + "\"watch_circle\":1,\"camera\":{\"ng\":["
                          + camera(5, true).replace("}", ",\"ng_monitors\":[" + step + "]}") + ","
                          + camera(0, true).replace("\"0\"", "\"-2147483648\"") + "]}}")
            << true << QList<int>{4};
        QTest::newRow("alarm count 1e30 (read at the int limit)")
            << QByteArray("{" + top + "\"watch_circle\":1,\"camera\":{\"ng\":["
                          + camera(6, true).replace("}", ",\"ng_monitors\":[" + QByteArray(step)
                                                              .replace("-2147483648", "3")
                                                              .replace("\"alarm_result\":1", "\"alarm_result\":1e30") + "]}")
                          + "]}}")
            << true << QList<int>{5};
    }
    void statisticsFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, kept);
        QFETCH(QList<int>, cameras);
        TempWorkDir wd(false);
        WriteFile(VUR_Path_Statistics::FilePath(), file);
        VUR_Path_Statistics s;
        s.Load(1000);
        QCOMPARE(QFile::exists(VUR_Path_Statistics::FilePath()), kept);
        QList<int> keys;
        for (const auto& [k, c] : s.cameras)
            keys << k;
        QCOMPARE(keys, cameras);
        // Each stored alarm happens once more; its count never wraps.
        for (const auto& [k, c] : s.cameras)
            for (const auto& [d, det] : c.ng_monitors)
                for (const auto& [r, a] : det.alarm)
                    s.AddAlarm(k, d, r);
        // Whatever the file held, the next message goes out.
        const QByteArray body = s.Compose(StatInputs(2000));
        QVERIFY(!body.isEmpty());
        for (const QJsonValue c : Json(body).value(QStringLiteral("camera")).toObject().value(QStringLiteral("ng")).toArray())
            for (const QJsonValue d : c.toObject().value(QStringLiteral("ng_monitors")).toArray())
                for (const QJsonValue a : d.toObject().value(QStringLiteral("alarm")).toArray())
                    QVERIFY(a.toObject().value(QStringLiteral("alarm_result")).toDouble() >= 1);
    }

    void manualStopTimeSlot()
    {
        TempWorkDir wd(false);
        VUR_Path_ManualStop m;
        const qint64 stop = QDateTime(QDate(2024, 5, 6), QTime(10, 15)).toMSecsSinceEpoch();
        const qint64 start = QDateTime(QDate(2024, 5, 6), QTime(10, 47)).toMSecsSinceEpoch();
        QJsonObject o = Json(m.Update(1, stop - 1000, QStringLiteral("m1"), "Wang"));
        QCOMPARE(o.value(QStringLiteral("stop_check_timelen")).toInt(), 0);  // a start without a stop
        QCOMPARE(o.value(QStringLiteral("stop_check_timeslot")).toString(), QString());
        o = Json(m.Update(3, stop, QStringLiteral("m1"), "Wang"));
        QCOMPARE(o.value(QStringLiteral("state")).toInt(), 1);
        QCOMPARE(o.value(QStringLiteral("stop_check_timeslot")).toString(), QStringLiteral("10:15---:--"));
        const QByteArray body = m.Update(1, start, QStringLiteral("m1"), "Wang");
        o = Json(body);
        QCOMPARE(o.value(QStringLiteral("stop_check_timeslot")).toString(), QStringLiteral("10:15-10:47"));
        QCOMPARE(o.value(QStringLiteral("stop_check_timelen")).toInt(), 32);
        QCOMPARE(o.value(QStringLiteral("operator_id")).toString(), QStringLiteral("Wang"));
        // The record comes back from its file; a file missing a member is removed.
        WriteFile(VUR_Path_ManualStop::FilePath(), body);
        VUR_Path_ManualStop back;
        back.Load();
        QCOMPARE(back.stop_check_timelen, 32);
        QCOMPARE(back.state, 1);
        WriteFile(VUR_Path_ManualStop::FilePath(), "{\"utc\": 5, \"stop_check_timeslot\": \"x\"}");
        VUR_Path_ManualStop partial;
        partial.Load();
        QCOMPARE(partial.utc, 5);
        QCOMPARE(partial.state, 0);
        QVERIFY(!QFile::exists(VUR_Path_ManualStop::FilePath()));
        // A time no file can hold exactly is damage: the record starts afresh.
        WriteFile(VUR_Path_ManualStop::FilePath(), QByteArray(body).replace("\"utc\":", "\"utc\": 9.3e19, \"x\":"));
        VUR_Path_ManualStop damaged;
        damaged.Load();
        QCOMPARE(damaged.utc, VUR_Path_ManualStop().utc);
        QCOMPARE(damaged.state, 0);
        QVERIFY(!QFile::exists(VUR_Path_ManualStop::FilePath()));
        // A stored total at the limit stays there when the open stop ends.
        WriteFile(VUR_Path_ManualStop::FilePath(), QByteArray(body)
                                                       .replace("\"10:15-10:47\"", "\"10:15---:--\"")
                                                       .replace("\"stop_check_timelen\":\t32", "\"stop_check_timelen\":\t2147483647"));
        VUR_Path_ManualStop full;
        full.Load();
        QCOMPARE(full.stop_check_timelen, INT_MAX);
        QCOMPARE(Json(full.Update(1, start + 3600000, QStringLiteral("m1"), "Wang")).value(QStringLiteral("stop_check_timelen")).toInt(),
                 INT_MAX);
        // A memo with such a time is never taken for another.
        WriteFile(VUR_Path_Remind::FilePath(), "{\"remind\":[{\"utc\":4e30},{\"utc\":5}]}");
        VUR_Path_Remind::RemoveFromFile(QStringLiteral("m1"), std::numeric_limits<qint64>::min());
        VUR_Path_Remind::RemoveFromFile(QStringLiteral("m1"), 5);
        QFile memo(VUR_Path_Remind::FilePath());
        QVERIFY(memo.open(QIODevice::ReadOnly));
        const QJsonArray left = Json(memo.readAll()).value(QStringLiteral("remind")).toArray();
        QCOMPARE(left.size(), 1);
        QCOMPARE(left[0].toObject().value(QStringLiteral("utc")).toDouble(), 4e30);
    }

    void gateways_data()
    {
        QTest::addColumn<QString>("routes");
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<QString>("card");
        QTest::newRow("default") << "default via 192.168.1.1 dev eth0" << "192.168.1.1" << "eth0";
        QTest::newRow("lines and runs of blanks")
            << "default  via 10.0.0.1 dev  eth1 proto dhcp\n10.0.0.0/24 dev eth1 scope link\n" << "10.0.0.1" << "eth1";
        QTest::newRow("only the first") << "default via 10.0.0.1 dev eth1\ndefault via 10.0.1.1 dev wlan0 metric 600"
                                        << "10.0.0.1" << "eth1";
        QTest::newRow("no gateway") << "10.0.0.0/24 dev eth1 scope link" << "" << "";
    }
    void gateways()
    {
        QFETCH(QString, routes);
        QFETCH(QString, gateway);
        QFETCH(QString, card);
        const auto got = NetCard::FirstGateway(routes);
        QCOMPARE(got.first, gateway);
        QCOMPARE(got.second, card);
        const QString z = QStringLiteral("0.0.0.0");
        QMap<QString, QStringList> cards{{QStringLiteral("eth1"), {QStringLiteral("10.0.0.5"), z, z}}};
        NetCard::ApplyGateway(cards, routes);
        QCOMPARE(cards.value(QStringLiteral("eth1")).value(2), card == QLatin1String("eth1") ? gateway : z);
    }

    void cardNamesLeaveOutLoopbackOnly()
    {
        const QString dev = QStringLiteral(
            "Inter-|   Receive\n face |bytes    packets\n    lo: 1234 5 0\n  eth0: 99 1 0\n  wlo1: 5 1 0\n");
        QCOMPARE(NetCard::CardNames(dev), (QStringList{QStringLiteral("eth0"), QStringLiteral("wlo1")}));
        // The port monitor's received bytes: a long name fills its column, counts pass 32 bits.
        const auto bytes = NetCard::ReceivedBytes(dev + QStringLiteral("enp0s31f6: 8123456789 1 0\n"));
        QCOMPARE(bytes.size(), 3);
        QCOMPARE(bytes[2], qMakePair(QStringLiteral("enp0s31f6"), Q_INT64_C(8123456789)));
    }
};

MOJU_TEST_CORE_MAIN(TestPlantRecords)
#include "test_plant_records.moc"
