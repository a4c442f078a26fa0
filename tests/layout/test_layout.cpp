// Every screen as an operator reads it, at each panel size and in each
// language: nothing off the screen, no text over another, none cut, none too
// small. The checker itself is tested first on layouts known to be wrong.
#include "LayoutCheck.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {
QFont PixelFont(int px)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(px);
    return f;
}

QLabel* AddLabel(QWidget* parent, const QString& text, const QRect& r, int px = 16)
{
    auto* l = new QLabel(text, parent);
    l->setFont(PixelFont(px));
    l->setGeometry(r);
    return l;
}
}  // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void checkerFindsFaults_data();
    void checkerFindsFaults();
    void paintedTextRules_data();
    void paintedTextRules();
};

void TestLayout::checkerFindsFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("expected");  // empty: no problem at all
    QTest::newRow("clean") << 0 << QString();
    QTest::newRow("off the screen") << 1 << QStringLiteral("off the screen");
    QTest::newRow("texts overlap") << 2 << QStringLiteral("texts over each other");
    QTest::newRow("label too narrow") << 3 << QStringLiteral("does not fit");
    QTest::newRow("label too low") << 4 << QStringLiteral("does not fit");
    QTest::newRow("too small") << 5 << QStringLiteral("text of 9 px");
    QTest::newRow("button too narrow") << 6 << QStringLiteral("does not fit");
    QTest::newRow("combo item too wide") << 7 << QStringLiteral("does not fit");
    QTest::newRow("cut by parent") << 8 << QStringLiteral("cut by its parent");
    QTest::newRow("check box too narrow") << 9 << QStringLiteral("does not fit");
}

void TestLayout::checkerFindsFaults()
{
    QFETCH(int, fault);
    QFETCH(QString, expected);
    const QSize screen(400, 300);
    QWidget root;
    root.setGeometry(QRect(QPoint(0, 0), screen));
    AddLabel(&root, QStringLiteral("Camera 1"), QRect(10, 10, 150, 30));
    auto* ok = new QPushButton(QStringLiteral("Confirm"), &root);
    ok->setFont(PixelFont(16));
    ok->setGeometry(10, 200, 150, 60);
    switch (fault) {
    case 1: AddLabel(&root, QStringLiteral("Help"), QRect(350, 10, 100, 30)); break;
    case 2: AddLabel(&root, QStringLiteral("Camera 2"), QRect(40, 12, 150, 30)); break;
    case 3: AddLabel(&root, QStringLiteral("Number of times not detected"), QRect(10, 60, 80, 30)); break;
    case 4: AddLabel(&root, QStringLiteral("Hold"), QRect(10, 60, 100, 8)); break;
    case 5: AddLabel(&root, QStringLiteral("NG 0 / Total 0"), QRect(10, 60, 150, 30), 9); break;
    case 6: {
        auto* b = new QPushButton(QStringLiteral("Previous Template"), &root);
        b->setFont(PixelFont(20));
        b->setGeometry(200, 200, 60, 60);
        break;
    }
    case 7: {
        auto* c = new QComboBox(&root);
        c->setFont(PixelFont(16));
        c->addItems({QStringLiteral("Live"), QStringLiteral("Template and more words than fit")});
        c->setGeometry(200, 100, 120, 40);
        break;
    }
    case 8: {
        auto* box = new QWidget(&root);
        box->setGeometry(200, 60, 100, 40);
        AddLabel(box, QStringLiteral("Snapshot"), QRect(50, 0, 120, 40));
        break;
    }
    case 9: {
        auto* c = new QCheckBox(QStringLiteral("Display the acquisition mode switch button"), &root);
        c->setFont(PixelFont(16));
        c->setGeometry(10, 100, 200, 40);
        break;
    }
    default: break;
    }
    root.show();
    QVERIFY(QTest::qWaitForWindowExposed(&root));
    const QStringList problems = LayoutCheck::check(&root, screen);
    if (expected.isEmpty()) {
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    } else {
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(expected), qPrintable(problems.first()));
    }
}

void TestLayout::paintedTextRules_data()
{
    QTest::addColumn<QRect>("second");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<QString>("expected");
    QTest::newRow("apart") << QRect(10, 50, 200, 30) << 16 << QString();
    QTest::newRow("over the first") << QRect(100, 15, 200, 30) << 16 << QStringLiteral("texts over each other");
    QTest::newRow("off the screen") << QRect(300, 50, 200, 30) << 16 << QStringLiteral("off the screen");
    QTest::newRow("too small") << QRect(10, 50, 200, 30) << 8 << QStringLiteral("text of 8 px");
    QTest::newRow("cut at the top") << QRect(10, 50, 200, 6) << 16 << QStringLiteral("does not fit");
}

void TestLayout::paintedTextRules()
{
    QFETCH(QRect, second);
    QFETCH(int, pixelSize);
    QFETCH(QString, expected);
    const QList<LayoutCheck::PaintedText> texts{
        {QRect(10, 10, 200, 30), PixelFont(16), QStringLiteral("Cam 1 Prod detecting")},
        {second, PixelFont(pixelSize), QStringLiteral("NG 0 / Total 0")}};
    const QStringList problems = LayoutCheck::checkPainted(texts, QSize(400, 300));
    if (expected.isEmpty()) {
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    } else {
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(expected), qPrintable(problems.first()));
    }
}

MOJU_TEST_MAIN(TestLayout)
#include "test_layout.moc"
