#include "InputFixture.h"

#include "platform/SystemActions.h"
#include "widgets/CheckBox.h"
#include "widgets/ChooseBox.h"
#include "widgets/EditDateTime.h"
#include "widgets/EditIP.h"
#include "widgets/Label.h"
#include "widgets/ModifyTimeWidget.h"

#include <QDateEdit>
#include <QSignalSpy>
#include <QTimeEdit>

namespace {
// Clock commands that fail, to see that the failure is not silent.
struct FailingActions : RecordingSystemActions {
    QList<QStringList> calls;
    ActionResult run(const QStringList& argv, int timeoutMs) override
    {
        calls << argv;
        lastTimeout = timeoutMs;
        ActionResult r;
        r.exitCode = -1;
        return r;
    }
    int lastTimeout = 0;
};
}  // namespace

class TestEditors : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadKeyCaptions(); }

    void ipFromText_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("emitted");

        QTest::newRow("full address") << "0.0.0.0" << "192.168.1.10" << "192.168.1.10" << 9;
        QTest::newRow("short keeps the rest") << "1.2.3.4" << "10.0" << "10.0.3.4" << 2;
        QTest::newRow("above 255") << "0.0.0.0" << "300.1.1.1" << "255.1.1.1" << 6;
        QTest::newRow("leading zeros") << "1.1.1.1" << "1.1.1.007" << "1.1.1.7" << 3;
        QTest::newRow("extra dots stay in octet 4") << "0.0.0.0" << "1.2.3.4.5" << "1.2.3.5" << 5;
        QTest::newRow("negative") << "9.9.9.9" << "-5.9.9.9" << "0.9.9.9" << 2;
    }

    void ipFromText()
    {
        QFETCH(QString, before);
        QFETCH(QString, input);
        QFETCH(QString, address);
        QFETCH(int, emitted);
        EditIP ip(QStringLiteral("IP"), nullptr);
        ip.setTextIP(before);
        QSignalSpy changes(&ip, &EditIP::textchange);
        ip.setTextIP(input);
        QCOMPARE(ip.getTextIP(), address);
        QCOMPARE(changes.count(), emitted);
        if (emitted)
            QCOMPARE(changes.last().first().toString(), address);
    }

    void ipOctetsStayNumbers()
    {
        EditIP ip(QStringLiteral("IP"), nullptr);
        ip.setTextIP(QStringLiteral("1.2.3.4"));
        ip.octet(1)->setText(QString());
        QCOMPARE(ip.octet(1)->text(), QStringLiteral("0"));
        ip.octet(2)->setText(QStringLiteral("007"));
        QCOMPARE(ip.octet(2)->text(), QStringLiteral("7"));
        QCOMPARE(ip.getTextIP(), QStringLiteral("1.0.7.4"));
        ip.octet(3)->setText(QStringLiteral("junk"));
        QCOMPARE(ip.getTextIP(), QStringLiteral("1.0.7.0"));
    }

    void ipTypedThroughKeypad()
    {
        Pads pads;
        QWidget host;
        auto* page = new QWidget(&host);
        page->setGeometry(20, 20, gShowW - 40, gShowH / 2);
        auto* ip = new EditIP(QStringLiteral("IP"), page);
        ip->setGeometry(10, 10, gShowW / 2, gShowW <= 1024 ? 50 : 80);
        ip->setTextIP(QStringLiteral("192.168.1.10"));
        QVERIFY(ShowActive(host));
        QSignalSpy changes(ip, &EditIP::textchange);

        Tap(ip->octet(3));
        QVERIFY(gpNumPad->isVisible());
        QCOMPARE(gpNumPad->parentWidget(), page);  // grandparent of the octet
        TypeDigits(QStringLiteral("300"));
        QCOMPARE(ip->octet(3)->text(), QStringLiteral("255"));
        QCOMPARE(changes.last().first().toString(), QStringLiteral("192.168.1.255"));

        // A dot moves on to the next octet, which starts at 0.
        Tap(ip->octet(1));
        TypeDigits(QStringLiteral("5"));
        QTest::keyClick(ip->octet(1), Qt::Key_Period);
        QVERIFY(ip->octet(2)->hasFocus());
        QCOMPARE(ip->octet(2)->text(), QStringLiteral("0"));
        QCOMPARE(ip->getTextIP(), QStringLiteral("192.5.0.255"));
        QCOMPARE(CurEdit(), ip->octet(2));
    }

    void ipLayout()
    {
        EditIP ip(QStringLiteral("IP"), nullptr);
        const bool small = gShowW <= 1024;
        QCOMPARE(ip.octet(0)->size(), small ? QSize(50, 30) : QSize(100, 50));
        QCOMPARE(ip.height(), small ? 50 : 80);
        QCOMPARE(ip.captionLabel()->width(), small ? 100 : 200);
        QCOMPARE(ip.octet(0)->font().family(), QStringLiteral("wenquanyi"));
        QCOMPARE(ip.octet(0)->mode(), 9u);
    }

    void clockSetThroughSystemActions()
    {
        TempWorkDir dir;
        QVERIFY(dir.isValid());
        EditDateTime editor(QStringLiteral("Time"), nullptr);
        editor.dateEdit()->setDate(QDate(2026, 3, 4));
        editor.timeEdit()->setTime(QTime(5, 6, 7));
        QCOMPARE(editor.m_getDateTime(), QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
        QVERIFY(editor.setSysDateTime());
        const QStringList lines = SystemActionLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].endsWith(QStringLiteral(" date -s 2026-03-04 05:06:07")), qPrintable(lines[0]));
        QVERIFY2(lines[1].endsWith(QStringLiteral(" hwclock --systohc")), qPrintable(lines[1]));
    }

    void clockFailureIsLogged()
    {
        FailingActions failing;
        SystemActions::setInstance(&failing);
        EditDateTime editor(QStringLiteral("Time"), nullptr);
        editor.dateEdit()->setDate(QDate(2026, 1, 2));
        editor.timeEdit()->setTime(QTime(3, 4, 5));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^date -s 2026-01-02 03:04:05 failed")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^hwclock --systohc failed")));
        const bool ok = editor.setSysDateTime();
        SystemActions::setInstance(nullptr);
        QVERIFY(!ok);
        QCOMPARE(failing.calls.size(), 2);
        QCOMPARE(failing.calls[0], (QStringList{"date", "-s", "2026-01-02 03:04:05"}));
        QCOMPARE(failing.lastTimeout, 3000);
    }

    void dateTimeLayout()
    {
        EditDateTime editor(QStringLiteral("Time"), nullptr);
        const bool small = gShowW <= 1024;
        QCOMPARE(editor.dateEdit()->size(), small ? QSize(200, 40) : QSize(330, 60));
        QCOMPARE(editor.timeEdit()->displayFormat(), QStringLiteral("HH:mm:ss"));
        QCOMPARE(editor.dateEdit()->displayFormat(), QStringLiteral("yyyy-MM-dd"));
        editor.adjustSize();
        if (small)
            QVERIFY(editor.timeEdit()->y() > editor.captionLabel()->y());
        else
            QCOMPARE(editor.timeEdit()->y(), editor.dateEdit()->y());
        QVERIFY(editor.timeEdit()->x() > editor.dateEdit()->x());
        editor.ShowDateTime();
        QVERIFY(qAbs(editor.m_getDateTime().secsTo(QDateTime::currentDateTime())) < 5);
    }

    void spinArrowsStandOutFromEditor()
    {
        TempWorkDir dir;
        QVERIFY(dir.isValid());
        EditDateTime editor(QStringLiteral("Time"), nullptr);
        const QColor base = editor.dateEdit()->palette().color(QPalette::Base);
        for (const char* name : {"left.png", "right.png"}) {
            const QImage pic(QStringLiteral("./images/") + QLatin1String(name));
            QVERIFY2(!pic.isNull(), name);
            // Mean lightness of the arrow itself (its opaque pixels).
            double sum = 0;
            int n = 0;
            for (int y = 0; y < pic.height(); ++y)
                for (int x = 0; x < pic.width(); ++x) {
                    const QColor c = pic.pixelColor(x, y);
                    if (c.alpha() > 200) {
                        sum += c.lightness();
                        ++n;
                    }
                }
            QVERIFY2(n > 0, name);
            QVERIFY2(qAbs(sum / n - base.lightness()) > 80, name);
        }
    }

    void modifyTimeDialog()
    {
        ModifyTimeWidget dlg;
        const bool small = gShowW <= 1024;
        ChooseBox plain;
        QCOMPARE(dlg.geometry(), plain.geometry());
        QCOMPARE(dlg.yesButton()->text(), QStringLiteral("Confirm"));
        QCOMPARE(dlg.noButton()->text(), QStringLiteral("Cancel"));
        QCOMPARE(dlg.yesButton()->geometry(), plain.yesButton()->geometry());
        EditDateTime* editor = dlg.editDateTime();
        QCOMPARE(editor->pos(), small ? QPoint(0, 10) : QPoint(0, 50));
        QCOMPARE(editor->captionLabel()->text(), QString());
        // The editors fit in the box above the buttons.
        for (QWidget* w : {static_cast<QWidget*>(editor->dateEdit()), static_cast<QWidget*>(editor->timeEdit())}) {
            const QRect r(w->mapTo(&dlg, QPoint(0, 0)), w->size());
            QVERIFY2(dlg.rect().contains(r), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
            QVERIFY(r.bottom() < dlg.yesButton()->y());
        }
        PopupAnswerer answer;
        answer.queueAction([](QDialog* d) { static_cast<ChooseBox*>(d)->yesButton()->click(); });
        QCOMPARE(dlg.exec(), 1);
    }

    void checkBoxAndLabel()
    {
        CheckBox box(nullptr, QStringLiteral("Use"));
        QSignalSpy state(&box, &QCheckBox::stateChanged);
        box.setValue(5);
        QCOMPARE(box.value(), 1);
        QCOMPARE(box.checkState(), Qt::Checked);
        box.setValue(5);
        QCOMPARE(state.count(), 1);
        box.setValue(0);
        QCOMPARE(box.value(), 0);
        QCOMPARE(state.count(), 2);
        QVERIFY(!box.wasPressed());
        box.resize(200, 40);
        QTest::mousePress(&box, Qt::LeftButton);
        QVERIFY(box.wasPressed());
        QTest::mouseRelease(&box, Qt::LeftButton);

        QPixmap pm(20, 20);
        pm.fill(Qt::red);
        Label label(nullptr, pm);
        QSignalSpy clicked(&label, &Label::clicked);
        label.resize(40, 40);
        QTest::mousePress(&label, Qt::LeftButton);
        QTest::mousePress(&label, Qt::RightButton);
        QCOMPARE(clicked.count(), 1);
    }
};

MOJU_TEST_MAIN(TestEditors)
#include "test_editors.moc"
