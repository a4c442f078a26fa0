// The password prompt on its own: what each entry unlocks, refusal, cancel,
// the keypad and a tap on the box submitting the entry.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "users/PasswordBox.h"
#include "widgets/ColorButton.h"
#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"

#include <cstring>

namespace {
const QDateTime kNow(QDate(2024, 3, 5), QTime(7, 40));  // master entry 7254 03 05 07

struct Gate {
    explicit Gate(bool protectionOn, const char* systemPassword)
    {
        gpNumPad = new NumberInput;
        gpNumCharPad = new NumCharInput;
        para.passwordUsed = protectionOn ? 1 : 0;
        std::strncpy(para.password, systemPassword, sizeof para.password - 1);
        gpWPara = &para;
        box = new PasswordBox;
        box->setLevelTarget(&level);
        box->setClock([] { return kNow; });
    }
    ~Gate()
    {
        delete box;
        delete gpNumPad;
        delete gpNumCharPad;
        gpNumPad = nullptr;
        gpNumCharPad = nullptr;
        gpWPara = nullptr;
        MainWindowHooks::instance().setCurEdit(nullptr);
    }
    bool show()
    {
        box->show();
        box->activateWindow();
        return QTest::qWaitForWindowActive(box);
    }
    // As an operator does it: touch the field, type on the keypad, Confirm.
    void typeAndConfirm(const QString& digits)
    {
        QTest::mouseClick(box->field(), Qt::LeftButton);
        for (const QChar c : digits)
            QTest::mouseClick(gpNumPad->digitKey(c.digitValue()), Qt::LeftButton);
        QTest::mouseClick(gpNumPad->confirmKey(), Qt::LeftButton);
    }

    WizardPara para;
    PasswordBox* box = nullptr;
    int level = -1;
};
}  // namespace

class TestPasswordGate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        gLan = kLanEn;
        QVERIFY(m_dir.isValid());
        LoadSkinPixmaps();
    }

    void entries_data()
    {
        QTest::addColumn<bool>("protectionOn");
        QTest::addColumn<QString>("systemPassword");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("level");
        QTest::newRow("system password") << true << "123456" << "123456" << 1;
        QTest::newRow("master of this hour") << true << "123456" << "7254030507" << 2;
        QTest::newRow("master of the last hour") << true << "123456" << "7254030506" << 0;
        QTest::newRow("bare master while protected") << true << "123456" << "7254" << 0;
        QTest::newRow("bare master, protection off") << false << "123456" << "7254" << 2;
        QTest::newRow("timed master, protection off") << false << "123456" << "7254030507" << 0;
        QTest::newRow("trailing blank") << true << "123456" << "123456 " << 0;
        QTest::newRow("empty system password") << true << "" << "" << 1;
        QTest::newRow("system password equal to master") << true << "7254030507" << "7254030507" << 2;
        QTest::newRow("non-ASCII system password") << true << "密码1" << "密码1" << 1;
    }
    void entries()
    {
        QFETCH(bool, protectionOn);
        QFETCH(QString, systemPassword);
        QFETCH(QString, entry);
        QFETCH(int, level);
        Gate gate(protectionOn, systemPassword.toUtf8().constData());
        QVERIFY(gate.show());
        bool digitsOnly = !entry.isEmpty();
        for (const QChar c : entry)
            digitsOnly = digitsOnly && c.isDigit() && c.unicode() < 128;
        if (digitsOnly) {
            gate.typeAndConfirm(entry);
        } else {
            gate.box->field()->setText(entry);
            QTest::mouseClick(gate.box->confirmButton(), Qt::LeftButton);
        }
        QCOMPARE(gate.level, level);
        if (level > 0) {
            QCOMPARE(gate.box->result(), int(QDialog::Accepted));
            QVERIFY(!gate.box->isVisible());
        } else {
            // Refused: still open for another try, field emptied, told why.
            QVERIFY(gate.box->isVisible());
            QCOMPARE(gate.box->field()->text(), QString());
            QCOMPARE(gate.box->field()->placeholderText(), LanStr(357));
        }
        QVERIFY(!gpNumPad->isVisible());
    }

    void cancelLeavesTheLevel()
    {
        Gate gate(true, "123456");
        gate.level = 1;
        PopupAnswerer answers;
        answers.queueAction([](QDialog* d) {
            auto* box = qobject_cast<PasswordBox*>(d);
            box->field()->setText(QStringLiteral("7254"));
            QTest::mouseClick(box->cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(gate.box->exec(), int(QDialog::Rejected));
        QCOMPARE(gate.level, 1);
    }

    void wrongThenRightInOneRun()
    {
        // exec() returns only once an entry is right: a wrong one locks and keeps asking.
        Gate gate(true, "123456");
        gate.level = 1;
        PopupAnswerer answers;
        int levelAfterWrong = -1;
        answers.queueAction([&](QDialog*) {
            gate.typeAndConfirm(QStringLiteral("999"));
            levelAfterWrong = gate.level;
        });
        answers.queueAction([&](QDialog*) { gate.typeAndConfirm(QStringLiteral("123456")); });
        QCOMPARE(gate.box->exec(), int(QDialog::Accepted));
        QCOMPARE(levelAfterWrong, 0);
        QCOMPARE(gate.level, 1);
        QCOMPARE(answers.seen().size(), 2);
    }

    void releaseOnTheBoxSubmits()
    {
        Gate gate(true, "123456");
        QVERIFY(gate.show());
        QTest::mouseClick(gate.box->field(), Qt::LeftButton);
        for (const QChar c : QStringLiteral("123456"))
            QTest::mouseClick(gpNumPad->digitKey(c.digitValue()), Qt::LeftButton);
        QVERIFY(gpNumPad->isVisible());
        // A release on the box's own surface, away from field and buttons.
        QTest::mouseClick(gate.box, Qt::LeftButton, Qt::NoModifier, QPoint(gate.box->width() - 12, 12));
        QCOMPARE(gate.level, 1);
        QVERIFY(!gate.box->isVisible());
        QCOMPARE(MainWindowHooks::instance().curEdit(), nullptr);
    }

private:
    TempWorkDir m_dir;  // the skin pictures
};

MOJU_TEST_MAIN(TestPasswordGate)
#include "test_password_gate.moc"
