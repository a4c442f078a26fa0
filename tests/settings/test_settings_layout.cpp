// The settings dialog, every page of it and its side pages as an operator
// reads them at this screen size, in each language: nothing off the screen,
// no text over another, none cut by its box, none too small to read.
#include "SettingsRig.h"

#include "LayoutCheck.h"
#include "camera/CameraStation.h"
#include "foundation/VisionGlobals.h"
#include "network/VUR_Net.h"
#include "network/gui/OtherNetWidget.h"
#include "settings/CustomIONameWidget.h"
#include "settings/HardwareConfigurationWidget.h"
#include "settings/HelpWidget.h"
#include "settings/IOCheckComBO.h"
#include "settings/IOWidget.h"
#include "settings/NetworkPage.h"
#include "settings/WidgetChangeCamera.h"
#include "widgets/CheckBox.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/ModifyTimeWidget.h"

#include <array>

#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QStyle>

namespace {
const QSize& Screen()
{
    static const QSize s(gShowW, gShowH);
    return s;
}

// Painted captions where their glyphs lie: the painter's box and alignment,
// cut to the box (a text larger than its box then fails to fit). Visible
// controls under `root` join as texts without glyphs, so a caption drawn
// under a control counts as one text over another.
QList<LayoutCheck::PaintedText> AsPainted(const QList<PaintedCaption>& captions, const QWidget* owner,
                                          const QWidget* controlsOf = nullptr)
{
    QList<LayoutCheck::PaintedText> out;
    const QPoint at = owner->mapToGlobal(QPoint(0, 0));
    for (const PaintedCaption& c : captions) {
        if (c.text.isEmpty())
            continue;
        const QFont f = c.font();
        const QSize need = QFontMetrics(f).size(0, c.text);
        const QRect glyphs = QStyle::alignedRect(Qt::LeftToRight, c.align, need, c.box) & c.box;
        out.append({glyphs.translated(at), f, c.text});
    }
    if (controlsOf) {
        QFont f;
        f.setPixelSize(kLegiblePx);
        for (QWidget* w : controlsOf->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible()) {
                // A control made of parts covers only its parts (a row's margins stay free).
                const QRect r = w->childrenRect().isEmpty() ? w->rect() : w->childrenRect();
                out.append({r.translated(w->mapToGlobal(QPoint(0, 0))), f, QString()});
            }
    }
    return out;
}

// The plant link's cards and the network page in the dialog, as the main
// window sets them up.
struct NetworkPageOn {
    explicit NetworkPageOn(WizardParaWidget& dialog)
        : dlg(dialog)
    {
        gpNet = new VUR_Net;
        gpNet->netCard.cards = {{QStringLiteral("eth0"), {QStringLiteral("192.168.100.210"),
                                                         QStringLiteral("255.255.255.0"), QStringLiteral("192.168.100.1")}},
                                {QStringLiteral("wlan0"), {QStringLiteral("0.0.0.0"), QStringLiteral("0.0.0.0"),
                                                          QStringLiteral("0.0.0.0")}}};
        gpNet->netCard.hostName = QStringLiteral("moulding-line-12");
        page = new NetworkPage(&dialog, new OtherNetWidget(&dialog));
        dialog.setNetworkPage(page);
    }
    ~NetworkPageOn()
    {
        dlg.setNetworkPage(nullptr);
        delete gpNet;
        gpNet = nullptr;
    }
    WizardParaWidget& dlg;
    NetworkPage* page;
};

QStringList Problems(const QString& where, QWidget* root, const QList<LayoutCheck::PaintedText>& painted = {})
{
    // Grabs for a person to look at, when asked for.
    if (!qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR"))
        root->grab().save(ShotPath(QStringLiteral("settings-") + QString(where).replace(QLatin1Char(' '), QLatin1Char('-'))));
    QStringList found = LayoutCheck::check(root, Screen()) + LayoutCheck::checkPainted(painted, Screen());
    for (QString& line : found)
        line.prepend(where + QStringLiteral(": "));
    return found;
}
}  // namespace

class TestSettingsLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void cleanup() { gLan = 0; }

    void everyPageReadable_data()
    {
        QTest::addColumn<int>("lan");
        QTest::addColumn<int>("type");  // machine type; 4 with eight detections
        for (int type : {0, 4})
            for (int lan = 0; lan < 3; ++lan)
                QTest::addRow("%s-%s", lan == 0 ? "zh_CN" : lan == 1 ? "en" : "zh_TW",
                              type == 4 ? "multi8" : "standard")
                    << lan << type;
    }
    // The factory controls shown: the fullest form of every page.
    void everyPageReadable()
    {
        QFETCH(int, lan);
        QFETCH(int, type);
        gLan = lan;
        QWidget main;  // the main window the dialog lies on
        main.setWindowFlags(Qt::FramelessWindowHint);
        main.setGeometry(QRect(QPoint(0, 0), Screen()));
        SettingsRig rig([lan, type] {
            SetStoredValue(QStringLiteral("system2"), 13, lan);
            SetStoredValue(QStringLiteral("system7"), 10, 1);
            SetStoredValue(QStringLiteral("numFailDetect"), 1, type);
            SetStoredValue(QStringLiteral("system8"), 1, 8);
        });
        rig.host.level = 2;
        NetworkPageOn net(*rig.dlg);
        gpWPara->netEnabled = 1;  // every control of the network page
        const QPoint at = rig.dlg->pos();
        rig.dlg->setParent(&main);
        rig.dlg->move(at);
        rig.open();  // the edit copy first: the dialog loads it when it shows with main
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        WizardParaWidget& d = *rig.dlg;
        QStringList problems;
        auto look = [&](const QString& where) {
            QWidget* canvas = d.pageControls(WizardParaWidget::PageSystem).first()->parentWidget();
            QList<LayoutCheck::PaintedText> painted = AsPainted(d.paintedTexts(), &d, canvas);
            if (net.page->isVisible())
                painted << AsPainted(net.page->captions(), net.page, net.page);
            problems << Problems(where, &d, painted);
        };
        using Go = void (WizardParaWidget::*)();
        const std::array<Go, 6> go = {&WizardParaWidget::SlotToCommon, &WizardParaWidget::SlotToCamera,
                          &WizardParaWidget::SlotToNetwork, &WizardParaWidget::SlotToIO,
                          &WizardParaWidget::SlotToAdvance, &WizardParaWidget::SlotToRecord};
        for (int page = 0; page < 6; ++page) {
            (d.*go[page])();
            look(QStringLiteral("page %1").arg(page));
        }
        d.SlotToCamera();
        d.SlotChangeShowMode();
        look(QStringLiteral("simple display"));
        d.SlotChangeShowMode();
        // Without the factory controls the switches start larger.
        d.factoryBox->setValue(0);
        for (int page : {1, 3}) {
            (d.*go[page])();
            look(QStringLiteral("page %1 without factory controls").arg(page));
        }
        // Machine types that show the mould combo or the custom IO buttons.
        d.machineTypeCombo->setCurrentIndex(type == 4 ? 1 : 4);
        look(QStringLiteral("page 3, machine type %1").arg(d.machineTypeCombo->currentIndex()));

        // The multi-detection IO page over the dialog, with eight rows.
        d.ioWidget->countCombo->setCurrentIndex(6);
        d.ioWidget->show();
        d.ioWidget->raise();
        problems << Problems(QStringLiteral("IO assignment"), d.ioWidget,
                             AsPainted({d.ioWidget->title()}, d.ioWidget));
        d.ioWidget->hide();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // A page slid sideways must not open the next one slid as well.
    void pagesOpenAtTheirLeftEdge()
    {
        SettingsRig rig([] { SetStoredValue(QStringLiteral("system7"), 10, 1); });
        rig.host.level = 2;
        rig.open();
        auto* slide = rig.dlg->findChild<QScrollBar*>();
        QVERIFY(slide);
        QWidget* canvas = rig.dlg->pageControls(WizardParaWidget::PageSystem).first()->parentWidget();
        rig.dlg->SlotToAdvance();
        slide->setRange(0, 500);
        slide->setValue(300);
        QCOMPARE(canvas->x(), -300);
        rig.dlg->SlotToIO();
        QCOMPARE(slide->value(), 0);
        QCOMPARE(canvas->x(), 0);
        // Every page fits this screen: nothing is left to slide to.
        for (auto go : {&WizardParaWidget::SlotToCommon, &WizardParaWidget::SlotToCamera,
                        &WizardParaWidget::SlotToIO, &WizardParaWidget::SlotToAdvance}) {
            (rig.dlg.get()->*go)();
            QVERIFY(!slide->isVisible());
        }
    }

    void sidePagesReadable_data() { AddLanguageRows(); }
    void sidePagesReadable()
    {
        QFETCH(int, lan);
        gLan = lan;
        SettingsRig rig([lan] {
            SetStoredValue(QStringLiteral("numFailDetect"), 1, 4);
            SetStoredValue(QStringLiteral("system8"), 1, 8);
            SetStoredValue(QStringLiteral("system2"), 13, lan);
        });
        QStringList problems;

        QWidget main;
        main.setWindowFlags(Qt::FramelessWindowHint);
        main.setGeometry(QRect(QPoint(0, 0), Screen()));
        CustomIONameWidget names(&main, rig.dlg.get());
        main.show();
        names.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        problems << Problems(QStringLiteral("IO names"), &names);

        // Eight cameras: every row of the renumbering list.
        CameraHost camHost;
        CameraStation station(gpWPara, gpWParaBak, &camHost);
        WidgetChangeCamera renumber(&main, &station, 8, {});
        renumber.show();
        problems << Problems(QStringLiteral("renumbering"), &renumber,
                             AsPainted(renumber.captions(), &renumber, &renumber));

        QFile conf(QStringLiteral("conf.txt"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("Hardware\nCPU_Type\tDual_Core\nMemory\t4_GB\nCameras\nCount\t0\n");
        conf.close();
        HardwareConfigurationWidget hw(&main, [] { return 2; });
        hw.show();
        problems << Problems(QStringLiteral("hardware"), &hw);

        QDir().mkpath(QStringLiteral("help"));
        QImage page(Screen(), QImage::Format_RGB32);
        page.fill(Qt::darkCyan);
        QVERIFY(page.save(QStringLiteral("help/p01.png")));
        HelpWidget help(&main, QStringLiteral("help"));
        help.show();
        problems << Problems(QStringLiteral("help"), &help);

        rig.dlg->show();
        rig.dlg->modifyTime->show();
        problems << Problems(QStringLiteral("clock"), rig.dlg->modifyTime);
        rig.dlg->modifyTime->hide();
        // The choice of calibration points, a popup of its own.
        rig.dlg->caliNum->setText(LanStr(459));
        rig.dlg->caliNum->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.dlg->caliNum));
        problems << Problems(QStringLiteral("calibration"), rig.dlg->caliNum);
        rig.dlg->caliNum->hide();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

MOJU_TEST_MAIN(TestSettingsLayout)
#include "test_settings_layout.moc"
