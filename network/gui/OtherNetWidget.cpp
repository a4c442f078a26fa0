#include "OtherNetWidget.h"

#include "foundation/GLog.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "network/NetCard.h"
#include "network/NetSettingsFiles.h"
#include "network/VUR_Frame.h"
#include "network/VUR_Net.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/DialogGeometry.h"
#include "widgets/Edit.h"
#include "widgets/EditIP.h"
#include "widgets/WarnBox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace {
const QString kServerDb = QStringLiteral("./vur_net/sysconf.db");
const QString kServerConnection = QStringLiteral("sysconf");
const char* const kServerKeys[4] = {"serverip_info", "serverip_file", "serverport_info", "serverport_file"};

// Two arrangements: the small one (screens up to 1024 wide) and the wide
// 1800 x 950 one. A screen between the two that has no room for the wide
// dialog (1280 x 800) gets the wide arrangement shrunk to fit it.
struct Sizes {
    bool wide;
    double scale = 1.0;  // of the wide arrangement
    int v(int small, int large) const { return wide ? int(std::lround(large * scale)) : small; }
};

constexpr int kScreenMargin = 20;  // around a shrunk dialog

Sizes Layout()
{
    if (gShowW <= 1024)
        return {false};
    const double room = std::min(double(gShowW - 2 * kScreenMargin) / 1800.0, double(gShowH - 2 * kScreenMargin) / 950.0);
    return {true, std::min(1.0, room)};
}

QFont PageFont()
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(Layout().v(20, 30));
    return f;
}

// A text field stored from an edit: the integer its leading digits give.
int LeadingInt(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^\\s*([+-]?\\d+)"));
    const auto m = digits.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// A menu caption too wide for its button breaks at the space nearest its middle.
QString FitCaption(const QString& text, int width)
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(Layout().wide ? (gLan == 0 ? 27 : 22) : (gLan == 0 ? 16 : 13));
    if (QFontMetrics(f).horizontalAdvance(text) <= width - 8)
        return text;
    int best = -1;
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == QLatin1Char(' ') && (best < 0 || std::abs(i - text.size() / 2) < std::abs(best - text.size() / 2)))
            best = i;
    QString out = text;
    if (best > 0)
        out[best] = QLatin1Char('\n');
    else if (text.size() > 1)
        out.insert(text.size() / 2, QLatin1Char('\n'));  // Chinese breaks anywhere
    return out;
}

// A label in the page font, smaller when it would run into its field.
PlacedText Label(const QRect& r, const QString& text)
{
    QFont f = PageFont();
    while (f.pixelSize() > 10 && TextPlacer::TextSize(f, text).width() > r.width())
        f.setPixelSize(f.pixelSize() - 1);
    return TextPlacer::InBox(text, f, Qt::yellow, r, Qt::AlignLeft | Qt::AlignVCenter);
}

void Warn(const QString& text)
{
    WarnBox box;
    box.setText(text);
    box.exec();
}

bool Ask(const QString& text)
{
    ChooseBox box;
    box.setText(text);
    return box.exec() == 1;
}
}  // namespace

OtherNetWidget::OtherNetWidget(QWidget* parent)
    : ChooseBox(parent)
{
    const Sizes s = Layout();
    const QSize size(s.v(700, 1800), s.v(500, 950));
    setFixedSize(size);
    move((gShowW - size.width()) / 2, (gShowH - size.height()) / 2);
    m_no->setText(LanStr(58));
    m_yes->setText(LanStr(121));
    const QSize button(s.v(140, 220), s.v(60, 100));
    m_no->setGeometry(size.width() - s.v(350, 550), size.height() - s.v(70, 150), button.width(), button.height());
    m_yes->setGeometry(s.v(505, 1520), size.height() - s.v(70, 150), button.width(), button.height());
    BuildPages();
    connect(&m_portTimer, &QTimer::timeout, this, &OtherNetWidget::SlotTimerChk);
    hideshow(0);
}

OtherNetWidget::~OtherNetWidget()
{
    if (QSqlDatabase::contains(kServerConnection))
        QSqlDatabase::removeDatabase(kServerConnection);
}

void OtherNetWidget::BuildPages()
{
    const Sizes s = Layout();
    const QFont font = PageFont();
    const int rowY0 = s.v(10, 50), rowStep = s.v(50, 90), rowH = s.v(40, 50);
    const int labelX = s.v(150, 300), valueX = s.v(300, 550), valueW = s.v(200, 300);
    auto row = [&](int n) { return rowY0 + (n - 1) * rowStep; };
    auto edit = [&](int mode, int n) {
        auto* e = new Edit(mode, this, 1);
        e->setFont(font);
        e->setGeometry(valueX, row(n), valueW, rowH);
        return e;
    };
    auto button = [&](int text, int n) {
        auto* b = new ColorButton(LanStr(text), this, 3);
        b->setGeometry(labelX, row(n), valueW, rowH);
        return b;
    };

    smsBox = new CheckBox(this, LanStr(429));
    smsBox->setGeometry(labelX, row(1), s.v(400, 600), rowH);
    smsBox->setFont(font);
    techNameEdit = edit(6, 2);
    techPhoneEdit = edit(5, 3);
    ngVideoBox = new CheckBox(this, LanStr(430));
    ngVideoBox->setGeometry(labelX, row(1), s.v(400, 600), rowH);
    ngVideoBox->setFont(font);

    productCombo = new ComboBox(this);
    productCombo->setFont(font);
    productCombo->setGeometry(valueX, row(1), valueW, rowH);
    productCombo->setItemHeight(s.v(40, 50));
    productCombo->setItemWidth(s.v(300, 400));
    getProductButton = new ColorButton(LanStr(433), this, 3);
    getProductButton->setGeometry(s.v(550, 900), row(1), s.v(150, 300), rowH);
    operatorEdit = edit(6, 2);
    cavityEdit = edit(5, 3);
    capacityEdit = edit(5, 4);
    batchEdit = edit(5, 5);
    resetStatisticsButton = button(438, 6);

    wifiNameEdit = edit(6, 1);
    wifiPasswordEdit = edit(6, 2);
    updateWifiButton = button(444, 3);

    infoServerIp = new EditIP(LanStr(450), this);
    fileServerIp = new EditIP(LanStr(451), this);
    for (EditIP* e : {infoServerIp, fileServerIp}) {
        // Shrunk with the dialog: the address fields keep within their row.
        if (s.wide && s.scale < 1.0)
            e->setCellSize(QSize(s.v(50, 100), s.v(30, 50)), s.v(17, 30));
        e->setGeometry(labelX, row(e == infoServerIp ? 1 : 2), s.v(375, 750), rowH);
    }
    infoPortEdit = new Edit(5, this, 1);
    filePortEdit = new Edit(5, this, 1);
    for (int i = 0; i < 2; ++i) {
        Edit* e = i == 0 ? infoPortEdit : filePortEdit;
        e->setFont(font);
        e->setGeometry(s.v(600, 1200), row(i + 1) + s.v(0, 15), s.v(75, 150), rowH);
    }
    updateServerButton = button(453, 3);

    memoModel = new QStandardItemModel(0, 5, this);
    const QStringList headers{QStringLiteral("操作者"), QStringLiteral("创建时间"), QStringLiteral("提醒时间"),
                              QStringLiteral("持续时间(min)"), QStringLiteral("提醒事项名称")};
    memoModel->setHorizontalHeaderLabels(headers);
    memoTable = new QTableView(this);
    memoTable->setModel(memoModel);
    memoTable->setGeometry(labelX, rowY0, s.v(500, 1400), s.v(400, 700));
    const int widths[5] = {150, 200, 200, 150, 400};
    for (int c = 0; c < 5; ++c)
        memoTable->setColumnWidth(c, s.v(widths[c], widths[c]));
    memoTable->setEditTriggers(QAbstractItemView::NoEditTriggers);

    static const int kMenu[7] = {425, 426, 431, 443, 449, 456, 525};
    for (int i = 0; i < 7; ++i) {
        menuButton[i] = new ColorButton(FitCaption(LanStr(kMenu[i]), s.v(100, 200)), this, 3);
        menuButton[i]->setGeometry(s.v(10, 40), s.v(10, 40) + i * s.v(55, 100), s.v(100, 200), s.v(50, 80));
    }
    connect(menuButton[0], &QPushButton::clicked, this, &OtherNetWidget::SlotTel);
    connect(menuButton[1], &QPushButton::clicked, this, &OtherNetWidget::SlotNgVideo);
    connect(menuButton[2], &QPushButton::clicked, this, &OtherNetWidget::SlotStatistics);
    connect(menuButton[3], &QPushButton::clicked, this, &OtherNetWidget::SlotWifi);
    connect(menuButton[4], &QPushButton::clicked, this, &OtherNetWidget::SlotServer);
    connect(menuButton[5], &QPushButton::clicked, this, &OtherNetWidget::SlotRemind);
    connect(menuButton[6], &QPushButton::clicked, this, &OtherNetWidget::SlotStartChk);
    connect(getProductButton, &QPushButton::clicked, this, &OtherNetWidget::SlotGetProductName);
    connect(resetStatisticsButton, &QPushButton::clicked, this, &OtherNetWidget::SlotResetStatistics);
    connect(updateWifiButton, &QPushButton::clicked, this, &OtherNetWidget::SlotUpdateWifi);
    connect(updateServerButton, &QPushButton::clicked, this, &OtherNetWidget::SlotUpdateServer);
}

QList<QWidget*> OtherNetWidget::PageControls(int page) const
{
    switch (page) {
    case 1: return {smsBox, techNameEdit, techPhoneEdit};
    case 2: return {ngVideoBox};
    case 3: return {productCombo, getProductButton, operatorEdit, cavityEdit, capacityEdit, batchEdit,
                    resetStatisticsButton};
    case 4: return {wifiNameEdit, wifiPasswordEdit, updateWifiButton};
    case 5: return {infoServerIp, fileServerIp, infoPortEdit, filePortEdit, updateServerButton};
    case 6: return {memoTable};
    default: return {};
    }
}

void OtherNetWidget::hideshow(int type)
{
    for (int p = 1; p <= 6; ++p)
        for (QWidget* w : PageControls(p))
            w->hide();
    m_page = type;
    for (QWidget* w : PageControls(type))
        w->show();
    update();
}

void OtherNetWidget::showEvent(QShowEvent* event)
{
    // Unlike the question box, the dialog keeps the place it was given.
    QDialog::showEvent(event);
}

// --- running from the network page ----------------------------------------

void OtherNetWidget::LoadFrom(const WizardPara& edit)
{
    smsBox->setValue(edit.netAlarmSms);
    techNameEdit->setText(WizardPara::Text(edit.netMsgTechName));
    techPhoneEdit->setText(WizardPara::Text(edit.netMsgTechNum));
    ngVideoBox->setValue(edit.netNgVideo);
    productCombo->clear();
    productCombo->addItem(WizardPara::Text(edit.netProName));
    operatorEdit->setText(WizardPara::Text(edit.netOperator));
    cavityEdit->setText(QString::number(edit.productsPerCycle));
    capacityEdit->setText(QString::number(edit.productsNum));
    batchEdit->setText(QString::number(edit.productSerial));
}

void OtherNetWidget::StoreInto(WizardPara& edit) const
{
    edit.netAlarmSms = smsBox->value();
    edit.netNgVideo = ngVideoBox->value();
    WizardPara::SetText(edit.netMsgTechName, techNameEdit->text());
    WizardPara::SetText(edit.netMsgTechNum, techPhoneEdit->text());
    WizardPara::SetText(edit.netProName, productCombo->currentText());
    WizardPara::SetText(edit.netOperator, operatorEdit->text());
    edit.productsPerCycle = LeadingInt(cavityEdit->text());
    edit.productsNum = LeadingInt(capacityEdit->text());
    edit.productSerial = LeadingInt(batchEdit->text());
}

int OtherNetWidget::Run(WizardPara& edit)
{
    LoadFrom(edit);
    hideshow(1);
    const int result = exec();
    if (result == QDialog::Accepted)
        StoreInto(edit);
    SlotCloseWgt();
    return result == QDialog::Accepted ? 1 : 0;
}

void OtherNetWidget::SlotCloseWgt()
{
    m_portTimer.stop();
}

// --- product names and memos from the plant client --------------------------

void OtherNetWidget::SendRequest(int type)
{
    // Only a live link with its client there is asked; the page shows anyway.
    if (!gpWPara || !gpWPara->netEnabled || !PlantLinkUp())
        return;
    if (type == VurFrame::TypeProductRequest)
        gpNet->VUR_RequestProductNames();
    else
        gpNet->VUR_RequestReminds();
}

void OtherNetWidget::SlotGetProductName()
{
    SendRequest(VurFrame::TypeProductRequest);
}

void OtherNetWidget::SlotGetRemindList()
{
    SendRequest(VurFrame::TypeRemindRequest);
}

void OtherNetWidget::SlotStatistics()
{
    SlotGetProductName();
    hideshow(3);
}

void OtherNetWidget::SlotRemind()
{
    SlotGetRemindList();
    hideshow(6);
}

void OtherNetWidget::vur_reset_product(const QString& body)
{
    const QJsonDocument doc = QJsonDocument::fromJson(body.toUtf8());
    if (!doc.isObject() || !doc.object().contains(QStringLiteral("result")))
        return;
    QStringList names;
    for (const QJsonValue& v : doc.object().value(QStringLiteral("result")).toArray()) {
        const QJsonValue name = v.toObject().value(QStringLiteral("product_name"));
        if (!name.isString())
            return;  // the whole answer is dropped
        names << name.toString();
    }
    if (productCombo->count() > 0) {
        const QString current = productCombo->currentText();
        names.removeOne(current);
        productCombo->clear();
        productCombo->addItem(current);
    }
    productCombo->addItems(names);
    if (productCombo->count() > 0)
        productCombo->setCurrentIndex(0);
    update();
}

void OtherNetWidget::vur_reset_remind(const QString& body)
{
    const QJsonDocument doc = QJsonDocument::fromJson(body.toUtf8());
    if (!doc.isObject() || !doc.object().contains(QStringLiteral("result")))
        return;
    const QJsonArray list = doc.object().value(QStringLiteral("result")).toArray();
    const bool shown = isVisible() && m_page == 6;
    if (list.isEmpty() || !shown) {
        if (shown)
            memoTable->viewport()->update();
        return;
    }
    memoModel->removeRows(0, memoModel->rowCount());
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPixelSize(15);
    auto cell = [&](int r, int c, const QString& text) {
        auto* item = new QStandardItem(text);
        item->setFont(font);
        item->setTextAlignment(Qt::AlignCenter);
        memoModel->setItem(r, c, item);
    };
    // Whole milliseconds or minutes. A value that is no number (text, null,
    // true or false) reads as 0, so one odd value hides no memo after it;
    // only a number beyond 64 bits is unreadable, as a missing key is.
    auto whole = [](const QJsonValue& v, qint64* out) {
        const double d = v.isDouble() ? v.toDouble() : 0.0;
        if (!(d > -9223372036854775808.0 && d < 9223372036854775808.0))
            return false;
        *out = qint64(d);
        return true;
    };
    for (int i = 0; i < list.size(); ++i) {
        const QJsonObject o = list[i].toObject();
        memoModel->insertRow(i);
        const char* keys[5] = {"operator", "create_utc", "notify_utc", "duration", "reminder_name"};
        for (int c = 0; c < 5; ++c) {
            const QJsonValue v = o.value(QLatin1String(keys[c]));
            qint64 n = 0;
            if (v.isUndefined() || ((c == 1 || c == 2 || c == 3) && !whole(v, &n))) {
                memoTable->viewport()->update();
                return;  // the fill stops; what was written stays
            }
            if (c == 1 || c == 2)
                cell(i, c, QDateTime::fromMSecsSinceEpoch(n).toString(QStringLiteral("yy-MM-dd hh:mm:ss")));
            else if (c == 3)
                cell(i, c, QString::number(n));
            else
                cell(i, c, v.toString());
        }
    }
    memoTable->viewport()->update();
}

// --- statistics reset --------------------------------------------------------

void OtherNetWidget::SlotResetStatistics()
{
    if (!Ask(LanStr(447)))
        return;
    QFile::remove(QStringLiteral("./vur_net/data/Statistics"));
    QFile::remove(QStringLiteral("./vur_net/data/ManualStop"));
    for (const char* d : {"./vur_net/vur_alarmimage", "./vur_net/vur_tempimage", "./vur_net/vur_fail"})
        QDir(QLatin1String(d)).removeRecursively();
    if (gpNet) {
        gpNet->InitStatistics();
        gpNet->InitManualStop();
    }
}

// --- Wi-Fi ---------------------------------------------------------------------

void OtherNetWidget::SlotWifi()
{
    QFile f(QDir(SystemActions::instance().systemRoot()).filePath(QStringLiteral("etc/wpa_supplicant/wlanpwd.conf")));
    if (f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const auto [name, password] = NetSettingsFiles::ParseWifiConf(QString::fromUtf8(f.readAll()));
        if (!name.isEmpty())
            wifiNameEdit->setText(name);
        if (!password.isEmpty())
            wifiPasswordEdit->setText(password);
    }
    hideshow(4);
}

void OtherNetWidget::SlotUpdateWifi()
{
    if (!Ask(LanStr(448)))
        return;
    const QString name = wifiNameEdit->text();
    const QString password = wifiPasswordEdit->text();
    // The supplicant reads the values between quotes: nothing may end them early.
    if (!NetSettingsFiles::IsWifiName(name)) {
        Warn(LanStr(1121));
        return;
    }
    if (!NetSettingsFiles::IsWifiPassword(password)) {
        Warn(LanStr(1122));
        return;
    }
    QDir().mkpath(QStringLiteral("./vur_net"));
    const QString local = QStringLiteral("./vur_net/wlanpwd.conf");
    QFile f(local);
    const auto secret = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || !f.setPermissions(secret)) {
        GLogInfo(QStringLiteral("cannot write %1").arg(local));
        return;
    }
    f.write(NetSettingsFiles::WifiConf(name, password));
    f.close();
    if (!SystemActions::instance().installFile(local, QStringLiteral("etc/wpa_supplicant/wlanpwd.conf"), secret))
        GLogInfo(QStringLiteral("the Wi-Fi settings could not be installed"));
}

// --- plant servers -------------------------------------------------------------

bool OtherNetWidget::OpenServerDb()
{
    QSqlDatabase db = QSqlDatabase::contains(kServerConnection)
        ? QSqlDatabase::database(kServerConnection, false)
        : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kServerConnection);
    db.setDatabaseName(kServerDb);
    if (!db.isOpen() && !db.open()) {
        GLogInfo(QStringLiteral("Error: Failed to connect database.%1").arg(db.lastError().text()));
        return false;
    }
    return true;
}

void OtherNetWidget::SlotServer()
{
    hideshow(5);
    if (!QFile::exists(kServerDb) || !OpenServerDb())
        return;
    QSqlQuery q(QSqlDatabase::database(kServerConnection));
    for (int k = 0; k < 4; ++k) {
        q.prepare(QStringLiteral("select 值 from info_sysconf where 信息名称=?"));
        q.addBindValue(QLatin1String(kServerKeys[k]));
        if (!q.exec() || !q.next())
            continue;
        const QString v = q.value(0).toString();
        if (k == 0)
            infoServerIp->setTextIP(v);
        else if (k == 1)
            fileServerIp->setTextIP(v);
        else
            (k == 2 ? infoPortEdit : filePortEdit)->setText(v);
    }
    QSqlDatabase::database(kServerConnection).close();
}

void OtherNetWidget::SlotUpdateServer()
{
    if (!Ask(LanStr(454)))
        return;
    if (!QFile::exists(kServerDb))
        return;
    const QString values[4] = {infoServerIp->getTextIP(), fileServerIp->getTextIP(), infoPortEdit->text(),
                               filePortEdit->text()};
    static const int kCaption[4] = {450, 451, 452, 452};
    for (int k = 0; k < 4; ++k) {
        const bool ok = k < 2 ? NetSettingsFiles::IsIPv4(values[k]) : NetSettingsFiles::IsPort(values[k]);
        if (!ok) {
            Warn(LanStr(kCaption[k]) + QStringLiteral(":\r\n") + values[k]);
            return;
        }
    }
    if (!OpenServerDb())
        return;
    QSqlQuery q(QSqlDatabase::database(kServerConnection));
    for (int k = 0; k < 4; ++k) {
        q.prepare(QStringLiteral("update info_sysconf set 值=? where 信息名称=?"));
        q.addBindValue(values[k]);
        q.addBindValue(QLatin1String(kServerKeys[k]));
        q.exec();  // a key without a row stays without one
    }
    if (gpNet)
        gpNet->isServerChanged = true;
}

// --- port state ----------------------------------------------------------------

void OtherNetWidget::ReadPortCounters()
{
    QFile f(QStringLiteral("/proc/net/dev"));
    if (!f.open(QIODevice::ReadOnly))
        return;
    for (const auto& [name, bytes] : NetCard::ReceivedBytes(QString::fromUtf8(f.readAll()))) {
        if (m_rxBytes.contains(name))
            m_rxDiff[name] = bytes - m_rxBytes.value(name);
        m_rxBytes[name] = bytes;
    }
}

void OtherNetWidget::SlotStartChk()
{
    m_linkUp.clear();
    m_rxBytes.clear();
    m_portTimer.start(3000);
    ReadPortCounters();
    m_rxDiff.clear();
    hideshow(7);
}

void OtherNetWidget::SlotTimerChk()
{
    m_linkUp.clear();
    m_rxDiff.clear();
    const QString out = QString::fromUtf8(SystemActions::instance().query({QStringLiteral("ifconfig")}, 1000).output);
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.contains(QLatin1String("mtu")))
            continue;
        const QStringList parts = line.split(QLatin1Char(':'), Qt::SkipEmptyParts);
        if (parts.size() == 2 && parts[0] != QLatin1String("lo"))
            m_linkUp[parts[0]] = parts[1].contains(QLatin1String("RUNNING"));
    }
    ReadPortCounters();
    update();
}

// --- painting --------------------------------------------------------------------

QList<PlacedText> OtherNetWidget::PaintedTexts() const
{
    const Sizes s = Layout();
    const int rowY0 = s.v(10, 50), rowStep = s.v(50, 90), rowH = s.v(40, 50);
    const int labelX = s.v(150, 300), labelW = s.v(200, 300);
    // Labels end where the value column starts.
    const int valueX = s.v(300, 550);
    QList<PlacedText> texts;
    auto label = [&](int text, int row, int x = -1, int dy = 0) {
        const int left = x < 0 ? labelX : x;
        texts << Label(QRect(left, rowY0 + (row - 1) * rowStep + dy, x < 0 ? valueX - left - 4 : labelW, rowH),
                       LanStr(text));
    };
    switch (m_page) {
    case 1:
        label(427, 2);
        label(428, 3);
        break;
    case 3:
        for (int r = 1; r <= 5; ++r)
            label(r == 1 ? 432 : 432 + r, r);
        break;
    case 4:
        label(445, 1);
        label(446, 2);
        break;
    case 5:
        // Beside the port edits, which sit a little lower on wide screens.
        label(452, 1, s.v(530, 1080), s.v(0, 15));
        label(452, 2, s.v(530, 1080), s.v(0, 15));
        break;
    case 7: {
        int y = rowY0;
        for (auto it = m_rxBytes.cbegin(); it != m_rxBytes.cend(); ++it, y += rowStep) {
            texts << TextPlacer::InBox(it.key(), PageFont(), Qt::yellow, QRect(labelX, y, labelW, rowH),
                                       Qt::AlignLeft | Qt::AlignVCenter);
            if (m_linkUp.value(it.key(), false) && m_rxDiff.contains(it.key()))
                texts << TextPlacer::InBox(QStringLiteral("%1 bytes/s").arg(m_rxDiff.value(it.key()) / 3), PageFont(),
                                           Qt::yellow, QRect(s.v(350, 600), y, labelW, rowH),
                                           Qt::AlignLeft | Qt::AlignVCenter);
        }
        break;
    }
    default:
        break;
    }
    return texts;
}

void OtherNetWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
    const Sizes s = Layout();
    if (m_page == 7) {
        const int rowY0 = s.v(10, 50), rowStep = s.v(50, 90);
        int y = rowY0;
        for (auto it = m_rxBytes.cbegin(); it != m_rxBytes.cend(); ++it, y += rowStep) {
            const bool up = m_linkUp.value(it.key(), false);
            p.setPen(QPen(up ? Qt::green : Qt::gray, 4));
            p.setBrush(up ? Qt::green : Qt::gray);
            p.drawEllipse(s.v(250, 500), y + 10, 20, 20);
        }
        p.setBrush(Qt::NoBrush);
    }
    for (const PlacedText& t : PaintedTexts())
        TextPlacer::Draw(p, t);
    PaintDialogFrame(p, width(), height());
}
