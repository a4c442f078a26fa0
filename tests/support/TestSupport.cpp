#include "TestSupport.h"

#include "foundation/VisionGlobals.h"
#include "widgets/C_Type_COM.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QScreen>

namespace {
bool copyTree(const QString& from, const QString& to)
{
    QDir src(from);
    if (!src.exists())
        return false;
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString rel = src.relativeFilePath(file);
        const QString dst = to + QLatin1Char('/') + rel;
        QDir().mkpath(QFileInfo(dst).absolutePath());
        if (!QFile::copy(file, dst))
            return false;
    }
    return true;
}
}  // namespace

TempWorkDir::TempWorkDir(bool fromTemplate)
    : m_previous(QDir::currentPath())
{
    if (!m_dir.isValid())
        return;
    if (fromTemplate && !copyTree(QStringLiteral(MOJU_TEMPLATE_DIR), m_dir.path()))
        qWarning("TempWorkDir: cannot copy the working-directory template");
    QDir::setCurrent(m_dir.path());
}

TempWorkDir::~TempWorkDir()
{
    QDir::setCurrent(m_previous);
}

QByteArray FilesUnder(const QString& dir)
{
    QByteArray all;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            all += f.readAll();
    }
    return all;
}

QStringList SystemActionLines()
{
    QFile f(QStringLiteral("system-actions.log"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

PopupAnswerer::PopupAnswerer(QObject* parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &PopupAnswerer::poll);
    m_timer.start(10);
}

void PopupAnswerer::poll()
{
    auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dlg || !dlg->isVisible())
        return;
    Seen s;
    s.className = QString::fromLatin1(dlg->metaObject()->className());
    s.text = dlg->property("text").toString();  // the popups publish their text
    m_seen.append(s);
    if (!m_actions.isEmpty()) {
        m_actions.takeFirst()(dlg);
        return;
    }
    const int result = m_answers.isEmpty() ? QDialog::Accepted : m_answers.takeFirst();
    dlg->done(result);
}

namespace {
QString g_screenConfig;
}

QSize PrepareTestScreen(int, char**)
{
    // On a real X server (looking at grabs as a panel without a window
    // manager shows them) the server's screen is the panel.
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("xcb"))
        return {};
    QString spec = qEnvironmentVariable("MOJU_TEST_SCREEN");
    if (spec.isEmpty())
        spec = QStringLiteral("1024x768");
    const QStringList wh = spec.split(QLatin1Char('x'));
    const QSize size(wh.value(0).toInt(), wh.value(1).toInt());
    // One file per process, written whole before it gets its name: tests run
    // in parallel must never read another's file half-written.
    g_screenConfig = QDir::tempPath() +
                     QStringLiteral("/moju-screen-%1-%2.json").arg(QCoreApplication::applicationPid()).arg(spec);
    QSaveFile f(g_screenConfig);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(QStringLiteral("{\"screens\":[{\"name\":\"panel\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,"
                               "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
                    .arg(size.width())
                    .arg(size.height())
                    .toUtf8());
        if (f.commit())
            qputenv("QT_QPA_PLATFORM", (QStringLiteral("offscreen:configfile=") + g_screenConfig).toUtf8());
    }
    return size;
}

void ApplyTestScreen()
{
    // The platform has read its screen file.
    if (!g_screenConfig.isEmpty())
        QFile::remove(g_screenConfig);
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    gShowW = g.width();
    gShowH = g.height();
    InstallFontSubstitutes();
}

void SaveShot(QWidget* w, const QString& what)
{
    if (qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR"))
        return;
    // On X the screen as shown, stacking included; offscreen the widget.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        w->grab().save(ShotPath(what));
        return;
    }
    // Every window drawn and sent to the server before the server is read;
    // what was just shown (a keypad) is polished and laid out first.
    QCoreApplication::processEvents();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && QTest::qWaitForWindowExposed(top))
            top->repaint();
    QCoreApplication::processEvents();
    QGuiApplication::primaryScreen()->grabWindow(0).save(ShotPath(what));
}

QString ShotPath(const QString& what)
{
    const QString dir = qEnvironmentVariable("MOJU_SHOTS_DIR");
    QDir().mkpath(dir);
    return QStringLiteral("%1/%2-%3x%4-%5.png")
        .arg(dir, what)
        .arg(gShowW)
        .arg(gShowH)
        .arg(QString::fromLatin1(QTest::currentDataTag()));
}
