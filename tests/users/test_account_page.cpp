// The account page and its dialogs driven offscreen as an operator would:
// which buttons each rank sees, logging in through the dialog, adding,
// deleting, re-passwording and assigning permissions.
#include "TestSupport.h"

#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "users/AddUserDialog.h"
#include "users/AllocateDialog.h"
#include "users/ChangePsdDialog.h"
#include "users/ChangeUserDialog.h"
#include "users/DeleteUserDialog.h"
#include "users/DrawUserWidget.h"
#include "users/PasswordBox.h"
#include "users/UserManager.h"
#include "widgets/ColorButton.h"
#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
struct RecordingHost : AccountPageHost {
    void showStatusStrip() override { ++strips; }
    void restartViews() override { ++restarts; }
    int strips = 0;
    int restarts = 0;
};

QStringList Items(QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

// Types digits into a field through the keypad, as on the panel.
void TypeInto(Edit* field, const QString& digits)
{
    QTest::mouseClick(field, Qt::LeftButton);
    for (const QChar c : digits)
        QTest::mouseClick(gpNumPad->digitKey(c.digitValue()), Qt::LeftButton);
    QTest::mouseClick(gpNumPad->confirmKey(), Qt::LeftButton);
}

void Press(QPushButton* b)
{
    QTest::mouseClick(b, Qt::LeftButton);
}

// A log-in dialog run by exec(), once it has the focus its fields need.
ChangeUserDialog* ActiveLogIn(QDialog* d)
{
    auto* dlg = qobject_cast<ChangeUserDialog*>(d);
    if (!dlg || !QTest::qWaitForWindowActive(dlg))
        return nullptr;
    return dlg;
}

// Shown and active, as exec() leaves it, so its fields take the focus.
bool Open(QDialog* dlg)
{
    dlg->show();
    dlg->activateWindow();
    return QTest::qWaitForWindowActive(dlg);
}

struct Page {
    Page()
    {
        LoadSkinPixmaps();
        gpNumPad = new NumberInput;
        gpNumCharPad = new NumCharInput;
        UserManager::instance = new UserManager(QStringLiteral("UserDataBase.db"), 200);
        CreateUserDialogs();
        screen.setGeometry(0, 0, gShowW, gShowH);
        page = new DrawUserWidget(&host, &screen);
        screen.show();
    }
    ~Page()
    {
        DestroyUserDialogs();
        UserManager::DestroyInstance();
        delete gpNumPad;
        delete gpNumCharPad;
        gpNumPad = nullptr;
        gpNumCharPad = nullptr;
        MainWindowHooks::instance().setCurEdit(nullptr);
    }
    UserManager& users() { return UserManager::Instance(); }
    void logIn(const QString& name, const QString& password)
    {
        QString m;
        QVERIFY2(users().changeUser(name, password, m), qPrintable(m));
        page->ShowType();
    }
    void addAccounts()
    {
        logIn(QStringLiteral("admin"), QStringLiteral("7254"));
        QString m;
        QVERIFY(users().addUser(UserTechnician, QStringLiteral("11"), QStringLiteral("111"), m));
        QVERIFY(users().addUser(UserOperator, QStringLiteral("22"), QStringLiteral("222"), m));
        QVERIFY(users().addUser(UserOperator, QStringLiteral("23"), QStringLiteral("233"), m));
    }
    // Visible buttons, top to bottom.
    QStringList shownButtons() const
    {
        QStringList shown;
        for (ColorButton* b : {page->addButton(), page->modifyButton(), page->deleteButton(), page->loginButton(),
                               page->allocateButton(), page->returnButton()})
            if (b->isVisibleTo(page))
                shown << b->text();
        return shown;
    }

    TempWorkDir dir;
    RecordingHost host;
    QWidget screen;
    DrawUserWidget* page = nullptr;
};
}  // namespace

class TestAccountPage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        gLan = kLanEn;
    }

    void buttonsPerRank()
    {
        Page p;
        p.page->Reset(false);
        QVERIFY(p.page->isVisible());
        QCOMPARE(p.shownButtons(), QStringList({LanStr(607), LanStr(58)}));
        QCOMPARE(p.page->userLabel()->text(), LanStr(612) + QStringLiteral("  [ ]"));
        // The whole column is on the screen, at either screen size.
        for (ColorButton* b : {p.page->addButton(), p.page->returnButton()}) {
            const QRect onScreen(b->mapTo(&p.screen, QPoint(0, 0)), b->size());
            QVERIFY2(p.screen.rect().contains(onScreen), qPrintable(QStringLiteral("%1,%2").arg(onScreen.x()).arg(onScreen.y())));
        }

        p.addAccounts();
        QCOMPARE(p.shownButtons(), QStringList({LanStr(605), LanStr(606), LanStr(611), LanStr(610), LanStr(609), LanStr(58)}));
        QCOMPARE(p.page->userLabel()->text(), LanStr(612) + QStringLiteral("  [admin]"));
        p.logIn(QStringLiteral("11"), QStringLiteral("111"));
        QCOMPARE(p.shownButtons(), QStringList({LanStr(605), LanStr(606), LanStr(611), LanStr(610), LanStr(58)}));
        p.logIn(QStringLiteral("22"), QStringLiteral("222"));
        QCOMPARE(p.shownButtons(), QStringList({LanStr(606), LanStr(610), LanStr(58)}));

        // The auto log-out refreshes an open page only.
        p.users().LogOut();
        p.page->Reset(true);
        QCOMPARE(p.shownButtons(), QStringList({LanStr(607), LanStr(58)}));
        QTest::mouseClick(p.page->returnButton(), Qt::LeftButton);
        QVERIFY(!p.page->isVisible());
        QCOMPARE(p.host.strips, 1);
        QCOMPARE(p.host.restarts, 1);
        p.page->Reset(true);
        QVERIFY(!p.page->isVisible());
    }

    void logInThroughTheDialog()
    {
        Page p;
        p.addAccounts();
        p.users().LogOut();
        p.page->Reset(false);
        PopupAnswerer answers;
        QString shownMessage;
        answers.queueAction([&](QDialog* d) {
            ChangeUserDialog* dlg = ActiveLogIn(d);
            QVERIFY(dlg);
            QCOMPARE(Items(dlg->accountBox()), QStringList({"admin", "11", "22", "23"}));  // no 'LogOut'
            Press(dlg->confirmButton());  // empty password
            QCOMPARE(dlg->messageLabel()->text(), LanStr(617));
            dlg->accountBox()->setCurrentText(QStringLiteral("22"));
            TypeInto(dlg->passwordEdit(), QStringLiteral("999"));
            Press(dlg->confirmButton());
            QCOMPARE(dlg->messageLabel()->text(), LanStr(629));
            QVERIFY(dlg->isVisible());
            TypeInto(dlg->passwordEdit(), QStringLiteral("222"));
            Press(dlg->confirmButton());
            shownMessage = dlg->messageLabel()->text();
        });
        QTest::mouseClick(p.page->loginButton(), Qt::LeftButton);  // returns once the dialog closed itself
        QCOMPARE(shownMessage, LanStr(628));
        QCOMPARE(p.users().userName(), QStringLiteral("22"));
        QCOMPARE(p.shownButtons(), QStringList({LanStr(606), LanStr(610), LanStr(58)}));

        // Choosing the account already logged in closes with an empty message.
        answers.queueAction([&](QDialog* d) {
            ChangeUserDialog* dlg = ActiveLogIn(d);
            QVERIFY(dlg);
            dlg->accountBox()->setCurrentText(QStringLiteral("22"));
            TypeInto(dlg->passwordEdit(), QStringLiteral("5"));
            Press(dlg->confirmButton());
            shownMessage = dlg->messageLabel()->text();
        });
        QTest::mouseClick(p.page->loginButton(), Qt::LeftButton);
        QCOMPARE(shownMessage, QString());
    }

    void addDialog()
    {
        Page p;
        p.logIn(QStringLiteral("admin"), QStringLiteral("7254"));
        AddUserDialog* dlg = adduserdlg;
        dlg->Initialize();
        QVERIFY(Open(dlg));
        QCOMPARE(dlg->messageLabel()->text(), LanStr(619));
        QCOMPARE(dlg->nameEdit()->placeholderText(), LanStr(616));
        Press(dlg->confirmButton());
        QCOMPARE(dlg->messageLabel()->text(), LanStr(616));
        TypeInto(dlg->nameEdit(), QStringLiteral("31"));
        TypeInto(dlg->passwordEdit(), QStringLiteral("1234"));
        TypeInto(dlg->againEdit(), QStringLiteral("1243"));
        Press(dlg->confirmButton());
        QCOMPARE(dlg->messageLabel()->text(), LanStr(620));
        QVector<QString> names;
        QVector<UserType> types;
        p.users().getAllUsersName(names, types);
        QVERIFY(!names.contains(QStringLiteral("31")));

        TypeInto(dlg->againEdit(), QStringLiteral("1234"));
        QTest::mouseClick(dlg->operatorButton(), Qt::LeftButton);
        Press(dlg->confirmButton());
        QCOMPARE(dlg->messageLabel()->text(), LanStr(632));
        QTRY_VERIFY(!dlg->isVisible());  // closes itself after the message was readable
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        names.clear();
        types.clear();
        p.users().getAllUsersName(names, types);
        QCOMPARE(types.value(names.indexOf(QStringLiteral("31"))), UserOperator);

        // The role choice carries over to the next opening; the fields do not.
        dlg->Initialize();
        QVERIFY(dlg->operatorButton()->isChecked());
        QCOMPARE(dlg->nameEdit()->text(), QString());
    }

    void deleteDialog()
    {
        Page p;
        p.addAccounts();
        p.logIn(QStringLiteral("11"), QStringLiteral("111"));
        DeleteUserDialog* dlg = deleteuserdlg;
        dlg->Initialize();
        QCOMPARE(Items(dlg->accountBox()), QStringList({"22", "23"}));  // a technician sees operators only
        dlg->show();
        dlg->accountBox()->setCurrentText(QStringLiteral("23"));
        Press(dlg->confirmButton());
        QCOMPARE(dlg->messageLabel()->text(), LanStr(635));
        QTRY_VERIFY(!dlg->isVisible());

        p.logIn(QStringLiteral("22"), QStringLiteral("222"));
        dlg->Initialize();
        QCOMPARE(dlg->accountBox()->count(), 0);
        dlg->show();
        Press(dlg->confirmButton());
        QCOMPARE(dlg->messageLabel()->text(), LanStr(636));
        QVERIFY(dlg->isVisible());
    }

    void passwordDialog()
    {
        Page p;
        p.addAccounts();
        p.logIn(QStringLiteral("22"), QStringLiteral("222"));
        ChangePsdDialog* dlg = changepsddlg;
        dlg->Initialize();
        QVERIFY(Open(dlg));
        QCOMPARE(dlg->messageLabel()->text(), LanStr(626).arg(QStringLiteral("22")));
        TypeInto(dlg->oldEdit(), QStringLiteral("222"));
        TypeInto(dlg->newEdit(), QStringLiteral("4444"));
        Press(dlg->confirmButton());  // the repeat field is empty
        QCOMPARE(dlg->messageLabel()->text(), LanStr(620));
        TypeInto(dlg->againEdit(), QStringLiteral("4444"));
        Press(dlg->confirmButton());
        QCOMPARE(dlg->messageLabel()->text(), LanStr(637));
        QTRY_VERIFY(!dlg->isVisible());
        p.users().LogOut();
        QString m;
        QVERIFY(p.users().changeUser(QStringLiteral("22"), QStringLiteral("4444"), m));
    }

    void allocateDialog()
    {
        Page p;
        p.logIn(QStringLiteral("admin"), QStringLiteral("7254"));
        AllocateDialog* dlg = allocatedlg;
        const int technician[7] = {1, 0, 1, 0, 0, 0, 1};
        const int operators[7] = {0, 0, 0, 0, 0, 0, 0};
        QVERIFY(p.users().RecordPermission(technician, operators));
        dlg->Initialize();
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(dlg->box(0, k)->isChecked(), technician[k] == 1);
            QVERIFY(!dlg->box(1, k)->isChecked());
        }
        // A tick left by a cancelled edit is gone at the next opening.
        dlg->show();
        QTest::mouseClick(dlg->box(1, 3), Qt::LeftButton);
        QVERIFY(dlg->box(1, 3)->isChecked());
        Press(dlg->cancelButton());
        QVERIFY(!dlg->isVisible());
        dlg->Initialize();
        QVERIFY(!dlg->box(1, 3)->isChecked());

        // Nothing ticked stores all zeros for both roles.
        dlg->show();
        for (int k : {0, 2, 6})
            QTest::mouseClick(dlg->box(0, k), Qt::LeftButton);
        QTest::mouseClick(dlg->box(1, 5), Qt::LeftButton);
        Press(dlg->confirmButton());
        QTRY_VERIFY(!dlg->isVisible());
        int flags[7] = {9, 9, 9, 9, 9, 9, 9};
        p.users().getallPermission(flags, 1);
        QCOMPARE(QList<int>(std::begin(flags), std::end(flags)), QList<int>({0, 0, 0, 0, 0, 0, 0}));
        p.users().getallPermission(flags, 2);
        QCOMPARE(QList<int>(std::begin(flags), std::end(flags)), QList<int>({0, 0, 0, 0, 0, 1, 0}));
    }

    void refusalOffersTheLogIn()
    {
        Page p;
        p.addAccounts();
        p.users().LogOut();
        PopupAnswerer answers;
        answers.queueAction([](QDialog* d) {
            QCOMPARE(QString::fromLatin1(d->metaObject()->className()), QStringLiteral("MessageDialog"));
            const QList<QPushButton*> buttons = d->findChildren<QPushButton*>();
            QCOMPARE(buttons.size(), 2);
            QCOMPARE(buttons.last()->text(), LanStr(121));
            // Pressed after this answer returns: the log-in dialog it opens is answered next.
            QPushButton* logIn = buttons.last();
            QTimer::singleShot(0, logIn, [logIn] { QTest::mouseClick(logIn, Qt::LeftButton); });
        });
        answers.queueAction([](QDialog* d) {
            ChangeUserDialog* dlg = ActiveLogIn(d);  // it follows the refusal box
            QVERIFY(dlg);
            dlg->accountBox()->setCurrentText(QStringLiteral("11"));
            TypeInto(dlg->passwordEdit(), QStringLiteral("111"));
            Press(dlg->confirmButton());
        });
        QVERIFY(!p.users().CheckPermission(1));
        QCOMPARE(p.users().userName(), QStringLiteral("11"));
    }

    // Grabs for a person to look at when MOJU_SHOTS_DIR names a folder.
    void grabScreens_data() { AddLanguageRows(); }
    void grabScreens()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        gLan = lan;
        {
            Page p;
            p.addAccounts();
            const QString stem = QStringLiteral("%1/%2x%3-%4-").arg(out).arg(gShowW).arg(gShowH).arg(QTest::currentDataTag());
            adduserdlg->Initialize();
            changepsddlg->Initialize();
            changeuserdlg->Initialize();
            allocatedlg->Initialize();
            deleteuserdlg->Initialize();
            allocatedlg->box(0, 2)->setChecked(true);
            const QList<QPair<QString, QDialog*>> dialogs = {
                {QStringLiteral("add"), adduserdlg}, {QStringLiteral("password"), changepsddlg},
                {QStringLiteral("login"), changeuserdlg}, {QStringLiteral("allocate"), allocatedlg},
                {QStringLiteral("delete"), deleteuserdlg}};
            for (const auto& d : dialogs) {
                d.second->show();
                QVERIFY(d.second->grab().save(stem + d.first + QStringLiteral(".png")));
                d.second->hide();
            }
            QVERIFY(Open(adduserdlg));
            TypeInto(adduserdlg->nameEdit(), QStringLiteral("5"));
            QTest::mouseClick(adduserdlg->passwordEdit(), Qt::LeftButton);
            QVERIFY(adduserdlg->grab().save(stem + QStringLiteral("add-keypad.png")));
            adduserdlg->hide();
            // The password gate, after a wrong entry and with the keypad open.
            PasswordBox gate;
            QVERIFY(Open(&gate));
            QVERIFY(gate.grab().save(stem + QStringLiteral("password-gate.png")));
            TypeInto(gate.field(), QStringLiteral("1"));
            QTest::mouseClick(gate.field(), Qt::LeftButton);
            QVERIFY(gate.grab().save(stem + QStringLiteral("password-gate-keypad.png")));
        }
        gLan = kLanEn;
    }
};

MOJU_TEST_MAIN(TestAccountPage)
#include "test_account_page.moc"
