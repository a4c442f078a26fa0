// The per-start diagnostic log file and the glog directory.
#include "TestSupport.h"

#include "foundation/GLog.h"
#include "app/LogManager.h"
#include "params/WizardPara.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

namespace {

void MakeFiles(const QString& dir, const QString& pattern, int count)
{
    QDir().mkpath(dir);
    const QDateTime base = QDateTime::currentDateTime().addDays(-10);
    for (int i = 0; i < count; ++i) {
        QFile f(dir + QLatin1Char('/') + pattern.arg(i, 3, 10, QLatin1Char('0')));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.flush();
        // Older files have smaller numbers.
        f.setFileTime(base.addSecs(i * 60), QFileDevice::FileModificationTime);
    }
}

QStringList Lines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

class TestLogFiles : public QObject {
    Q_OBJECT

private:
    WizardPara m_para;

    QString LogPath() const { return LogManager::CurTaskPath() + QLatin1Char('/') + LogManager::CurName(); }

private slots:
    void init()
    {
        m_para = WizardPara();
        gpWPara = &m_para;
    }
    void cleanup() { gpWPara = nullptr; }

    void formats_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("line");
        const QDateTime t(QDate(2024, 3, 5), QTime(14, 7, 31, 250));
        QTest::newRow("debug") << int(QtDebugMsg) << "[I 2024/03/05-14:07:31.250] application start";
        QTest::newRow("warning") << int(QtWarningMsg) << "[W 2024/03/05-14:07:31.250] application start";
        QTest::newRow("critical") << int(QtCriticalMsg) << "[E 2024/03/05-14:07:31.250] application start";
        QTest::newRow("fatal") << int(QtFatalMsg) << "[F 2024/03/05-14:07:31.250] application start";
        QTest::newRow("info") << int(QtInfoMsg) << "[I 2024/03/05-14:07:31.250] application start";
    }

    void formats()
    {
        QFETCH(int, type);
        const QDateTime t(QDate(2024, 3, 5), QTime(14, 7, 31, 250));
        QTEST(LogManager::FormatLine(QtMsgType(type), t, QStringLiteral("application start")), "line");
        QCOMPARE(LogManager::FirstLine(t), QStringLiteral("create newlog version 15.0.2.69 2024/03/05-14:07:31.250"));
    }

    void fileOfThisStart()
    {
        TempWorkDir dir(false);
        LogManager manager(nullptr, dir.path());
        QCOMPARE(LogManager::CurTaskPath(), dir.path() + QStringLiteral("/RECORD/LOG"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{8}_\\d{6}_log\\.txt$")).match(LogManager::CurName()).hasMatch());
        QVERIFY(QDir(LogManager::CurTaskPath()).exists());

        qDebug("switched off");
        QVERIFY(!QFile::exists(LogPath()));

        m_para.useLog = 1;
        qDebug("application start");
        qCritical("bad thing");
        QStringList lines = Lines(LogPath());
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("create newlog version 15.0.2.69 ")));
        QVERIFY(QRegularExpression(QStringLiteral("^\\[I \\d{4}/\\d\\d/\\d\\d-\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] application start$"))
                    .match(lines[1]).hasMatch());
        QVERIFY(lines[2].startsWith(QStringLiteral("[E ")));

        // Deleted while running: made again with its first line.
        QFile::remove(LogPath());
        qWarning("again");
        lines = Lines(LogPath());
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("create newlog version")));
        QVERIFY(lines[1].startsWith(QStringLiteral("[W ")));
        QVERIFY(lines[1].endsWith(QStringLiteral("] again")));
    }

    void warningInsideHandler()
    {
        TempWorkDir dir(false);
        LogManager manager(nullptr, dir.path());
        m_para.useLog = 1;
        LogManager::SetWriteObserver([] { qWarning("from inside"); });
        qDebug("outer");
        LogManager::SetWriteObserver(nullptr);
        qDebug("after");
        const QStringList lines = Lines(LogPath());
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[1].endsWith(QStringLiteral("] outer")));
        QVERIFY(lines[2].endsWith(QStringLiteral("] after")));
    }

    void threadsWriteWholeLines()
    {
        TempWorkDir dir(false);
        LogManager manager(nullptr, dir.path());
        m_para.useLog = 1;
        QList<QThread*> threads;
        for (int t = 0; t < 4; ++t)
            threads << QThread::create([t] {
                for (int i = 0; i < 50; ++i)
                    qDebug("thread %d line %d", t, i);
            });
        for (QThread* t : threads)
            t->start();
        for (QThread* t : threads) {
            QVERIFY(t->wait(10000));
            delete t;
        }
        const QStringList lines = Lines(LogPath());
        QCOMPARE(lines.size(), 201);
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(lines[i].contains(QRegularExpression(QStringLiteral("\\] thread \\d line \\d+$"))), qPrintable(lines[i]));
    }

    void pruneLogFolder_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("left");
        QTest::newRow("49 stay") << 49 << 49;
        QTest::newRow("50: one goes") << 50 << 49;
        QTest::newRow("60: only one goes") << 60 << 59;
    }

    void pruneLogFolder()
    {
        QFETCH(int, files);
        TempWorkDir dir(false);
        const QString folder = dir.path() + QStringLiteral("/RECORD/LOG");
        MakeFiles(folder, QStringLiteral("20240101_000%1_log.txt"), files);
        MakeFiles(folder, QStringLiteral("other%1.txt"), 3);
        LogManager manager(nullptr, dir.path());
        QDir d(folder);
        QTEST(int(d.entryList({QStringLiteral("*_log.txt")}, QDir::Files).size()), "left");
        QCOMPARE(d.exists(QStringLiteral("20240101_000000_log.txt")), files < 50);
        QVERIFY(d.exists(QStringLiteral("20240101_000001_log.txt")));
        QCOMPARE(int(d.entryList({QStringLiteral("other*")}, QDir::Files).size()), 3);
    }

    void pruneGlogFolder_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("left");
        QTest::newRow("49") << 49 << 49;
        QTest::newRow("50") << 50 << 49;
        QTest::newRow("55") << 55 << 49;
    }

    void pruneGlogFolder()
    {
        QFETCH(int, files);
        TempWorkDir dir(false);
        const QString folder = dir.path() + QStringLiteral("/glog");
        MakeFiles(folder, QStringLiteral("app.%1.log"), files);
        GLog::Prune(folder);
        QDir d(folder);
        QTEST(int(d.entryList(QDir::Files).size()), "left");
        // The newest stay.
        QVERIFY(d.exists(QStringLiteral("app.%1.log").arg(files - 1, 3, 10, QLatin1Char('0'))));
        QCOMPARE(d.exists(QStringLiteral("app.%1.log").arg(files - 50, 3, 10, QLatin1Char('0'))), false);
    }

    void glogWritesIntoItsFolder()
    {
        TempWorkDir dir(false);
        const QString folder = dir.path() + QStringLiteral("/vur_net/vur_log_app/");
        QDir().mkpath(folder);
        char name[] = "test_log_files";
        char* argv[] = {name, nullptr};
        {
            GLog glog(folder, argv);
            GLogInfo(QStringLiteral("参数 line"));
        }
        const QStringList logs = QDir(folder).entryList({QStringLiteral("*.log*")}, QDir::Files);
        QVERIFY2(!logs.isEmpty(), qPrintable(QDir(folder).entryList(QDir::Files).join(QLatin1Char(' '))));
        bool found = false;
        for (const QString& f : logs)
            found = found || Lines(folder + f).join(QLatin1Char('\n')).contains(QStringLiteral("参数 line"));
        QVERIFY(found);
    }
};

MOJU_TEST_CORE_MAIN(TestLogFiles)
#include "test_log_files.moc"
