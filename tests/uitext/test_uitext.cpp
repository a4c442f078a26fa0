#include "TestSupport.h"

#include "foundation/UiTextRows.h"
#include "foundation/uitext.h"
#include "widgets/DialogGeometry.h"
#include "widgets/WarnBox.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QRawFont>
#include <QRegularExpression>
#include <QSet>

#include <climits>

namespace {

QSet<int> ListedIds()
{
    QSet<int> ids;
    for (int id = 0; id <= 664; ++id)
        ids.insert(id);
    for (int gap : {153, 321, 322})
        ids.remove(gap);
    for (int gap = 530; gap <= 539; ++gap)
        ids.remove(gap);
    for (int n = 0; n <= 13; ++n)
        if (n != 8)
            ids.insert(1000 + n);
    // 1100-1119: what went wrong in the maintenance actions and the file
    // writers, that nothing changed, and what start-up or a stop finished.
    for (int id = 1100; id <= 1119; ++id)
        ids.insert(id);
    // 1120: the re-detect count of the live view's status line; 1121-1123:
    // why a network text was refused.
    for (int id = 1120; id <= 1123; ++id)
        ids.insert(id);
    // 1124: positioning could not place the part, the camera holds.
    ids.insert(1124);
    // 1125: start-up could not finish an interrupted group restore, detection held.
    ids.insert(1125);
    // 1126: a parameter group restore's switch list that was refused.
    ids.insert(1126);
    // 1131-1132: the part fits but its surroundings do not (camera or mould
    // moved), or fit at another picture scale.
    for (int id = 1131; id <= 1132; ++id)
        ids.insert(id);
    // 1140-1141: cavity marks and output numbers in the ROI change log.
    for (int id = 1140; id <= 1141; ++id)
        ids.insert(id);
    // 1150: an ignore-point mask that could not be written.
    ids.insert(1150);
    // 1160-1165: tabs, chart legend and NG-rate caption of the statistics page.
    for (int id = 1160; id <= 1165; ++id)
        ids.insert(id);
    // 1166: a template file that no longer reads.
    ids.insert(1166);
    // 1170-1172: what is missing where a gate or a page would otherwise
    // close or open on nothing: the master password, the configuration
    // file, the help pages.
    for (int id = 1170; id <= 1172; ++id)
        ids.insert(id);
    // 1190-1193: an alarm or hold kept over a restart, a store finished at start-up.
    for (int id = 1190; id <= 1193; ++id)
        ids.insert(id);
    return ids;
}

// Rows that lack a language on purpose.
const QSet<int> kNoTraditional{587, 588, 589, 590, 591};
const QSet<int> kNoEnglish{646, 647, 648};
// English without the placeholder the Chinese questions carry.
const QSet<int> kMarkerOnlyInChinese{574, 578};
// Chinese texts that break with CR LF like the English ones.
const QSet<int> kChineseCrLf{115, 119, 134, 276, 309};
// English texts that break with a bare line feed.
const QSet<int> kEnglishLf{458, 552};

QStringList Markers(const QString& s)
{
    QStringList out;
    static const QRegularExpression re(QStringLiteral("%(\\d+)"));
    for (auto it = re.globalMatch(s); it.hasNext();)
        out << it.next().captured(0);
    out.sort();
    return out;
}

bool HasLatinLetter(const QString& s)
{
    for (QChar c : s)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'))
            return true;
    return false;
}

struct LanGuard {
    int saved = gLan;
    ~LanGuard() { gLan = saved; }
};

}  // namespace

class TestUiText : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void exactlyTheListedIdsAreFilled()
    {
        const QSet<int> listed = ListedIds();
        QCOMPARE(listed.size(), 711);
        QCOMPARE(kUiTextRowCount, 711);
        QSet<int> rows;
        for (int i = 0; i < kUiTextRowCount; ++i)
            rows.insert(kUiTextRows[i].id);
        QCOMPARE(rows.size(), kUiTextRowCount);  // no id twice
        QCOMPARE(rows, listed);

        for (int id = 0; id < kLanIds; ++id) {
            for (int lan = 0; lan < kLanCount; ++lan) {
                const QString& t = gaLanStr[id * 3 + lan];
                bool expectFilled = listed.contains(id);
                if (lan == kLanEn && kNoEnglish.contains(id))
                    expectFilled = false;
                if (lan == kLanZhTW && kNoTraditional.contains(id))
                    expectFilled = false;
                if (expectFilled != !t.isEmpty())
                    QFAIL(qPrintable(QStringLiteral("id %1 language %2: \"%3\"").arg(id).arg(lan).arg(t)));
            }
        }
    }

    void compiledTableMatchesTheDataFile()
    {
        // Independent reading of the data file: guards the generator's escapes.
        QFile f(QStringLiteral(MOJU_SOURCE_DIR "/resources/uitext.tsv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        int lines = 0;
        while (!f.atEnd()) {
            const QString line = QString::fromUtf8(f.readLine()).chopped(1);
            const QStringList fields = line.split(u'\t');
            QCOMPARE(fields.size(), 4);
            const QString idText = fields[0];
            const int id = idText.startsWith(QLatin1String("1000+")) ? 1000 + idText.mid(5).toInt() : idText.toInt();
            for (int lan = 0; lan < kLanCount; ++lan) {
                QString t = fields[lan + 1];
                QString plain;
                for (int i = 0; i < t.size(); ++i) {
                    if (t[i] != u'\\') {
                        plain += t[i];
                        continue;
                    }
                    const QChar e = t[++i];
                    plain += e == u'r' ? QChar(u'\r') : e == u'n' ? QChar(u'\n') : e == u't' ? QChar(u'\t') : e;
                }
                QCOMPARE(LanStrIn(id, lan), plain);
            }
            ++lines;
        }
        QCOMPARE(lines, 711);
    }

    void placeholdersAgreeAcrossLanguages()
    {
        for (int i = 0; i < kUiTextRowCount; ++i) {
            const int id = kUiTextRows[i].id;
            const QStringList zh = Markers(LanStrIn(id, kLanZhCN));
            for (int lan = 0; lan < kLanCount; ++lan) {
                const QString& t = LanStrIn(id, lan);
                for (const QString& m : Markers(t))
                    QVERIFY2(m.mid(1).toInt() >= 1 && m.mid(1).toInt() <= 6, qPrintable(QString::number(id)));
                if (t.isEmpty() || (lan == kLanEn && kMarkerOnlyInChinese.contains(id)))
                    continue;
                QVERIFY2(Markers(t) == zh, qPrintable(QStringLiteral("id %1 language %2").arg(id).arg(lan)));
            }
        }
        for (int id : kMarkerOnlyInChinese) {
            QVERIFY(Markers(LanStrIn(id, kLanEn)).isEmpty());
            QCOMPARE(Markers(LanStrIn(id, kLanZhCN)), QStringList{QStringLiteral("%1")});
            QCOMPARE(Markers(LanStrIn(id, kLanZhTW)), QStringList{QStringLiteral("%1")});
            QVERIFY(LanStrIn(id, kLanZhCN).endsWith(u'？'));
        }
    }

    void lineBreaksFollowTheRule()
    {
        for (int i = 0; i < kUiTextRowCount; ++i) {
            const int id = kUiTextRows[i].id;
            const QString en = LanStrIn(id, kLanEn);
            const int enBreaks = en.count(u'\n');
            QCOMPARE(en.count(QLatin1String("\r\n")), kEnglishLf.contains(id) ? 0 : enBreaks);
            QCOMPARE(en.count(u'\r'), en.count(QLatin1String("\r\n")));
            for (int lan : {kLanZhCN, kLanZhTW}) {
                const QString t = LanStrIn(id, lan);
                const QString what = QStringLiteral("id %1 language %2").arg(id).arg(lan);
                const int crlf = t.count(QLatin1String("\r\n"));
                QVERIFY2(t.count(u'\r') == crlf, qPrintable(what));
                QVERIFY2(crlf == (kChineseCrLf.contains(id) ? t.count(u'\n') : 0), qPrintable(what));
                // Chinese breaks where the English does (the rows without an
                // English counterpart aside).
                if (!t.isEmpty() && !kNoEnglish.contains(id) && !kNoTraditional.contains(id))
                    QVERIFY2(t.count(u'\n') == enBreaks, qPrintable(what));
            }
        }
        QVERIFY(LanStrIn(458, kLanEn).contains(u'\n'));
        QVERIFY(LanStrIn(115, kLanZhCN).contains(QLatin1String("\r\n")));
    }

    void chineseIsNoCopyOfEnglish()
    {
        for (int i = 0; i < kUiTextRowCount; ++i) {
            const int id = kUiTextRows[i].id;
            const QString& en = LanStrIn(id, kLanEn);
            if (!HasLatinLetter(en))
                continue;  // "%1", "1#", a blank: nothing to translate
            QVERIFY2(LanStrIn(id, kLanZhCN) != en, qPrintable(QString::number(id)));
            QVERIFY2(LanStrIn(id, kLanZhTW) != en, qPrintable(QString::number(id)));
        }
        // The English text of 656 is itself Chinese.
        QVERIFY(LanStrIn(656, kLanZhCN) != LanStrIn(656, kLanEn));
    }

    void tellingRows_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("zhCN");
        QTest::addColumn<QString>("en");
        QTest::addColumn<QString>("zhTW");
        const QString none;
        QTest::newRow("587") << 587 << QStringLiteral("警告：相机通讯异常，请关机尝试拔插\n接口后开机重试！") << QStringLiteral("camera disconnect") << none;
        QTest::newRow("588") << 588 << QStringLiteral("相机通讯失败，现已重新连接.") << QStringLiteral("camera reconnect") << none;
        QTest::newRow("589") << 589 << QStringLiteral("IO通讯异常，请排除故障！") << QStringLiteral("IO com disconnect") << none;
        QTest::newRow("590") << 590 << QStringLiteral("IO通讯异常，现已重新连接.") << QStringLiteral("IO com reconnect") << none;
        QTest::newRow("591") << 591 << QStringLiteral("IO通讯异常提示") << QStringLiteral("IO com disconnect Tips") << none;
        QTest::newRow("646") << 646 << QStringLiteral("白找黑") << none << QStringLiteral("白找黑");
        QTest::newRow("647") << 647 << QStringLiteral("白斑最小") << none << QStringLiteral("白斑最小");
        QTest::newRow("648") << 648 << QStringLiteral("黑斑最大") << none << QStringLiteral("黑斑最大");
        // Chinese labels of settings, cavities and statistics as the system words them.
        QTest::newRow("460") << 460 << QStringLiteral("模腔1") << QStringLiteral("1#") << QStringLiteral("模腔1");
        QTest::newRow("603") << 603 << QStringLiteral("模腔16") << QStringLiteral("16#") << QStringLiteral("模腔16");
        QTest::newRow("1000+5") << 1005 << QStringLiteral("%1检测") << QStringLiteral("%1") << QStringLiteral("%1檢測");
        QTest::newRow("542") << 542 << QStringLiteral("OK总数") << QStringLiteral("OK total") << QStringLiteral("OK總數");
        QTest::newRow("543") << 543 << QStringLiteral("NG总数") << QStringLiteral("NG total") << QStringLiteral("NG總數");
    }
    // Two settings that the operator must tell apart, and no camera setting named for something it does not do.
    void distinctSettingLabels()
    {
        // Each language tells them apart (the change log and the audit line name them).
        for (int lan : {kLanZhCN, kLanEn, kLanZhTW}) {
            QVERIFY(LanStrIn(645, lan) != LanStrIn(202, lan));
            QVERIFY(LanStrIn(642, lan) != LanStrIn(190, lan));
        }
        QVERIFY(!LanStrIn(388, kLanZhCN).contains(QStringLiteral("遮光")));
        QVERIFY(!LanStrIn(388, kLanZhTW).contains(QStringLiteral("遮光")));
    }

    void tellingRows()
    {
        QFETCH(int, id);
        QFETCH(QString, zhCN);
        QFETCH(QString, en);
        QFETCH(QString, zhTW);
        QCOMPARE(LanStrIn(id, kLanZhCN), zhCN);
        QCOMPARE(LanStrIn(id, kLanEn), en);
        QCOMPARE(LanStrIn(id, kLanZhTW), zhTW);
    }

    // English oddities that must survive as they stand.
    void englishKeptAsWritten_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("en");
        QTest::newRow("133 CR LF") << 133 << QStringLiteral("The system is initializing, \r\n please wait..");
        QTest::newRow("151 trailing blank") << 151 << QStringLiteral("Camera %1 ");
        QTest::newRow("204 leading blanks") << 204 << QStringLiteral("  Break");
        QTest::newRow("612 one blank") << 612 << QStringLiteral(" ");
        QTest::newRow("86 full-width comma") << 86 << QStringLiteral("，Changing the maximum gradation from %1 to %2");
        QTest::newRow("94 doubled blank") << 94 << QStringLiteral(", Changing the sensitivity  from %1 to %2");
        QTest::newRow("68 quotes") << 68 << QStringLiteral("If you want to delete the first \r\ntemplate, please click \"Resample\"!");
        QTest::newRow("345 stray quote") << 345 << QStringLiteral("delay” setting");
        QTest::newRow("190 misspelling") << 190 << QStringLiteral("Ejector pulse when NG in prod, don't' alarm");
        QTest::newRow("212 arrow") << 212 << QStringLiteral("Live↔Temp");
        QTest::newRow("218 order") << 218 << QStringLiteral("camera %1 detection %2 %3  %5 / %4    %6");
        QTest::newRow("458 bare LF") << 458 << QStringLiteral("calibrate \n touch screen");
        QTest::newRow("512 full-width mark") << 512 << QStringLiteral("No select was made for \r\n the last detection！");
        QTest::newRow("656 Chinese") << 656 << QStringLiteral("NG次数设定");
        QTest::newRow("1000+1") << 1001 << QStringLiteral("alarm after  Continuous Ng n Times");
    }
    void englishKeptAsWritten()
    {
        QFETCH(int, id);
        QFETCH(QString, en);
        QCOMPARE(LanStrIn(id, kLanEn), en);
    }

    // The generator stops the build on a line that would compile wrong.
    void generatorRejectsBadLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("good") << QByteArray("7\tzh\ten\ttw\n") << true;
        QTest::newRow("NUL inside a text") << QByteArray("7\tz\0h\ten\ttw\n", 12) << false;
        QTest::newRow("bad escape") << QByteArray("7\tzh\te\\qn\ttw\n") << false;
        QTest::newRow("id twice") << QByteArray("1\ta\tb\tc\n") << false;
        QTest::newRow("three fields") << QByteArray("7\tzh\ten\n") << false;
        QTest::newRow("not UTF-8") << QByteArray("7\tz\xC3\ten\ttw\n") << false;
    }
    void generatorRejectsBadLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, accepted);
        TempWorkDir wd(false);
        QFile tsv(QStringLiteral("t.tsv"));
        QVERIFY(tsv.open(QIODevice::WriteOnly));
        tsv.write("1\tone\tone\tone\n" + line);
        tsv.close();
        QProcess gen;
        gen.start(QStringLiteral(UITEXTGEN_PATH), {QStringLiteral("t.tsv"), QStringLiteral("out.cpp")});
        QVERIFY(gen.waitForFinished(10000));
        QCOMPARE(gen.exitCode() == 0, accepted);
        QCOMPARE(QFile::exists(QStringLiteral("out.cpp")), accepted);
        if (!accepted)
            QVERIFY2(gen.readAllStandardError().contains("t.tsv:2"), "the message names the line");
    }

    void readsFollowTheCurrentLanguage()
    {
        LanGuard guard;
        gLan = kLanEn;
        QCOMPARE(LanStr(133), QStringLiteral("The system is initializing, \r\n please wait.."));
        QCOMPARE(LanStr(150).arg(4), QStringLiteral("The system is ready, there is 4 cameras"));
        QVERIFY(LanStr(646).isEmpty());
        gLan = kLanZhTW;
        QVERIFY(LanStr(589).isEmpty());
        QCOMPARE(LanStr(646), QStringLiteral("白找黑"));
        gLan = kLanZhCN;
        QCOMPARE(LanStr(589), QStringLiteral("IO通讯异常，请排除故障！"));
        QCOMPARE(LanStr(646), QStringLiteral("白找黑"));
        for (int lan = 0; lan < kLanCount; ++lan) {
            QVERIFY(LanStrIn(665, lan).isEmpty());
            QVERIFY(LanStrIn(666, lan).isEmpty());
            QVERIFY(LanStrIn(1008, lan).isEmpty());
        }
    }

    void outOfRangeReadsAreEmpty()
    {
        LanGuard guard;
        QVERIFY(LanStrIn(-1, kLanEn).isEmpty());
        QVERIFY(LanStrIn(kLanIds, kLanEn).isEmpty());
        gLan = 3;
        QVERIFY(LanStr(0).isEmpty());
        gLan = -1;
        QVERIFY(LanStr(1).isEmpty());  // would be entry 2 (traditional of id 0)
    }

    void storedLanguage_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("lan");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("2") << 2 << 2;
        QTest::newRow("3") << 3 << 0;
        QTest::newRow("99") << 99 << 0;
        QTest::newRow("-1") << -1 << 0;
        QTest::newRow("INT_MIN") << INT_MIN << 0;
    }
    void storedLanguage()
    {
        QFETCH(int, stored);
        QFETCH(int, lan);
        QCOMPARE(LanguageFromStored(stored), lan);
    }

    void loadingTwiceChangesNothing()
    {
        const QString before = LanStrIn(119, kLanZhTW);
        LoadLanguageTable();
        QCOMPARE(LanStrIn(119, kLanZhTW), before);
        QCOMPARE(LanStrIn(317, kLanEn), QStringLiteral("English"));
    }

    // Every character of both Chinese columns must exist in the CJK font the
    // panel carries, or it shows empty boxes.
    void cjkFontCoversTheChineseTexts()
    {
        const QString family = QStringLiteral("WenQuanYi Micro Hei");
        if (!QFontDatabase::families().contains(family))
            QSKIP("wqy-microhei is not installed");
        QFont font(family);
        font.setPixelSize(DialogFont().pixelSize());
        const QRawFont raw = QRawFont::fromFont(font);
        QVERIFY(raw.isValid());
        QCOMPARE(raw.familyName(), family);
        for (int i = 0; i < kUiTextRowCount; ++i) {
            for (int lan : {kLanZhCN, kLanZhTW}) {
                const QString t = LanStrIn(kUiTextRows[i].id, lan);
                for (QChar c : t) {
                    if (c == u'\r' || c == u'\n')
                        continue;
                    QVERIFY2(raw.supportsCharacter(c),
                             qPrintable(QStringLiteral("id %1: U+%2").arg(kUiTextRows[i].id).arg(c.unicode(), 4, 16)));
                }
            }
        }
    }

    // The initializing message in each language; the pictures stay under the
    // temporary folder for a look by eye.
    void initializingMessageRenders()
    {
        LanGuard guard;
        QImage images[kLanCount];
        for (int lan = 0; lan < kLanCount; ++lan) {
            gLan = lan;
            WarnBox box;
            box.setText(LanStr(133));
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            images[lan] = box.grab().toImage();
            images[lan].save(QDir::temp().filePath(QStringLiteral("uitext_warnbox_%1.png").arg(lan)));
            box.hide();
        }
        // The three languages draw different text, and traditional differs
        // from simplified in 统/统 -> 統 etc.
        QVERIFY(images[0] != images[1]);
        QVERIFY(images[0] != images[2]);
    }
};

MOJU_TEST_MAIN(TestUiText)
#include "test_uitext.moc"
