#include "WizardParaWidget.h"

#include "NetworkPageHooks.h"
#include "SettingsHost.h"
#include "IOWidget.h"
#include "SettingsPainter.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "params/WizardPara.h"
#include "widgets/CheckBox.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/C_Type_COM.h"
#include "widgets/Edit.h"
#include "widgets/EditBox.h"
#include "widgets/EditParam.h"
#include "widgets/ModifyTimeWidget.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSqlTableModel>
#include <QTableView>
#include <QTextStream>
#include <QTimer>

WizardParaWidget* gpWizardParaWidget = nullptr;

WizardParaWidget::Sizes WizardParaWidget::Sizes::Current()
{
    if (IsSmallLayout())
        return {false, false, 30, 5, 18, 200, 30, 150, 28, 16, 110, 30, 150, 20, 20, 12,
                28, 105, 40, 50, 12, 5, 14, 11, 16};
    if (gShowW < 1800 || gShowH < 950)
        return {true, true, 36, 6, 22, 240, 40, 200, 36, 20, 170, 40, 190, 26, 26, 18,
                36, 150, 58, 90, 20, 6, 20, 13, 22};
    return {true, false, 50, 10, 30, 300, 50, 220, 50, 25, 200, 50, 240, 30, 32, 25,
            50, 200, 85, 115, 27, 10, 28, 18, 32};
}

namespace {
// Captions whose English text is missing show the simplified Chinese one:
// an unlabelled switch would change the machine's behaviour unseen.
QString Caption(int id)
{
    const QString& t = LanStr(id);
    return t.isEmpty() ? LanStrIn(id, kLanZhCN) : t;
}

// Ordinal of the detection count (texts 477 "1st" .. 484 "8th").
QString Ordinal(int n)
{
    return LanStr(476 + std::clamp(n, 1, 8));
}

}  // namespace

WizardParaWidget::WizardParaWidget(SettingsHost* host, QWidget* parent)
    : QWidget(parent)
    , m_host(host)
    , m_defaultNet(std::make_unique<NetworkPageHooks>())
{
    m_net = m_defaultNet.get();
    gpWizardParaWidget = this;
    m_liveType = gpWPara ? gpWPara->machineType : 0;
    setWindowFlags(Qt::CustomizeWindowHint);

    // 1. Geometry by layout class, clamped to the screen.
    const Sizes s = Sizes::Current();
    if (s.wide) {
        const int w = std::min(1800, gShowW);
        const int h = std::min(950, gShowH);
        setGeometry(std::max(0, gShowW / 2 - 900), std::max(0, gShowH / 2 - 475), w, h);
    } else {
        // 700 x 500 on an 800 x 600 panel; a larger small screen gets the room it has.
        const int w = std::max(700, std::min(gShowW - 24, 1000));
        const int h = std::max(500, std::min(gShowH - 28, 740));
        setGeometry(std::max(0, (gShowW - w) / 2), std::max(0, (gShowH - h) / 2), w, h);
    }

    // 2-4. Controls in page order on their sliding layer, then the page buttons.
    m_canvas = new SettingsCanvas(this);
    m_canvas->setGeometry(rect());
    m_slide = new QScrollBar(Qt::Horizontal, this);
    m_slide->hide();
    connect(m_slide, &QScrollBar::valueChanged, this, [this](int x) { m_canvas->move(-x, 0); });
    BuildSystemPage();
    BuildCameraPage();
    BuildIOPage();
    BuildAdvancedPage();
    BuildRecordPage();
    BuildFrame();
    FitBoxCaptions();
    ConnectActions();

    // 5. Timer and the archive connection (the network page's connection
    // test runs its commands through the system actions).
    autoExposureTimer = new QTimer(this);
    connect(autoExposureTimer, &QTimer::timeout, this, &WizardParaWidget::SlotAutoExposeTimeTimeout);
    dbList = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dbList"));
    ioWidget = new IOWidget(this);

    // 7. The device serial printed in the header.
    QFile serial(QStringLiteral("serialNB.txt"));
    if (serial.open(QIODevice::ReadOnly | QIODevice::Text))
        m_serial = QString::fromUtf8(serial.readAll()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).value(0);

    // 8. The parameter-group folder.
    paraGroupDir = QDir(QStringLiteral("./paraGroup"));
    if (!paraGroupDir.exists())
        paraGroupDir.mkpath(QStringLiteral("."));
    ParaGroupUpdateList();

    // 9. USB network adapters.
    QFile adapters(QStringLiteral("./vur_net/u2rj45name.txt"));
    if (adapters.open(QIODevice::ReadOnly))
        m_adapterNames = QString::fromUtf8(adapters.readAll()).split(QLatin1Char(';'), Qt::SkipEmptyParts);

    DoChangePage();
}

WizardParaWidget::~WizardParaWidget()
{
    delete recordModel;
    recordModel = nullptr;
    dbList = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("dbList"));
    if (gpWizardParaWidget == this)
        gpWizardParaWidget = nullptr;
}

void WizardParaWidget::setNetworkPage(NetworkPageHooks* page)
{
    m_net = page ? page : m_defaultNet.get();
}

// --- construction helpers ---------------------------------------------------

EditBox* WizardParaWidget::NewEdit(int page, int min, int max, const QString& caption, int display, bool seconds)
{
    // display 0 integer, 2 tenths of a second shown in seconds.
    auto* e = new EditBox(min, max, m_canvas, caption, seconds || display == 2 ? LanStr(540) : QString(),
                          display, display == 2 ? 10 : 1);
    // Rows sit on the page's grid: no margins of their own, and on wide
    // screens narrower step buttons leave room for a second column.
    const Sizes s = Sizes::Current();
    e->layout()->setContentsMargins(0, 0, 0, 0);
    e->layout()->setSpacing(s.boxGap);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(s.boxPx);
    e->captionLabel()->setFixedSize(s.boxCaptionW, s.boxH);
    e->captionLabel()->setFont(f);
    e->edit()->setFixedSize(s.valueW, s.boxH);
    e->edit()->setFont(f);
    for (ColorButton* b : {e->subFiveButton(), e->subOneButton(), e->addOneButton(), e->addFiveButton()})
        b->setFixedSize(s.stepW, s.boxH);
    if (QLabel* unit = e->edit()->unitLabel()) {
        // The unit keeps inside the value field at the box's size.
        unit->setFont(f);
        const int w = QFontMetrics(f).horizontalAdvance(unit->text()) + 10;
        unit->setFixedSize(w, s.boxH - 2);
        e->edit()->setTextMargins(0, 0, w, 0);
    }
    m_controls[page] << e;
    return e;
}

CheckBox* WizardParaWidget::NewCheck(int page, const QString& caption, bool factory)
{
    auto* c = new CheckBox(m_canvas, caption);
    c->setIndicatorSize(Sizes::Current().tickPx);
    m_controls[page] << c;
    if (factory)
        m_factoryControls[page] << c;
    return c;
}

ColorButton* WizardParaWidget::NewButton(int page, const QString& caption)
{
    const Sizes s = Sizes::Current();
    auto* b = new ColorButton(caption, page >= 0 ? static_cast<QWidget*>(m_canvas) : this, 3);
    b->setFixedSize(s.buttonW, s.buttonH);
    if (page >= 0)
        m_controls[page] << b;
    return b;
}

ComboBox* WizardParaWidget::NewCombo(int page, const QStringList& items)
{
    const Sizes s = Sizes::Current();
    auto* c = new ComboBox(m_canvas);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(s.comboPx);
    c->setFont(f);
    c->addItems(items);
    c->setFixedSize(s.comboW, s.comboH);
    c->setItemHeight(s.comboH);
    m_controls[page] << c;
    return c;
}

void WizardParaWidget::FitBoxCaptions()
{
    // The value boxes of a page share one caption width, as wide as its
    // longest caption needs within reason: long captions keep a legible size
    // (they wrap onto two lines beyond that), short ones leave room for the
    // columns beside them.
    const Sizes s = Sizes::Current();
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(s.boxPx);
    const QFontMetrics fm(f);
    for (const QList<QWidget*>& page : m_controls) {
        QList<EditBox*> boxes;
        int need = 0;
        for (QWidget* w : page)
            if (auto* e = qobject_cast<EditBox*>(w)) {
                boxes << e;
                need = std::max(need, fm.horizontalAdvance(e->text()) + 12);
            }
        // The wide grid's boxes are tall enough for a caption in two lines.
        const int most = s.wide && !s.compact ? s.boxCaptionW * 5 / 4 : s.boxCaptionW * 8 / 5;
        need = std::clamp(need, s.boxCaptionW * 2 / 3, most);
        for (EditBox* e : boxes) {
            e->captionLabel()->setFixedWidth(need);
            FitCaption(e->captionLabel(), s.boxPx);
        }
    }
}

void WizardParaWidget::BuildSystemPage()
{
    const bool custom = m_liveType == 4;
    static const int kCustomDelay[8] = {508, 509, 485, 486, 487, 488, 489, 490};
    for (int k = 0; k < (custom ? 8 : 2); ++k) {
        const int caption = custom ? kCustomDelay[k] : 161 + k;
        delayEdit[k] = NewEdit(PageSystem, 0, 10000, Caption(caption), 2);
        m_bindings.bind(delayEdit[k], "trigInDelay", k + 1);
    }
    const int detections = gpWPara ? gpWPara->customDetectCount : 2;
    recheckEdit = NewEdit(PageSystem, 0, 10, custom ? LanStr(511).arg(Ordinal(detections)) : Caption(167), 0);
    m_bindings.bind(recheckEdit, "system1", 7);
    retestDelayEdit = NewEdit(PageSystem, 0, 10000, Caption(658), 2);
    m_bindings.bind(retestDelayEdit, "system9", 18);
    continuousNgEdit = NewEdit(PageSystem, 0, 10000, Caption(1002), 0);
    m_bindings.bind(continuousNgEdit, "system9", 19);
    filterSizeEdit = NewEdit(PageSystem, 1, 10, Caption(22), 0);
    m_bindings.bind(filterSizeEdit, "system4", 14);
    // At least 1: the load turns a stored 0 into 100, so 0 would not come back.
    areaEdit = NewEdit(PageSystem, 1, 1000, Caption(24), 0);
    m_bindings.bind(areaEdit, "system4", 15);

    resetCountButton = NewButton(PageSystem, Caption(172));
    // Each language names itself, whatever the current one.
    languageCombo = NewCombo(PageSystem, {LanStrIn(317, 0), LanStrIn(317, 1), LanStrIn(317, 2)});
    shutDownButton = NewButton(PageSystem, Caption(209));

    m_bindings.bind(NewCheck(PageSystem, Caption(170)), "isPswUsed", 1);
    m_bindings.bind(NewCheck(PageSystem, Caption(174)), "system1", 1);
    firstDetectBox = NewCheck(PageSystem, Caption(custom ? 510 : 175));
    m_bindings.bind(firstDetectBox, "system1", 2);
    m_bindings.bind(NewCheck(PageSystem, Caption(177)), "system1", 3);
    positioningBox = NewCheck(PageSystem, Caption(176));
    m_bindings.bind(positioningBox, "system1", 4, 1);  // stored -1 off, 0 on
}

void WizardParaWidget::BuildCameraPage()
{
    showModeButton = NewButton(PageCamera, Caption(300));
    switchCameraButton = NewButton(PageCamera, Caption(163));
    restoreButton = NewButton(PageCamera, Caption(526));
    autoExposureButton = NewButton(PageCamera, Caption(500));
    connect(showModeButton, &QPushButton::clicked, this, &WizardParaWidget::SlotChangeShowMode);
    connect(switchCameraButton, &QPushButton::clicked, this, &WizardParaWidget::SlotChangeCamera);
    connect(restoreButton, &QPushButton::clicked, this, &WizardParaWidget::SlotRestoreDefaultSettings);
    connect(autoExposureButton, &QPushButton::clicked, this, &WizardParaWidget::SlotAutoExposeTime);

    exposureEdit = NewEdit(PageCamera, 1, 100, Caption(164), 0);
    gainEdit = NewEdit(PageCamera, 0, 64, Caption(165), 0);
    reorderButton = NewButton(PageCamera, Caption(396));
    connect(reorderButton, &QPushButton::clicked, this, &WizardParaWidget::SlotTuneCamera);
    clarityEdit = NewEdit(PageCamera, 0, 100, Caption(241), 0);
    truthEdit = NewEdit(PageCamera, 1, 200, Caption(242), 0);
    gammaEdit = NewEdit(PageCamera, 0, 250, Caption(364), 0);
    speedEdit = NewEdit(PageCamera, 0, 32, Caption(244), 0);
    m_bindings.bind(speedEdit, "system2", 17);
    for (EditBox* e : {clarityEdit, truthEdit, gammaEdit, speedEdit})
        m_factoryControls[PageCamera] << e;
    connect(exposureEdit, &EditBox::valueChanged, this, &WizardParaWidget::SetExposeTime);
    connect(gainEdit, &EditBox::valueChanged, this, &WizardParaWidget::SetAdjust);
    connect(clarityEdit, &EditBox::valueChanged, this, &WizardParaWidget::SetSharp);
    connect(truthEdit, &EditBox::valueChanged, this, &WizardParaWidget::SetContrast);
    connect(gammaEdit, &EditBox::valueChanged, this, &WizardParaWidget::SetGamma);

    struct Switch {
        int caption;
        const char* key;
        int position;
    };
    static const Switch kSwitches[] = {
        {270, "system7", 2},        {271, "system7", 3},        {388, "numFailDetect", 4},
        {337, "system7", 8},        {196, "system3", 4},        {197, "system3", 5},
        {198, "system3", 6},        {199, "system3", 7},        {200, "system3", 8},
        {391, "numFailDetect", 7},  {390, "numFailDetect", 6},  {520, "system7", 20},
        {661, "system13", 2},       {397, "numFailDetect", 8},  {581, "system9", 13},
        {519, "system5", 12},       {657, "system9", 17},       {659, "system9", 20},
        {1012, "system12", 20},
    };
    for (const Switch& sw : kSwitches) {
        CheckBox* box = NewCheck(PageCamera, Caption(sw.caption), true);
        m_bindings.bind(box, sw.key, sw.position);
        if (sw.caption == 200)
            showAllBox = box;
        else if (sw.caption == 388)
            shadingBox = box;
    }
    connect(shadingBox, &QCheckBox::stateChanged, this, &WizardParaWidget::SetAutoWDR);
    // "Display all the parameters" hides filter size and area on page 0.
    connect(showAllBox, &QCheckBox::stateChanged, this, [this] {
        if (!m_loading)
            update();
    });
    hMirrorBox = NewCheck(PageCamera, Caption(565), true);
    vMirrorBox = NewCheck(PageCamera, Caption(566), true);
    connect(hMirrorBox, &QCheckBox::clicked, this, &WizardParaWidget::SetHMirror);
    connect(vMirrorBox, &QCheckBox::clicked, this, &WizardParaWidget::SetVMirror);
}

void WizardParaWidget::BuildIOPage()
{
    struct Value {
        int caption, min, max, display;
        const char* key;
        int position;
        bool seconds;
    };
    static const Value kValues[] = {
        {336, 0, 10000, 0, "system2", 18, true}, {166, 0, 100, 2, "system1", 6, false},
        {168, 0, 1000, 2, "system2", 5, false},  {169, 0, 1000, 2, "system2", 6, false},
        {524, 0, 100, 2, "system6", 9, false},   {571, 0, 100, 0, "system9", 10, false},
    };
    for (const Value& v : kValues)
        m_bindings.bind(NewEdit(PageIO, v.min, v.max, Caption(v.caption), v.display, v.seconds), v.key, v.position);

    input4Combo = NewCombo(PageIO, {LanStr(455), LanStr(404), LanStr(405), LanStr(406)});
    m_bindings.bind(input4Combo, "system3", 1);
    output4Combo = NewCombo(PageIO, {LanStr(455), LanStr(407), LanStr(408), LanStr(409)});
    m_bindings.bind(output4Combo, "system2", 14);

    static const int kStatePosition[9] = {5, 6, 7, 9, 15, 16, 17, 18, 19};
    for (int k = 0; k < (m_liveType == 4 ? 9 : 4); ++k) {
        outputStateCombo[k] = NewCombo(PageIO, {LanStr(204), LanStr(211)});
        m_bindings.bind(outputStateCombo[k], "system7", kStatePosition[k]);
        m_factoryControls[PageIO] << outputStateCombo[k];
    }

    struct Switch {
        int caption;
        const char* key;
        int position;
    };
    static const Switch kSwitches[] = {
        {178, "system2", 1},   {179, "system9", 14},   {643, "system10", 20}, {192, "system2", 9},
        {190, "system2", 7},   {1013, "system9", 15},  {642, "system10", 18}, {193, "system2", 8},
        {513, "system8", 18},  {195, "system3", 2},    {265, "system3", 11},  {202, "system5", 9},
        {645, "system12", 17}, {515, "system5", 11},   {562, "system5", 13},  {660, "system13", 1},
    };
    for (const Switch& sw : kSwitches)
        m_bindings.bind(NewCheck(PageIO, Caption(sw.caption)), sw.key, sw.position);

    machineTypeCombo = NewCombo(PageIO, {LanStr(384), LanStr(385), LanStr(386), LanStr(399), LanStr(472)});
    m_bindings.bind(machineTypeCombo, "numFailDetect", 1);  // the type of the next start
    connect(machineTypeCombo, &QComboBox::currentIndexChanged, this, &WizardParaWidget::SlotChangeSysFun);
    mouldCombo = NewCombo(PageIO, {LanStr(376), LanStr(377), LanStr(383)});
    m_bindings.bind(mouldCombo, "numFailDetect", 2);
    customIOButton = NewButton(PageIO, Caption(473));
    ioNameButton = NewButton(PageIO, Caption(498));
    connect(customIOButton, &QPushButton::clicked, this, &WizardParaWidget::SlotShowIOWidget);
    connect(ioNameButton, &QPushButton::clicked, this, &WizardParaWidget::SlotShowCustomIONameWidget);
}

void WizardParaWidget::BuildAdvancedPage()
{
    const Sizes s = Sizes::Current();
    struct Value {
        int caption, min, max;
        const char* key;
        int position;
        bool seconds;
    };
    static const Value kValues[] = {
        {213, 1, 8000, "system2", 15, false}, {185, 1, 100, "system2", 2, false},
        {186, 0, 20000, "system2", 4, false}, {187, 0, 20000, "system1", 8, false},
        {243, 30, 9999, "system2", 16, true}, {188, 0, 4, "system3", 3, false},
        {189, 0, 1000, "system3", 9, true},   {181, 1, 20, "system2", 3, false},
        {403, 0, 180, "system5", 10, false},
    };
    for (const Value& v : kValues) {
        EditBox* e = NewEdit(PageAdvanced, v.min, v.max, Caption(v.caption), 0, v.seconds);
        m_bindings.bind(e, v.key, v.position);
        if (v.caption == 213)
            offsetEdit = e;
        if (v.caption == 243)
            e->setUse0(true);  // 0 switches the screen-off timer off
    }

    struct Switch {
        int caption;
        const char* key;
        int position;
    };
    static const Switch kSwitches[] = {
        {254, "system7", 10},  {272, "system7", 4},   {194, "system2", 10},  {341, "system2", 11},
        {342, "system2", 12},  {556, "system6", 12},  {191, "system1", 9},   {554, "system6", 10},
        {201, nullptr, 0},     {457, "system7", 11},  {400, "system4", 1},   {470, "system7", 13},
        {471, "system7", 14},  {558, "system8", 19},  {572, "system9", 11},  {1007, "system9", 12},
        {586, "system11", 17}, {591, "system11", 18}, {644, "system10", 19}, {652, "system12", 18},
        {0, "system12", 21},   {1011, "system12", 19}, {653, "system6", 11},
    };
    for (const Switch& sw : kSwitches) {
        // The detection-cycle switch has a fixed caption of its own.
        CheckBox* box = NewCheck(PageAdvanced, sw.caption ? Caption(sw.caption) : QStringLiteral("启用检测周期"));
        if (sw.key)
            m_bindings.bind(box, sw.key, sw.position);
        else
            rawFramesBox = box;
        if (sw.caption == 254)
            factoryBox = box;
    }
    connect(factoryBox, &QCheckBox::stateChanged, this, [this] {
        if (!m_loading)
            DoChangePage();
    });

    // Parameter groups.
    groupNameEdit = new Edit(6, m_canvas);
    paraGroupCombo = NewCombo(PageAdvanced, {});
    m_controls[PageAdvanced] << groupNameEdit;
    for (int k = 0; k < 3; ++k)
        groupButton[k] = NewButton(PageAdvanced, Caption(182 + k));
    // Password.
    newPasswordEdit = new Edit(5, m_canvas);
    confirmPasswordEdit = new Edit(5, m_canvas);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(s.comboPx);
    for (Edit* e : {groupNameEdit, newPasswordEdit, confirmPasswordEdit}) {
        e->setFixedSize(s.editW, s.comboH);
        e->setFont(f);
    }
    newPasswordEdit->setEchoMode(QLineEdit::Password);
    confirmPasswordEdit->setEchoMode(QLineEdit::Password);
    m_controls[PageAdvanced] << newPasswordEdit << confirmPasswordEdit;
    changePasswordButton = NewButton(PageAdvanced, Caption(171));

    // Companions and system actions: texts in the order of the page.
    const QStringList actions = {Caption(551), Caption(568), Caption(594), QStringLiteral("检测周期"),
                                 Caption(325), Caption(326), Caption(210), Caption(401),
                                 Caption(458).replace(QStringLiteral(" \n "), QStringLiteral("\n")),
                                 Caption(206)};
    for (int k = 0; k < kActions; ++k)
        actionButton[k] = NewButton(PageAdvanced, actions[k]);
    // Its caption has two lines: a small screen's button row is too low for
    // them at a readable size.
    if (!s.wide)
        actionButton[ActionCalibrate]->setFixedHeight(s.buttonH + 10);
    // Two of them side by side leave the switches' last column its room.
    if (s.compact)
        for (ColorButton* b : actionButton)
            b->setFixedWidth(150);
    connect(actionButton[ActionRecord], &QPushButton::clicked, this, &WizardParaWidget::SlotToRecord);
    connect(actionButton[ActionHardware], &QPushButton::clicked, this,
            &WizardParaWidget::SlotShowHardwareConfigurationWidget);
}

void WizardParaWidget::BuildRecordPage()
{
    recordTable = new QTableView(m_canvas);
    recordList = new QListWidget(m_canvas);
    connect(recordList, &QListWidget::itemClicked, this, &WizardParaWidget::UpdateRecord);
    m_controls[PageRecord] << recordTable << recordList;
}

void WizardParaWidget::BuildFrame()
{
    static const int kPages[5] = {267, 128, 262, 266, 205};
    void (WizardParaWidget::*go[5])() = {&WizardParaWidget::SlotToCommon, &WizardParaWidget::SlotToCamera,
                                            &WizardParaWidget::SlotToNetwork, &WizardParaWidget::SlotToIO,
                                            &WizardParaWidget::SlotToAdvance};
    for (int k = 0; k < 5; ++k) {
        pageButton[k] = NewButton(-1, Caption(kPages[k]));
        connect(pageButton[k], &QPushButton::clicked, this, go[k]);
    }
    confirmButton = NewButton(-1, Caption(121));
    connect(confirmButton, &QPushButton::clicked, this, &WizardParaWidget::accept);
    modifyTime = new ModifyTimeWidget(this);
    modifyTime->hide();
    caliNum = new ChooseCaliNumWidget(this);
    caliNum->hide();
}
