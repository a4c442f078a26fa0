#include "TestSupport.h"

#include "widgets/C_Type_COM.h"
#include "foundation/VisionGlobals.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

class TestStyle : public QObject {
    Q_OBJECT
private slots:
    void buttonPalettes_data()
    {
        QTest::addColumn<int>("palette");
        QTest::addColumn<QString>("qss");
        QTest::newRow("0") << 0
                           << "QPushButton{border-style:none;padding:3px;border-radius:5px;color:#FFFFFF;background:#323232;}"
                              "QPushButton:hover{color:#FFFFFF;background:#323232;}"
                              "QPushButton:pressed{color:#FFFFFF;background:#C8934A;}";
        QTest::newRow("3") << 3
                           << "QPushButton{border-style:none;padding:3px;border-radius:5px;color:#FFFFFF;background:#E74C3C;}"
                              "QPushButton:hover{color:#FFF5E7;background:#EC7064;}"
                              "QPushButton:pressed{color:#F5A996;background:#DC2D1A;}";
    }
    void buttonPalettes()
    {
        QFETCH(int, palette);
        QFETCH(QString, qss);
        QPushButton b;
        C_Type_COM().setBtnQss(&b, palette);
        QCOMPARE(b.styleSheet(), qss);
        QCOMPARE(b.focusPolicy(), Qt::NoFocus);
    }

    void invalidPaletteLeavesWidgetAlone()
    {
        QPushButton b;
        b.setStyleSheet(QStringLiteral("color:red;"));
        b.setFocusPolicy(Qt::StrongFocus);
        C_Type_COM().setBtnQss(&b, 7);
        C_Type_COM().setBtnQss(&b, -1);
        QCOMPARE(b.styleSheet(), QStringLiteral("color:red;"));
        QCOMPARE(b.focusPolicy(), Qt::StrongFocus);

        QLineEdit e;
        e.setStyleSheet(QStringLiteral("x"));
        C_Type_COM().setTxtQss(&e, 4);
        QCOMPARE(e.styleSheet(), QStringLiteral("x"));

        QProgressBar bar;
        bar.setStyleSheet(QStringLiteral("y"));
        C_Type_COM().setBarQss(&bar, 1);  // the bar has no palette form at all
        QCOMPARE(bar.styleSheet(), QStringLiteral("y"));
    }

    void editFocusBorder()
    {
        QLineEdit e;
        C_Type_COM().setTxtQss(&e, 2);
        QCOMPARE(e.styleSheet(),
                 QStringLiteral("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid #DCE4EC;}"
                                "QLineEdit:focus{border:2px solid #3498DB;}"));
    }

    void barAndSlider()
    {
        QProgressBar bar;
        C_Type_COM().setBarQss(&bar, QStringLiteral("#111"), QStringLiteral("#222"));
        QCOMPARE(bar.styleSheet(),
                 QStringLiteral("QProgressBar{font:9pt;height:8px;background:#111;border-radius:8px;text-align:center;border:1px solid #111;}"
                                "QProgressBar:chunk{border-radius:8px;background-color:#222;}"));

        QSlider s;
        C_Type_COM().setSliderQss(&s, 1);
        const QString qss = s.styleSheet();
        QVERIFY(qss.startsWith(QStringLiteral(
            "QSlider::groove:horizontal,QSlider::add-page:horizontal{height:14px;border-radius:4px;background:#FFFBF0;}"
            "QSlider::sub-page:horizontal{height:14px;border-radius:4px;background:#1ABC9C;}"
            "QSlider::handle:horizontal{width:16px;margin-top:-3px;margin-bottom:-3px;border-radius:6px;"
            "background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0.6 #FFFFFF,stop:0.8 #1ABC9C);}")));
        QVERIFY(qss.endsWith(QStringLiteral(
            "QSlider {background:rgb(170,170,170);margin:5px;padding:2px;height:10px;border-radius:4px}"
            "QSlider::sub-page:horizontal{background:qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, stop:1 rgba(50,50,50, 255), stop:0 blue)}")));
    }

    void layoutThreshold()
    {
        const int saved = gShowW;
        gShowW = 1024;
        QVERIFY(IsSmallLayout());
        gShowW = 1025;
        QVERIFY(!IsSmallLayout());
        gShowW = saved;
    }
};

MOJU_TEST_MAIN(TestStyle)
#include "test_style.moc"
