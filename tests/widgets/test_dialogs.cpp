#include "TestSupport.h"

#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/WarnBox.h"

#include <QAbstractItemView>
#include <QSignalSpy>

namespace {
struct ScreenOverride {
    int w, h;
    ScreenOverride(int nw, int nh) : w(gShowW), h(gShowH) { gShowW = nw; gShowH = nh; }
    ~ScreenOverride() { gShowW = w; gShowH = h; }
};

struct FakeHooks : MainWindowHooks {
    bool dark = true;
    int offTime = 30;
    int lcdOnCalls = 0;
    int restartedWith = -1;
    bool lcdOff() const override { return dark; }
    void LCDOnOff(int on) override { ++lcdOnCalls; dark = !on; }
    int screenOffTime() const override { return offTime; }
    void restartLcdTimer(int ms) override { restartedWith = ms; }
};
}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void largeMessageBoxGeometry()
    {
        ScreenOverride s(1280, 800);
        WarnBox box;
        QCOMPARE(box.geometry(), QRect(265, 215, 750, 370));
        QCOMPARE(box.confirmButton()->geometry(), QRect(265, 220, 220, 100));
    }

    void smallQuestionBoxGeometry()
    {
        ScreenOverride s(800, 600);
        ChooseBox box;
        QCOMPARE(box.geometry(), QRect(190, 210, 420, 180));
        QCOMPARE(box.yesButton()->geometry(), QRect(30, 105, 140, 60));
        QCOMPARE(box.noButton()->geometry(), QRect(240, 105, 140, 60));
        QVERIFY(box.windowFlags() & Qt::CustomizeWindowHint);
    }

    void boxesFollowTheTestScreen()
    {
        // Run on both screens by ctest: each picks its own layout when shown.
        WarnBox box;
        PopupAnswerer answer;
        box.setText(QStringLiteral("line one\nline two"));
        box.exec();
        const QRect g = box.geometry();
        if (gShowW <= 1024)
            QCOMPARE(g.size(), QSize(420, 180));
        else
            QCOMPARE(g.size(), QSize(750, 370));
        QCOMPARE(g.topLeft(), QPoint(gShowW / 2 - g.width() / 2, gShowH / 2 - g.height() / 2));
        QCOMPARE(answer.seen().size(), 1);
        QCOMPARE(answer.seen().first().text, QStringLiteral("line one\nline two"));
    }

    void whiteFrame_data()
    {
        QTest::addColumn<bool>("question");
        QTest::newRow("message") << false;
        QTest::newRow("question") << true;
    }

    void whiteFrame()
    {
        // 5-px frame centred on the rectangle (0,0)-(w-2,h-2).
        QFETCH(bool, question);
        WarnBox warn;
        ChooseBox choose;
        QDialog* box = question ? static_cast<QDialog*>(&choose) : static_cast<QDialog*>(&warn);
        const QImage drawn = box->grab().toImage();
        const int w = drawn.width(), h = drawn.height(), y = h / 2 - 10;
        const QColor white(Qt::white);
        for (int x : {0, 2, w - 4, w - 1})
            QVERIFY2(drawn.pixelColor(x, y) == white, qPrintable(QString::number(x)));
        for (int x : {3, w - 5})
            QVERIFY2(drawn.pixelColor(x, y) != white, qPrintable(QString::number(x)));
        QCOMPARE(drawn.pixelColor(w / 2 + 1, h - 4), white);
        QVERIFY(drawn.pixelColor(w / 2 + 1, h - 5) != white);
    }

    void chooseBoxYesReturnsOneNoReturnsZero()
    {
        ChooseBox box;
        PopupAnswerer answer;
        answer.queueAction([](QDialog* d) { static_cast<ChooseBox*>(d)->yesButton()->click(); });
        answer.queueAction([](QDialog* d) { static_cast<ChooseBox*>(d)->noButton()->click(); });
        box.setText(QStringLiteral("Stop?"));
        QCOMPARE(box.exec(), 1);
        QCOMPARE(box.exec(), 0);
        QCOMPARE(answer.seen().first().className, QStringLiteral("ChooseBox"));
    }

    void messageWakesTheScreen()
    {
        FakeHooks hooks;
        MainWindowHooks::setInstance(&hooks);
        WarnBox box;
        PopupAnswerer answer;
        box.exec();
        QCOMPARE(hooks.lcdOnCalls, 1);
        QCOMPARE(hooks.restartedWith, 30000);

        // Screen-off disabled: backlight on, timer left alone.
        hooks.dark = true;
        hooks.offTime = 0;
        hooks.restartedWith = -1;
        box.exec();
        QCOMPARE(hooks.lcdOnCalls, 2);
        QCOMPARE(hooks.restartedWith, -1);

        // Screen already on: nothing to do.
        box.exec();
        QCOMPARE(hooks.lcdOnCalls, 2);

        // A question never wakes the screen.
        hooks.dark = true;
        ChooseBox q;
        q.exec();
        QCOMPARE(hooks.lcdOnCalls, 2);
        MainWindowHooks::setInstance(nullptr);
    }

    void comboPressEmitsClickedAndStillOpens()
    {
        QWidget host;
        host.resize(400, 300);
        ComboBox combo(&host);
        combo.addItems({QStringLiteral("a"), QStringLiteral("b")});
        combo.setGeometry(10, 10, 200, 50);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QSignalSpy spy(&combo, &ComboBox::clicked);
        QTest::mouseClick(&combo, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QTRY_VERIFY(combo.view()->isVisible());
        combo.hidePopup();
    }

    void comboItemHeightStyle()
    {
        ComboBox combo;
        combo.setItemHeight(50);
        QCOMPARE(combo.styleSheet(),
                 QStringLiteral("QComboBox QAbstractItemView::item{height:50px;}QComboBox::tab-bar{border-width:0px;}"));
        QCOMPARE(combo.focusPolicy(), Qt::NoFocus);
    }

    void stepButtonRepeat()
    {
        ColorButton b(QStringLiteral("+"), nullptr);
        b.SetRepeat();
        QVERIFY(b.autoRepeat());
        QCOMPARE(b.autoRepeatDelay(), 300);
        QCOMPARE(b.autoRepeatInterval(), 50);
    }

    void captionSizes()
    {
        const int lan = gLan;
        ScreenOverride s(1920, 1080);
        ColorButton normal(QStringLiteral("x"), nullptr, 3), large(QStringLiteral("x"), nullptr, 4);
        gLan = 0;
        QCOMPARE(normal.captionPixelSize(), 27);
        QCOMPARE(large.captionPixelSize(), 33);
        gLan = 1;
        QCOMPARE(normal.captionPixelSize(), 22);
        QCOMPARE(large.captionPixelSize(), 30);
        gShowW = 1024;
        QCOMPARE(large.captionPixelSize(), 13);
        gLan = lan;
    }

    void calibrationChoice()
    {
        ChooseCaliNumWidget w;
        QCOMPARE(w.combo()->count(), 3);
        QCOMPARE(w.combo()->itemText(2), QStringLiteral(" 25 "));
        QCOMPARE(w.combo()->width(), 200);
        // Centred under the question and clear of the buttons, whatever the language.
        const QRect combo = w.combo()->geometry();
        QCOMPARE(combo.center().x(), w.rect().center().x());
        QVERIFY(combo.top() >= w.height() / 4);
        QVERIFY(combo.bottom() < w.yesButton()->y());
        w.combo()->setCurrentIndex(1);
        QCOMPARE(w.points(), 9);
    }
};

MOJU_TEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
