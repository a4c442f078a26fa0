// Every screen as an operator reads it, at each panel size and in each
// language: nothing off the screen, no text over another, none cut, none too
// small. The checker itself is tested first on layouts known to be wrong.
#include "LayoutCheck.h"
#include "SimCamFixture.h"
#include "TestSupport.h"
#include "WizardFixture.h"

#include "app/DetectionCycle.h"
#include "settings/WizardParaWidget.h"
#include "records/Counters.h"
#include "app/StatusLayout.h"
#include "app/gui/IOStatusWidget.h"
#include "params/WizardPara.h"
#include "app/gui/IndexButton.h"
#include "app/gui/RaRoWizard.h"
#include "records/gui/StatisticsWidget.h"
#include "users/DrawUserWidget.h"
#include "users/UserManager.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "view/ResultPicture.h"
#include "view/RoiPanel.h"
#include "view/ViewHost.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/SkinPixmaps.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <memory>

namespace {
QFont PixelFont(int px)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(px);
    return f;
}

// A monitor in a fresh working directory on `cameras` simulated cameras,
// with passwords and result statistics on (so the login word, the records
// page and its button exist).
struct Monitor {
    TempWorkDir dir;
    std::unique_ptr<SimCamFolder> cams;
    PopupAnswerer answers;
    std::unique_ptr<RaRoWizard> win;

    Monitor(int cameras, int lan, bool busy = false)
    {
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SetParamValue(QStringLiteral("system2"), 13, lan);
        SetParamValue(QStringLiteral("isPswUsed"), 1, 1);
        SetParamValue(QStringLiteral("system6"), 10, 1);
        // An area over the first camera's view: its text and limit marks.
        AddWholeViewDefectSteps(QImage(64, 48, QImage::Format_Grayscale8));
        if (busy) {
            // Every lamp the bar can show: eight detections of the
            // multi-detection machine and the four further result outputs.
            SetParamValue(QStringLiteral("numFailDetect"), 1, 4);
            SetParamValue(QStringLiteral("system8"), 1, 8);
            SetParamValue(QStringLiteral("system2"), 7, 1);
        }
        cams = std::make_unique<SimCamFolder>();
        for (int c = 0; c < cameras; ++c)
            cams->add(QStringLiteral("mvs"), QStringLiteral("SIM000000%1").arg(c + 1),
                      {{"sensorWidth", 64}, {"sensorHeight", 48}}, {60 + 20 * c});
        win = std::make_unique<RaRoWizard>();
        win->show();
    }
};

QSize Screen()
{
    return QSize(gShowW, gShowH);
}

// Rows for this process's screen (ctest runs one process per panel size) in
// each language; the counts of `inTurn` in one language each, in turn.
void AddScreenRows(const QList<int>& cameraCounts, const QList<int>& inTurn = {})
{
    QTest::addColumn<int>("lan");
    QTest::addColumn<int>("cameras");  // 7: a busy screen (see screens())
    const char* names[] = {"zh_CN", "en", "zh_TW"};
    for (const QSize size : {QSize(1024, 768), QSize(1280, 800), QSize(1920, 1080)}) {
        if (size != Screen())
            continue;
        for (int lan = 0; lan < 3; ++lan)
            for (int n : cameraCounts)
                QTest::addRow("%dx%d %s %d cameras", size.width(), size.height(), names[lan], n) << lan << n;
        for (int i = 0; i < inTurn.size(); ++i)
            QTest::addRow("%dx%d %s %d cameras", size.width(), size.height(), names[i % 3], inTurn[i]) << i % 3
                                                                                                  << inTurn[i];
    }
}

// Painted texts of a widget, in the window's coordinates.
void AddPainted(QList<LayoutCheck::PaintedText>& out, const QWidget* w, const QList<PlacedText>& texts,
                int minPixelSize = 11)
{
    const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
    for (const PlacedText& t : texts)
        out << LayoutCheck::PaintedText{t.rect.translated(at), t.font, t.text, minPixelSize};
}

// The small panel's bar and the full-HD one lie over the lower edge of the
// camera views by design; on any other screen (1280 x 800) nothing of the
// bar, lamps or texts, may lie on a camera picture.
QStringList BarOverViews(RaRoWizard& win)
{
    const bool overViewsByDesign = gShowW <= 1024 || (gShowW >= 1800 && gShowH >= 950);
    IOStatusWidget* bar = win.ioStatusWidget;
    if (overViewsByDesign || !bar->isVisible())
        return {};
    const QPoint at = bar->mapTo(&win, QPoint(0, 0));
    QList<QPair<QString, QRect>> shown;
    for (const StatusLamp& l : StatusLamps(*gpWPara, StatusClassFor(gShowW, gShowH)))
        shown.append({QStringLiteral("lamp \"%1\"").arg(l.name.trimmed()), l.lamp.translated(at)});
    for (const PlacedText& t : bar->PaintedTexts(QDateTime::currentDateTime()))
        shown.append({QStringLiteral("\"%1\"").arg(t.text), t.rect.translated(at)});
    QStringList problems;
    for (CammerWidget* v : win.cammerWidget) {
        if (!v || !v->isVisible())
            continue;
        const QRect view(v->mapTo(&win, QPoint(0, 0)), v->size());
        for (const auto& [what, r] : shown)
            if (r.intersects(view))
                problems << QStringLiteral("status bar's %1 at %2,%3 over camera %4's picture at %5,%6 %7x%8")
                                .arg(what).arg(r.x()).arg(r.y()).arg(v->camera + 1).arg(view.x()).arg(view.y())
                                .arg(view.width()).arg(view.height());
    }
    return problems;
}

// Everything an operator sees now: every visible window's widgets and the
// texts the camera views and the status bar paint.
QStringList CheckScreen(RaRoWizard& win)
{
    QStringList problems;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible())
            problems << LayoutCheck::check(top, Screen());
    QList<LayoutCheck::PaintedText> painted;
    QList<const QWidget*> painters;  // who paints each text
    for (CammerWidget* v : win.cammerWidget)
        if (v && v->isVisible())
            AddPainted(painted, v, v->PaintedTexts());
    while (painters.size() < painted.size())
        painters << nullptr;  // a view: its own controls are not leaves
    if (win.ioStatusWidget->isVisible()) {
        // Lamp names keep the status bar's 10 px on small panels.
        QList<PlacedText> bar = win.ioStatusWidget->PaintedTexts(QDateTime::currentDateTime());
        AddPainted(painted, win.ioStatusWidget, bar, IsSmallLayout() ? 10 : 11);
    }
    while (painters.size() < painted.size())
        painters << win.ioStatusWidget;
    problems << LayoutCheck::checkPainted(painted, Screen());
    problems << BarOverViews(win);

    // A painted text and a widget in one place: one hides the other. The
    // columns count whole, as they stand over the views.
    QList<const QWidget*> solid{win.indexButton, win.drawROIWidget};
    for (const QWidget* w : win.findChildren<QWidget*>())
        if (!w->isWindow() && w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
            solid << w;
    for (const QWidget* w : solid) {
        if (!w->isVisible() || w->window() != &win)
            continue;
        const QRect r(w->mapTo(&win, QPoint(0, 0)), w->size());
        for (int i = 0; i < painted.size(); ++i)
            if (painters[i] != w && r.intersects(painted[i].rect))
                problems << QStringLiteral("painted \"%1\" at %2,%3 and %4 at %5,%6 %7x%8 in one place")
                                .arg(painted[i].text).arg(painted[i].rect.x()).arg(painted[i].rect.y())
                                .arg(QString::fromLatin1(w->metaObject()->className()))
                                .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    return problems;
}

void Grab(QWidget* w, const QString& what)
{
    SaveShot(w, what);
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
    void initTestCase() { LoadLanguageTable(); }
    void checkerFindsFaults_data();
    void checkerFindsFaults();
    void paintedTextRules_data();
    void paintedTextRules();

    // Grids of 1, 2, 3 and 5 cameras have cells as wide as the single view's
    // or those of 4 or 6 (whose texts are checked in every language): one
    // language each.
    void screens_data() { AddScreenRows({4, 6, 8, 7}, {1, 2, 3, 5}); }
    void screens();
    void emptyCellIsDark();
    void resultPictureHeader();
    void areaPanel_data() { AddLanguageRows(); }
    void areaPanel();

    void cleanup() { gLan = 0; }
};

// The main screen with every grid of cameras (1 to 6 and 8); with 4 also
// the ROI editor's pages, the records page and the account page.
void TestLayout::screens()
{
    QFETCH(int, lan);
    QFETCH(int, cameras);
    // Seven cameras stand for a busy screen: every lamp, a long group name,
    // a running countdown, a verdict shown with an area's text at the very
    // corner where the status line stands.
    const bool busy = cameras == 7;
    Monitor m(cameras, lan, busy);
    RaRoWizard& win = *m.win;
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QCOMPARE(gLan, lan);
    QCOMPARE(win.numCamera(), cameras);
    if (busy) {
        ComboBox* groups = win.wizardParaWidget->paraGroupCombo;
        groups->clear();
        groups->addItems({QStringLiteral("default"), QStringLiteral("模具组A-07号 left cavity")});
        gpWPara->paraGroupIndex = 1;
        win.cycle().unlockLevel = 1;
        win.cycle().lastCycleTime = 1234;
        win.cycle().countdownState = 1;
        win.cycle().curStep = 0;
        win.cycle().stepDelayLeft[0] = 12.5f;
        win.detection()->stepTimer[0].start(100000);
        win.cycle().verdictState = VerdictShowing;
        win.cammerWidget[0]->cameraOK = 0;
        win.cammerWidget[0]->roiOK[0][0] = 0;
        // A camera held because its part was not found says why, in full.
        win.cammerWidget[1]->cameraOK = 0;
        win.cammerWidget[1]->poseLost = 1;
        QString shown;
        for (const PlacedText& t : win.cammerWidget[1]->PaintedTexts())
            shown += t.text;
        QString reason = LanStr(1124).arg(2);
        QVERIFY2(shown.remove(QLatin1Char(' ')).contains(reason.remove(QLatin1Char(' '))), qPrintable(shown));
        gFailNum[0] = 123456;
        gAllNum[0] = 9876543;
    }
    const QString tag = QStringLiteral("%1cams-").arg(cameras);
    QStringList problems = CheckScreen(win);
    if (busy) {
        // However full, the bar still says who is logged in and the cycle time.
        const QList<IOStatusWidget::Text> line = win.ioStatusWidget->TextLine(QDateTime::currentDateTime());
        QVERIFY(std::any_of(line.begin(), line.end(), [](const auto& t) { return t.text == LanStr(308); }));
        QVERIFY(std::any_of(line.begin(), line.end(), [](const auto& t) { return t.text.contains(QLatin1String("123.4")); }));
    }
    Grab(&win, tag + QStringLiteral("main"));
    // The command column over the views, as after a tap on one.
    win.indexButton->show();
    problems << CheckScreen(win);
    Grab(&win, tag + QStringLiteral("main-column"));
    // One camera over the whole screen.
    win.cycle().selCamera = 1;
    win.ChangeCammer();
    problems << CheckScreen(win);
    Grab(&win, tag + QStringLiteral("single"));
    win.cycle().selCamera = cameras;
    win.ChangeCammer();
    if (busy) {
        win.detection()->stepTimer[0].stop();
        win.cycle().verdictState = VerdictIdle;
        win.cammerWidget[1]->cameraOK = 1;
        win.cammerWidget[1]->poseLost = 0;
        gFailNum[0] = gAllNum[0] = 0;
    }

    if (cameras == 4) {
        DrawROIWidget* editor = win.drawROIWidget;
        win.indexButton->hide();
        editor->Reset(true);  // the drawing page of the template source
        QVERIFY(editor->isVisible());
        problems << CheckScreen(win);
        Grab(&win, tag + QStringLiteral("editor-draw"));
        // An area selected: its parameter panel over the view.
        CammerWidget* first = win.cammerWidget[0];
        first->selectedRoi = 0;
        first->ShowHideROIPara();
        first->update();
        problems << CheckScreen(win);
        Grab(&win, tag + QStringLiteral("editor-area"));
        first->DeselectROI();
        first->ShowHideROIPara();
        editor->pageButton->click();  // the template page
        problems << CheckScreen(win);
        Grab(&win, tag + QStringLiteral("editor-templates"));
        // Cavity marks over the template (the mould-number switch).
        gpWPara->showMouldNumber = 1;
        editor->setSource(1);
        editor->setSource(0);
        problems << CheckScreen(win);
        Grab(&win, tag + QStringLiteral("editor-cavities"));
        for (int source : {1, 2, 4})
            editor->setSource(source);
        gpWPara->showMouldNumber = 0;
        problems << CheckScreen(win);
        editor->returnButton->click();
        QVERIFY(!editor->isVisible());

        QVERIFY(win.statisticsWidget);
        win.SlotShowStatisticsWidget();
        QVERIFY(QTest::qWaitForWindowExposed(win.statisticsWidget));
        problems << LayoutCheck::check(win.statisticsWidget, Screen());
        Grab(win.statisticsWidget, tag + QStringLiteral("records"));
        win.statisticsWidget->hide();
        win.SlotAccount();
        QVERIFY(win.drawUserWidget->isVisible());
        problems << CheckScreen(win);
        // The administrator sees every button of the page.
        QString message;
        QVERIFY(UserManager::Instance().changeUser(QStringLiteral("admin"), QStringLiteral("7254"), message));
        win.drawUserWidget->Reset(true);
        problems << CheckScreen(win);
        Grab(win.drawUserWidget->window(), tag + QStringLiteral("accounts"));
    }
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// The editor's panel for a selected area wherever the area lies (the panel
// stands below it, or above it where that would reach the move row), for
// each kind of area and each set of controls the panel shows, with the
// cavity boxes of the template source or without.
void TestLayout::areaPanel()
{
    QFETCH(int, lan);
    Monitor m(1, lan);
    RaRoWizard& win = *m.win;
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    DrawROIWidget* editor = win.drawROIWidget;
    editor->Reset(true);
    CammerWidget* view = win.cammerWidget[0];
    CammerSingleton& set = *view->editSet;
    const int g = 0;
    QCOMPARE(ViewHost::instance().editor().step(), g);
    WizardPara& p = *gpWPara;
    p.enableDefect = p.enableSpot = p.enableSimilarity = 1;
    p.prodNgPulseNoAlarm = 1;  // the output number of each area

    struct Variant {
        const char* name;
        QRectF area;  // share of the screen
        int kind;
        int code;     // its function: which sliders and buttons show
        bool limits;  // a filter size and area of its own (two sliders more)
        int moveMode;
        bool cavities;
    };
    const int rect = CammerSingleton::kRect, circle = CammerSingleton::kCircle, polygon = CammerSingleton::kPolygon;
    const QRectF top(0.30, 0.05, 0.25, 0.10), middle(0.55, 0.40, 0.20, 0.15), low(0.05, 0.60, 0.25, 0.13),
        bottom(0.60, 0.80, 0.30, 0.12), whole(0, 0, 1, 1);
    const int spot = RoiCode::Spot, plain = RoiCode::Defect;
    const Variant variants[] = {
        {"top", top, rect, spot, true, 0, false},          {"middle", middle, rect, spot, true, 0, false},
        {"low", low, rect, spot, true, 0, false},          {"bottom", bottom, rect, spot, true, 0, false},
        {"whole", whole, rect, spot, true, 0, false},      {"low-lean", low, rect, plain, false, 0, false},
        {"bottom-lean", bottom, rect, plain, false, 0, false},
        {"top-similarity", top, rect, RoiCode::Similarity, true, 0, false},
        {"low-circle", low, circle, spot, true, 0, false}, {"whole-circle", whole, circle, plain, true, 0, false},
        {"bottom-polygon", bottom, polygon, spot, true, 0, false},
        {"middle-polygon", middle, polygon, plain, false, 0, false},
        {"low-moving", low, rect, spot, true, 1, false},   {"top-cavities", top, rect, spot, true, 0, true},
        {"whole-cavities", whole, rect, spot, true, 0, true},
    };
    QStringList problems;
    for (const Variant& v : variants) {
        const QRect r(int(v.area.x() * gShowW), int(v.area.y() * gShowH), int(v.area.width() * (gShowW - 1)),
                      int(v.area.height() * (gShowH - 1)));
        if (v.kind == rect) {
            set.rect[g][0] = ClustomRect(r);
            set.rect[g][0].setImageRect();
        } else if (v.kind == circle) {
            set.circle[g][0] = Circle(r.center().x(), r.center().y(), std::min(r.width(), r.height()) / 2);
            set.circle[g][0].setImageRect();
        } else {
            const QPoint corners[4] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft() + QPoint(20, 0)};
            set.polygon[g][0] = RePolygon(4, corners);
            set.polygon[g][0].setImageRect();
        }
        set.roi_type[g][0] = v.kind;
        RoiPanel::WriteDefaults(set, g, 0, v.code);
        p.showAllParams = v.limits;
        p.showMouldNumber = v.cavities;
        // Back to the template source: its cavity boxes when switched on.
        editor->setSource(1);
        editor->setSource(0);
        view->selectedRoi = 0;
        view->moveMode = v.moveMode;
        view->ShowHideROIPara();
        const QString tag = QStringLiteral("area-panel-") + QLatin1String(v.name);
        for (const QString& line : CheckScreen(win))
            problems << tag + QStringLiteral(": ") + line;
        Grab(&win, tag);
    }
    view->DeselectROI();
    view->ShowHideROIPara();
    p.showMouldNumber = 0;
    editor->returnButton->click();
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// With three cameras the fourth cell shows the window itself: dark, as the
// views are, never the style's light grey.
void TestLayout::emptyCellIsDark()
{
    if (Screen() != QSize(1024, 768))
        QSKIP("the same on every panel");
    Monitor m(3, 0);
    QVERIFY(QTest::qWaitForWindowExposed(m.win.get()));
    const QImage shot = m.win->grab().toImage();
    const QColor c = shot.pixelColor(gShowW * 3 / 4, gShowH / 2 + 20);
    QVERIFY2(c.lightness() < 40, qPrintable(c.name()));
}

// On a saved picture the alarm-clearing line and an area's text near the
// top-left corner stay apart; an area further down keeps its place.
void TestLayout::resultPictureHeader()
{
    LoadLanguageTable();
    for (int lan = 0; lan < 3; ++lan) {
        gLan = lan;
        const QRect header = ResultPicture::HeaderRect();
        const QRect near = ResultPicture::AreaTextBox(QPoint(20, 90));
        QVERIFY(!near.intersects(header));
        const QPoint far(20, header.bottom() + 200);
        QCOMPARE(ResultPicture::AreaTextBox(far).bottom(), far.y() - 2);
    }
}

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
    QTest::newRow("slider over a button") << 10 << QStringLiteral("controls over each other");
    QTest::newRow("field over a field") << 11 << QStringLiteral("controls over each other");
    QTest::newRow("editable combo box") << 12 << QString();
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
    case 10: {
        // Only the lowest strip of the button is left to press.
        auto* s = new QSlider(Qt::Horizontal, &root);
        s->setGeometry(10, 150, 300, 85);
        break;
    }
    case 11:
        (new QLineEdit(&root))->setGeometry(200, 60, 150, 40);
        (new QLineEdit(&root))->setGeometry(340, 60, 50, 40);
        break;
    case 12: {
        auto* c = new QComboBox(&root);
        c->setEditable(true);
        c->setGeometry(200, 100, 150, 40);
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
