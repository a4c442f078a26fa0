#include "InputFixture.h"

#include "widgets/Slider.h"

#include <QSignalSpy>

namespace {
void Send(QWidget* w, QEvent::Type type, int x, Qt::MouseButtons buttons = Qt::LeftButton)
{
    const QPointF p(x, w->height() / 2);
    QMouseEvent e(type, p, w->mapToGlobal(p), w->mapToGlobal(p), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// Width giving a track 200 px long on the current layout.
int WidthForTrack200()
{
    // track length = trunc(0.95 x track width); 211 -> 200
    return 211 + (gShowW <= 1024 ? 201 : 369) + 1;
}
}  // namespace

class TestSlider : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadKeyCaptions(); }

    void geometry()
    {
        Slider s(0, 100, 10, 50, nullptr, QStringLiteral("Area"));
        s.resize(WidthForTrack200(), 50);
        s.show();
        QCOMPARE(s.trackWidth(), 211);
        QCOMPARE(s.trackLength(), 200);
        QCOMPARE(s.trackOffset(), 6);
        const bool small = gShowW <= 1024;
        const int w1 = s.width() - 1, h1 = s.height() - 1;
        QCOMPARE(s.addButton()->size(), small ? QSize(40, 28) : QSize(70, 41));
        if (small) {
            QCOMPARE(s.addButton()->pos(), QPoint(w1 - 39, (h1 - 27) / 2));
            QCOMPARE(s.subButton()->pos(), QPoint(114, (h1 - 27) / 2));
        } else {
            QCOMPARE(s.addButton()->pos(), QPoint(w1 - 69, (h1 - 27) / 2 - 6));
            QCOMPARE(s.subButton()->pos(), QPoint(220, (h1 - 27) / 2 - 6));
        }
        QCOMPARE(s.handleX(), (small ? 157 : 295) + 6 + 100);
        QCOMPARE(s.objectName(), QStringLiteral("Area"));
        QCOMPARE(s.valueField()->width(), 0);
    }

    void slowDragAddsUp()
    {
        Slider s(0, 100, 10, 50, nullptr, QStringLiteral("Area"));
        s.resize(WidthForTrack200(), 50);
        s.show();
        QSignalSpy changed(&s, &Slider::valueChanged);
        const int hx = s.handleX();
        Send(&s, QEvent::MouseButtonPress, hx);
        QVERIFY(s.dragging());
        Send(&s, QEvent::MouseMove, hx + 1);
        QCOMPARE(s.value(), 50);  // 100 x 1 / 200 rounds to 0: start kept
        Send(&s, QEvent::MouseMove, hx + 2);
        QCOMPARE(s.value(), 51);
        QCOMPARE(changed.count(), 1);

        // Far beyond the end stops at the maximum.
        Send(&s, QEvent::MouseMove, hx + 1000);
        QCOMPARE(s.value(), 100);
        Send(&s, QEvent::MouseMove, hx - 5000);
        QCOMPARE(s.value(), 0);
        Send(&s, QEvent::MouseButtonRelease, hx, Qt::NoButton);
        QVERIFY(!s.dragging());
        Send(&s, QEvent::MouseMove, hx + 300);
        QCOMPARE(s.value(), 0);
    }

    void pressAwayFromHandleNeitherDragsNorJumps()
    {
        Slider s(0, 100, 10, 50, nullptr, QStringLiteral("Area"));
        s.resize(WidthForTrack200(), 50);
        s.show();
        const int hx = s.handleX();
        Send(&s, QEvent::MouseButtonPress, hx + 10 + 19);  // last pixel of the grab zone
        QVERIFY(s.dragging());
        Send(&s, QEvent::MouseButtonPress, hx + 10 + 20);
        QVERIFY(!s.dragging());
        Send(&s, QEvent::MouseButtonPress, hx - 21);
        QVERIFY(!s.dragging());
        Send(&s, QEvent::MouseMove, hx + 150);
        QCOMPARE(s.value(), 50);

        // Reset in the middle of a drag ends it.
        Send(&s, QEvent::MouseButtonPress, hx);
        QVERIFY(s.dragging());
        s.Reset(0, 10, 1, 3, QStringLiteral("Size"));
        QVERIFY(!s.dragging());
        QCOMPARE(s.value(), 3);
        QCOMPARE(s.objectName(), QStringLiteral("Size"));
    }

    void degenerateSlidersDoNotDivideByZero_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::newRow("min equals max") << 800 << 5 << 5;
        QTest::newRow("track narrower than its ends") << 60 << 0 << 100;
        QTest::newRow("before any resize") << -1 << 0 << 100;
    }

    void degenerateSlidersDoNotDivideByZero()
    {
        QFETCH(int, width);
        QFETCH(int, min);
        QFETCH(int, max);
        Slider s(min, max, 1, min, nullptr, QStringLiteral("X"));
        if (width > 0) {
            s.resize(width, 50);
            s.show();
        }
        QVERIFY(s.trackWidth() >= 0);
        QVERIFY(!s.grab().isNull());  // paints
        const int hx = s.handleX();
        Send(&s, QEvent::MouseButtonPress, hx);
        Send(&s, QEvent::MouseMove, hx + 40);
        Send(&s, QEvent::MouseButtonRelease, hx + 40, Qt::NoButton);
        QVERIFY(s.value() >= min && s.value() <= max);
    }

    void tapOnValueFieldTypesValue_data()
    {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("expected");
        QTest::newRow("inside range") << 100 << 42;
        QTest::newRow("beyond maximum") << 30 << 30;
    }

    void tapOnValueFieldTypesValue()
    {
        QFETCH(int, max);
        QFETCH(int, expected);
        Pads pads;
        QWidget host;
        auto* s = new Slider(0, max, 1, 7, &host, QStringLiteral("Sens"));
        s->setGeometry(10, 20, WidthForTrack200(), gShowW <= 1024 ? 40 : 60);
        QVERIFY(ShowActive(host));
        QSignalSpy changed(s, &Slider::valueChanged);

        const int fieldX = gShowW <= 1024 ? 69 : 135;
        // A tap on the track does not open the pad.
        Tap(s, QPoint(s->handleX() + 60, s->height() / 2));
        QVERIFY(!gpNumPad->isVisible());
        QCOMPARE(s->value(), 7);

        Tap(s, QPoint(fieldX + 5, s->height() / 2));
        QVERIFY(gpNumPad->isVisible());
        QCOMPARE(gpNumPad->parentWidget(), &host);
        QCOMPARE(gpNumPad->pos(), QPoint(10, 20 + s->valueField()->height() + 5));
        QCOMPARE(CurEdit(), s->valueField());
        QCOMPARE(s->value(), 7);  // an emptied field waits for the first digit
        TypeDigits(QStringLiteral("4"));
        QCOMPARE(s->value(), 4);
        TypeDigits(QStringLiteral("2"));
        QCOMPARE(s->value(), expected);
        QCOMPARE(changed.count(), 2);

        Tap(gpNumPad->confirmKey());
        QVERIFY(!gpNumPad->isVisible());
        QCOMPARE(CurEdit(), nullptr);
        QCOMPARE(s->value(), expected);

        // Opening again and leaving without a digit keeps the value.
        Tap(s, QPoint(fieldX + 5, s->height() / 2));
        QVERIFY(gpNumPad->isVisible());
        Tap(gpNumPad->confirmKey());
        QCOMPARE(s->value(), expected);
    }

    void valueFieldEdges_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("opens");
        QTest::newRow("left edge") << "left" << true;
        QTest::newRow("just before") << "before" << false;
        QTest::newRow("right edge") << "right" << true;
    }

    void valueFieldEdges()
    {
        QFETCH(QString, where);
        QFETCH(bool, opens);
        Pads pads;
        QWidget host;
        auto* s = new Slider(0, 100, 1, 7, &host, QStringLiteral("Sens"));
        s->setGeometry(0, 0, WidthForTrack200(), 50);
        QVERIFY(ShowActive(host));
        const bool small = gShowW <= 1024;
        const int left = small ? 69 : 135;
        const int right = small ? 108 : 214;
        const int x = where == QLatin1String("right") ? right : (where == QLatin1String("left") ? left : left - 1);
        Send(s, QEvent::MouseButtonRelease, x, Qt::NoButton);
        QCOMPARE(gpNumPad->isVisible(), opens);
        gpNumPad->HideUpdate();
        Send(s, QEvent::MouseButtonRelease, right + 1, Qt::NoButton);
        QVERIFY(!gpNumPad->isVisible());
    }

    void heldPlusRepeatsUpToMaximum()
    {
        QWidget host;
        auto* s = new Slider(0, 4, 1, 0, &host, QStringLiteral("Sens"));
        s->setGeometry(0, 0, 800, 50);
        QVERIFY(ShowActive(host));
        QCOMPARE(s->addButton()->autoRepeatDelay(), 300);
        QCOMPARE(s->addButton()->autoRepeatInterval(), 50);
        QTest::mousePress(s->addButton(), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s->value() == 4; }, 3000));
        QTest::qWait(120);
        QTest::mouseRelease(s->addButton(), Qt::LeftButton);
        QCOMPARE(s->value(), 4);
        Tap(s->subButton());
        QCOMPARE(s->value(), 3);
        s->SetText(QStringLiteral("99999999999999999999"));
        QCOMPARE(s->value(), 4);
        s->SetText(QStringLiteral("abc"));
        QCOMPARE(s->value(), 0);
    }

    // The skin pictures are scaled into fixed places of a slider row (40 px
    // high on small screens, 45 on large ones); one far from that shape
    // comes out squashed or stretched.
    void skinPicturesFitTheirPlaces_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("place");
        QTest::newRow("handle") << "slidert.png" << "handle";
        QTest::newRow("value field") << "edit.png" << "field";
        QTest::newRow("track") << "sliderd.png" << "track";
        QTest::newRow("filled part") << "slideru.png" << "filled";
    }

    void skinPicturesFitTheirPlaces()
    {
        QFETCH(QString, file);
        QFETCH(QString, place);
        TempWorkDir dir;
        QVERIFY(dir.isValid());
        const QImage pic(QStringLiteral("./images/") + file);
        QVERIFY(!pic.isNull());
        const bool small = gShowW <= 1024;
        const int h1 = (small ? 40 : 45) - 1;
        QSize drawn;
        if (place == QLatin1String("handle"))
            drawn = QSize(10, h1 - 5);
        else if (place == QLatin1String("field"))
            drawn = small ? QSize(40, h1 - 15) : QSize(80, h1 - 5);
        else if (place == QLatin1String("track"))
            drawn = QSize(0, small ? h1 - 15 : h1 - 5);
        else
            drawn = QSize(0, small ? h1 - 31 : h1 - 21);
        // Heights within a factor of two; for the parts of fixed width also the proportion.
        const double hr = double(pic.height()) / drawn.height();
        QVERIFY2(hr >= 0.5 && hr <= 2.0, qPrintable(QString::number(hr)));
        if (drawn.width() > 0) {
            const double ar = (double(pic.width()) / pic.height()) / (double(drawn.width()) / drawn.height());
            QVERIFY2(ar >= 0.67 && ar <= 1.5, qPrintable(QString::number(ar)));
        }
    }
};

MOJU_TEST_MAIN(TestSlider)
#include "test_slider.moc"
