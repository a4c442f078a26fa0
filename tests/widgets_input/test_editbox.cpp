#include "InputFixture.h"

#include "widgets/EditBox.h"
#include "widgets/EditParam.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>

class TestEditBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadKeyCaptions(); }

    void clamping_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("use0");
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("expected");

        QTest::newRow("use0 keeps 0") << 30 << 9999 << true << 0 << 0;
        QTest::newRow("use0 lifts 10") << 30 << 9999 << true << 10 << 30;
        QTest::newRow("use0 lifts negatives") << 30 << 9999 << true << -1 << 30;
        QTest::newRow("no use0 lifts 0") << 30 << 9999 << false << 0 << 30;
        QTest::newRow("above max") << 0 << 10000 << false << 20000 << 10000;
        QTest::newRow("inside") << 0 << 10000 << false << 777 << 777;
        QTest::newRow("at min") << 5 << 10 << false << 5 << 5;
        QTest::newRow("at max") << 5 << 10 << false << 10 << 10;
        QTest::newRow("use0 above max") << 30 << 99 << true << 100 << 99;
        QTest::newRow("negative range") << -50 << -10 << false << 0 << -10;
    }

    void clamping()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(bool, use0);
        QFETCH(int, input);
        QFETCH(int, expected);
        EditBox box(min, max, nullptr, QStringLiteral("Cap"), QString());
        box.setUse0(use0);
        QSignalSpy changed(&box, &EditBox::valueChanged);
        box.setValue(input);
        QCOMPARE(box.value(), expected);
        QCOMPARE(box.edit()->text(), QString::number(expected));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toInt(), expected);
        // Signalled on every check, changed or not.
        box.CheckRange();
        QCOMPARE(changed.count(), 2);
    }

    void setInputValueIsUnchecked()
    {
        EditBox box(0, 10, nullptr, QStringLiteral("Cap"), QString());
        box.setValue(3);
        QSignalSpy changed(&box, &EditBox::valueChanged);
        box.setInputValue(50);
        QCOMPARE(box.value(), 50);
        QCOMPARE(box.edit()->text(), QStringLiteral("3"));
        QCOMPARE(changed.count(), 0);
    }

    void scaledCaptions_data()
    {
        QTest::addColumn<int>("showType");
        QTest::addColumn<int>("scale");
        QTest::addColumn<int>("raw");
        QTest::addColumn<QStringList>("captions");  // -5, -1, +1, +5
        QTest::addColumn<QString>("shown");

        QTest::newRow("scale 10") << 2 << 10 << 123
                                  << QStringList{"- 0.5", "- 0.1", "+ 0.1", "+ 0.5"} << "12.3";
        QTest::newRow("scale 1") << 0 << 1 << 123 << QStringList{"- 5", "- 1", "+ 1", "+ 5"} << "123";
        QTest::newRow("scale 10 whole") << 2 << 10 << 120
                                        << QStringList{"- 0.5", "- 0.1", "+ 0.1", "+ 0.5"} << "12";
        QTest::newRow("scale 0 read as 1") << 2 << 0 << 7 << QStringList{"- 5", "- 1", "+ 1", "+ 5"} << "7";
        QTest::newRow("other type never shows") << 1 << 1 << 5 << QStringList{"- 5", "- 1", "+ 1", "+ 5"} << "";
    }

    void scaledCaptions()
    {
        QFETCH(int, showType);
        QFETCH(int, scale);
        QFETCH(int, raw);
        QFETCH(QStringList, captions);
        QFETCH(QString, shown);
        EditBox box(0, 1000, nullptr, QStringLiteral("Area"), QString(), showType, scale);
        QCOMPARE(box.subFiveButton()->text(), captions[0]);
        QCOMPARE(box.subOneButton()->text(), captions[1]);
        QCOMPARE(box.addOneButton()->text(), captions[2]);
        QCOMPARE(box.addFiveButton()->text(), captions[3]);
        box.setValue(raw);
        QCOMPARE(box.value(), raw);
        QCOMPARE(box.edit()->text(), shown);
        QCOMPARE(box.getType(), showType);
    }

    void stepButtons()
    {
        QWidget host;
        EditBox box(0, 20, &host, QStringLiteral("Cap"), QString());
        box.setValue(10);
        QVERIFY(ShowActive(host));
        Tap(box.addOneButton());
        QCOMPARE(box.value(), 11);
        Tap(box.addFiveButton());
        QCOMPARE(box.value(), 16);
        Tap(box.addFiveButton());
        QCOMPARE(box.value(), 20);
        Tap(box.subFiveButton());
        Tap(box.subOneButton());
        QCOMPARE(box.value(), 14);
        box.setValue(2);
        Tap(box.subFiveButton());
        QCOMPARE(box.value(), 0);
        QCOMPARE(box.edit()->text(), QStringLiteral("0"));
    }

    void heldButtonRepeats()
    {
        QWidget host;
        EditBox box(0, 1000, &host, QStringLiteral("Cap"), QString());
        box.setValue(0);
        QVERIFY(ShowActive(host));
        QCOMPARE(box.addOneButton()->autoRepeatDelay(), 300);
        QCOMPARE(box.addOneButton()->autoRepeatInterval(), 50);
        QElapsedTimer t;
        t.start();
        QTest::mousePress(box.addOneButton(), Qt::LeftButton);
        QTest::qWait(200);
        const bool early = t.elapsed() < 290;
        const int before = box.value();
        const bool reached = QTest::qWaitFor([&] { return box.value() >= 3; }, 2000);
        QTest::mouseRelease(box.addOneButton(), Qt::LeftButton);
        if (early)
            QCOMPARE(before, 0);  // nothing before the first repeat
        QVERIFY(reached);
        QVERIFY(t.elapsed() >= 300);
    }

    void layoutSizes()
    {
        EditBox box(0, 10, nullptr, QStringLiteral("Cap"), QStringLiteral("ms"));
        const bool small = gShowW <= 1024;
        const int h = small ? 28 : 50;
        const int bw = small ? 40 : 127;
        QCOMPARE(box.captionLabel()->size(), QSize(small ? 65 : 160, h));
        QCOMPARE(box.addOneButton()->size(), QSize(bw, h));
        QCOMPARE(box.subFiveButton()->size(), QSize(bw, h));
        QCOMPARE(box.edit()->size(), QSize(bw + 10, h));
        QCOMPARE(box.captionLabel()->palette().color(QPalette::Inactive, QPalette::WindowText), QColor(Qt::yellow));
        box.adjustSize();
        // Caption, buttons and field in one row, left to right.
        QVERIFY(box.captionLabel()->x() < box.subFiveButton()->x());
        QVERIFY(box.subFiveButton()->x() < box.subOneButton()->x());
        QVERIFY(box.subOneButton()->x() < box.edit()->x());
        QVERIFY(box.edit()->x() < box.addOneButton()->x());
        QVERIFY(box.addOneButton()->x() < box.addFiveButton()->x());
        QVERIFY(box.width() <= gShowW);

        // Unit label at the right of the field, following the number.
        const int cw = small ? 10 : 27;
        QLabel* unit = box.edit()->unitLabel();
        QVERIFY(unit);
        QCOMPARE(unit->width(), cw * 2 + 10);
        box.setValue(7);
        QCOMPARE(box.edit()->labelX(), (box.edit()->width() - unit->width() + int(13.5 * 1)) / 2);

        EditBox plain(0, 10, nullptr, QStringLiteral("Cap"), QString());
        QVERIFY(!plain.edit()->unitLabel());
        plain.setSampleShow();
        QVERIFY(plain.addOneButton()->isHidden());
        QVERIFY(plain.subFiveButton()->isHidden());
    }

    void editRange_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("swapped range caps") << 5 << 1 << "9" << "5";
        QTest::newRow("swapped range empty") << 5 << 1 << "" << "1";
        QTest::newRow("inside") << 1 << 5 << "3" << "3";
        QTest::newRow("no range") << -1 << 5 << "900" << "900";
        QTest::newRow("not a number") << 2 << 8 << "x" << "2";
    }

    void editRange()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        Edit e(5, nullptr, 1);
        e.setRange(min, max);
        e.setText(QStringLiteral("4"));
        e.setText(typed);
        QCOMPARE(e.text(), shown);
    }

    void editValues()
    {
        Edit e(5, nullptr, 1);
        e.setValue(42);
        QCOMPARE(e.value(), 42);
        e.setValue(1.0 / 3.0);
        QCOMPARE(e.text(), QStringLiteral("0.333333"));
        e.setText(QStringLiteral("abc"));
        QCOMPARE(e.value(), 0);
        e.init();
        QCOMPARE(e.text(), QString());
    }
};

MOJU_TEST_MAIN(TestEditBox)
#include "test_editbox.moc"
