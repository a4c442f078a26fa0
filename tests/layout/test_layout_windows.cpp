// The windows a setter opens beside the main screen, as an operator reads
// them at this panel size in each language: the Other network settings
// dialog on each page, the cavity-name editor with its keypad on each page,
// the detection-cycle log and the records page with every camera. The rules
// the checker gained for them are tried first on layouts known to be wrong.
#include "LayoutCheck.h"
#include "TestSupport.h"

#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "network/gui/OtherNetWidget.h"
#include "params/WizardPara.h"
#include "records/DetectCycleSQL.h"
#include "records/ResStatisticsParam.h"
#include "records/gui/CameraStatisticsWidget.h"
#include "records/gui/CamereaTabWidget.h"
#include "records/gui/DetectCycleWidget.h"
#include "records/gui/EditCavitywidget.h"
#include "records/gui/StatisticsWidget.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumCharInput.h"
#include "widgets/SkinPixmaps.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

namespace {
QSize Screen()
{
    return QSize(gShowW, gShowH);
}

QFont PixelFont(int px)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(px);
    return f;
}

// The problems of a window, each line prefixed with where it was seen; with
// MOJU_SHOTS_DIR set, a grab of it for a person to look at.
QStringList Problems(const QString& where, QWidget* root)
{
    SaveShot(root, where);
    QStringList found = LayoutCheck::check(root, Screen());
    for (QString& line : found)
        line.prepend(where + QStringLiteral(": "));
    return found;
}

// The full-screen main window the windows open over, active as on the panel.
struct MainStandIn {
    QWidget w;
    MainStandIn()
    {
        w.setWindowFlags(Qt::FramelessWindowHint);
        w.setGeometry(QRect(QPoint(0, 0), Screen()));
        w.show();
        w.activateWindow();
    }
};

// A widget that paints a text of its own, for the checker's own tests.
class PaintsText : public QWidget, public PaintedTextSource {
public:
    PaintsText(QWidget* parent, const QRect& box, int px)
        : QWidget(parent)
        , m_box(box)
        , m_px(px)
    {
    }
    QList<PlacedText> PaintedTexts() const override
    {
        return {TextPlacer::InBox(QStringLiteral("Technical name"), PixelFont(m_px), Qt::yellow, m_box,
                                  Qt::AlignLeft | Qt::AlignVCenter)};
    }

private:
    QRect m_box;
    int m_px;
};

QLabel* AddLabel(QWidget* parent, const QString& text, const QRect& r, Qt::Alignment align = Qt::AlignLeft)
{
    auto* l = new QLabel(text, parent);
    l->setFont(PixelFont(16));
    l->setGeometry(r);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}
}  // namespace

class TestLayoutWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void cleanup() { gLan = 0; }

    void checkerFindsFaults_data();
    void checkerFindsFaults();

    void otherNetwork_data() { AddLanguageRows(); }
    void otherNetwork();
    void cavityNames_data() { AddLanguageRows(); }
    void cavityNames();
    void cycleLogAndRecords_data() { AddLanguageRows(); }
    void cycleLogAndRecords();
};

void TestLayoutWindows::checkerFindsFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("expected");  // empty: no problem at all
    QTest::newRow("clean") << 0 << QString();
    QTest::newRow("value below, left of its caption") << 1 << QStringLiteral("value away from its caption");
    QTest::newRow("value far right of its caption") << 2 << QStringLiteral("value away from its caption");
    QTest::newRow("key cut by its pad's parent") << 3 << QStringLiteral("control cut by its parent");
    QTest::newRow("tab caption cut") << 4 << QStringLiteral("does not fit");
    QTest::newRow("painted text too small") << 5 << QStringLiteral("text of 9 px");
    QTest::newRow("painted text under a control") << 6 << QStringLiteral("text under a control");
    QTest::newRow("painted text cut by its box") << 7 << QStringLiteral("does not fit");
}

// A small window with a caption and its value, a button and a painted label;
// each fault moves or adds one thing.
void TestLayoutWindows::checkerFindsFaults()
{
    QFETCH(int, fault);
    QFETCH(QString, expected);
    const QSize screen(500, 400);
    QWidget root;
    root.setGeometry(QRect(QPoint(0, 0), screen));
    QLabel* caption = AddLabel(&root, QStringLiteral("NG total"), QRect(10, 10, 120, 30), Qt::AlignRight);
    QLabel* value = AddLabel(&root, QStringLiteral("12"), QRect(136, 10, 70, 30));
    caption->setBuddy(value);
    // Below its caption, starting where the caption's glyphs start, reads well too.
    QLabel* rateCaption = AddLabel(&root, QStringLiteral("NG rate"), QRect(10, 50, 120, 24));
    rateCaption->setBuddy(AddLabel(&root, QStringLiteral("0.5%"), QRect(10, 76, 120, 24)));
    auto* ok = new QPushButton(QStringLiteral("Confirm"), &root);
    ok->setFont(PixelFont(16));
    ok->setGeometry(10, 300, 150, 60);
    // fault 7: a label box too narrow for its text.
    auto* painter = new PaintsText(&root, QRect(0, 0, fault == 7 ? 60 : 200, 40), fault == 5 ? 9 : 20);
    painter->setGeometry(250, 10, 240, 100);
    switch (fault) {
    case 1: value->setGeometry(10, 44, 120, 30); rateCaption->hide(); break;
    case 2: value->move(400, 10); break;
    case 3: {
        // A pad wider than the dialog it opens in.
        auto* dialog = new QWidget(&root);
        dialog->setGeometry(250, 150, 200, 120);
        auto* pad = new QWidget(dialog);
        pad->setGeometry(0, 0, 230, 60);
        auto* key = new QPushButton(QStringLiteral("_"), pad);
        key->setFont(PixelFont(16));
        key->setGeometry(170, 5, 50, 50);
        break;
    }
    case 4: {
        auto* tabs = new QTabWidget(&root);
        tabs->setGeometry(250, 150, 240, 120);
        tabs->setStyleSheet(QStringLiteral("QTabBar{font-size: 17px;} QTabBar::tab{width: 40px; height: 30px;}"));
        tabs->addTab(new QWidget, QStringLiteral("Camera 1"));
        break;
    }
    case 6: {
        auto* edit = new QPushButton(painter);
        edit->setGeometry(100, 5, 80, 30);
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
        QVERIFY2(!problems.isEmpty(), "no problem found");
        QVERIFY2(problems.first().contains(expected), qPrintable(problems.join(QLatin1Char('\n'))));
    }
}

// Every page of the dialog, filled as a setter would; it must lie on the
// screen with its Confirm button.
void TestLayoutWindows::otherNetwork()
{
    QFETCH(int, lan);
    gLan = lan;
    TempWorkDir dir;
    LoadSkinPixmaps();
    MainStandIn main;
    OtherNetWidget dialog(&main.w);
    WizardPara edit{};
    WizardPara::SetText(edit.netMsgTechName, QStringLiteral("Zhang Wei"));
    WizardPara::SetText(edit.netMsgTechNum, QStringLiteral("13800138000"));
    WizardPara::SetText(edit.netProName, QStringLiteral("外壳-A07 cover"));
    WizardPara::SetText(edit.netOperator, QStringLiteral("Li Na"));
    edit.productsPerCycle = 16;
    edit.productsNum = 250000;
    edit.productSerial = 20240501;
    dialog.LoadFrom(edit);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QStringList problems;
    for (int page = 1; page <= 6; ++page) {
        dialog.hideshow(page);
        problems << Problems(QStringLiteral("other-network-page%1").arg(page), &dialog);
    }
    dialog.SlotStartChk();  // the ports of this host
    problems << Problems(QStringLiteral("other-network-page7"), &dialog);
    dialog.SlotCloseWgt();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// The editor with eight cameras (the widest combo entry) and its keypad
// opened under a field of the left and of the right column, on each of the
// pad's pages.
void TestLayoutWindows::cavityNames()
{
    QFETCH(int, lan);
    gLan = lan;
    TempWorkDir dir;
    LoadSkinPixmaps();
    MainStandIn main;
    QVERIFY(QTest::qWaitForWindowActive(&main.w));
    gpNumCharPad = new NumCharInput(&main.w);
    EditCavitywidget editor(8, &main.w);
    QVERIFY(editor.Databaseinit());
    editor.init();
    editor.cameraCombo()->setCurrentIndex(7);
    editor.show();
    QStringList problems;
    problems << Problems(QStringLiteral("cavity-names"), &main.w);
    for (int k : {0, 15}) {
        Edit* field = editor.nameEdit(k);
        field->setFocus();
        QTest::mouseClick(field, Qt::LeftButton);
        QTRY_VERIFY(gpNumCharPad->isVisible());
        problems << Problems(QStringLiteral("cavity-names-pad%1-capitals").arg(k + 1), &main.w);
        gpNumCharPad->capKey()->click();
        problems << Problems(QStringLiteral("cavity-names-pad%1-lower").arg(k + 1), &main.w);
        gpNumCharPad->toggleKey()->click();
        problems << Problems(QStringLiteral("cavity-names-pad%1-symbols").arg(k + 1), &main.w);
        gpNumCharPad->HideUpdate();
    }
    editor.hide();
    delete gpNumCharPad;
    MainWindowHooks::instance().setCurEdit(nullptr);
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// The cycle log with a day of cycles, and the records page with eight
// cameras and an hour of three-digit counts.
void TestLayoutWindows::cycleLogAndRecords()
{
    QFETCH(int, lan);
    gLan = lan;
    TempWorkDir dir;
    LoadSkinPixmaps();
    MainStandIn main;
    QStringList problems;
    DetectCycleSQL::instance = new DetectCycleSQL;
    for (int i = 0; i < 20; ++i)
        DetectCycleSQL::instance->insertDate(
            {QDateTime::currentDateTime().addSecs(-30 * (20 - i)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")),
             29.5 + i / 10.0});
    {
        DetectCycleWidget log;
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        problems << Problems(QStringLiteral("cycle-log"), &log);
    }
    delete DetectCycleSQL::instance;
    DetectCycleSQL::instance = nullptr;

    ResStatisticsParam::Options o;
    o.cameraCount = [] { return 8; };
    ResStatisticsParam store(o);
    for (int i = 0; i < 130; ++i)
        store.Add(9, i % 9 != 0, i % 8, 0);
    StatisticsWidget page(&store, 8);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    problems << Problems(QStringLiteral("records-all"), &page);
    page.cameraTabs()->setCurrentIndex(8);
    page.cameraPage(8)->setCurrentIndex(1);
    problems << Problems(QStringLiteral("records-camera8-step1"), &page);
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

MOJU_TEST_MAIN(TestLayoutWindows)
#include "test_layout_windows.moc"
