#pragma once
// Shared fixtures: a working directory laid out from the template, answers
// for modal popups, the offscreen screen size, the recorded system actions.
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

// Copies the working-directory template into a fresh temporary folder and
// makes it the current directory until destroyed.
class TempWorkDir {
public:
    explicit TempWorkDir(bool fromTemplate = true);
    ~TempWorkDir();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Lines recorded by the system-action layer in the current directory.
QStringList SystemActionLines();

// The content of every file below dir, one after another (logs a process wrote).
QByteArray FilesUnder(const QString& dir);

// Answers modal dialogs as they appear: each answer is the dialog's result
// (QDialog::done). Without queued answers, every dialog is accepted.
// Records the class name and text (if any) of each dialog it answered.
class PopupAnswerer : public QObject {
    Q_OBJECT
public:
    explicit PopupAnswerer(QObject* parent = nullptr);
    void queue(int result) { m_answers.append(result); }
    // Instead of a result, run a function on the dialog (type into it, press a button).
    void queueAction(std::function<void(QDialog*)> action) { m_actions.append(action); }

    struct Seen {
        QString className;
        QString text;
    };
    const QList<Seen>& seen() const { return m_seen; }
    void clear() { m_seen.clear(); }

private:
    void poll();
    QTimer m_timer;
    QList<int> m_answers;
    QList<std::function<void(QDialog*)>> m_actions;
    QList<Seen> m_seen;
};

// Rows "zh_CN", "en", "zh_TW" of an int column "lan", for screen grabs in
// every language.
inline void AddLanguageRows()
{
    QTest::addColumn<int>("lan");
    QTest::newRow("zh_CN") << 0;
    QTest::newRow("en") << 1;
    QTest::newRow("zh_TW") << 2;
}

// Screen grabs for a person to look at go to the folder MOJU_SHOTS_DIR
// names; a grab test skips itself without it. ShotPath gives the file for a
// grab called `what` at this screen size and data row.
#define MOJU_SKIP_WITHOUT_SHOTS()                              \
    if (qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR"))         \
    QSKIP("MOJU_SHOTS_DIR not set")
QString ShotPath(const QString& what);
// Saves a grab called `what` of w (of the whole screen on X) when
// MOJU_SHOTS_DIR is set.
void SaveShot(QWidget* w, const QString& what);

// Screen size from MOJU_TEST_SCREEN ("1024x768"); sets the offscreen platform
// to that size. Call before the application object exists.
QSize PrepareTestScreen(int argc, char** argv);
// After the application exists: sets gShowW/gShowH from the screen.
void ApplyTestScreen();

#define MOJU_TEST_MAIN(TestObject)                          \
    int main(int argc, char** argv)                         \
    {                                                       \
        PrepareTestScreen(argc, argv);                      \
        QApplication app(argc, argv);                       \
        ApplyTestScreen();                                  \
        QTEST_SET_MAIN_SOURCE_PATH                          \
        TestObject tc;                                      \
        return QTest::qExec(&tc, argc, argv);               \
    }

// Core tests that need no widgets.
#define MOJU_TEST_CORE_MAIN(TestObject)                     \
    int main(int argc, char** argv)                         \
    {                                                       \
        QCoreApplication app(argc, argv);                   \
        QTEST_SET_MAIN_SOURCE_PATH                          \
        TestObject tc;                                      \
        return QTest::qExec(&tc, argc, argv);               \
    }
