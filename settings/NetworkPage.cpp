#include "NetworkPage.h"

#include "WizardParaWidget.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "network/NetSettingsFiles.h"
#include "network/VUR_Net.h"
#include "network/VUR_RecordFile.h"
#include "network/gui/OtherNetWidget.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"
#include "widgets/C_Type_COM.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/EditIP.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPointer>

namespace {
// A stable public host for the internet test.
const QString kInternetProbe = QStringLiteral("114.114.114.114");

bool Wide()
{
    return !IsSmallLayout();
}

// The settings dialog's grid: on a compact screen the page takes its smaller rows.
bool Compact()
{
    return WizardParaWidget::Sizes::Current().compact;
}

QFont PageFont()
{
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(WizardParaWidget::Sizes::Current().captionPx);
    return f;
}

// Rows of the page: height, pitch, the caption column's width.
struct Rows {
    int h = Compact() ? 40 : Wide() ? 50 : 30;
    int pitch = Compact() ? 52 : Wide() ? 65 : 38;
    int caption = Compact() ? 240 : Wide() ? 300 : 200;
    int y(int n) const { return n * pitch; }
};

QString ReadMac(const QString& sysClassNet, const QString& card)
{
    QFile f(QStringLiteral("%1/%2/address").arg(sysClassNet, card));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).remove(QLatin1Char('\n')) : QString();
}
}  // namespace

NetworkPage::NetworkPage(WizardParaWidget* dialog, OtherNetWidget* others)
    : QWidget(dialog)
    , m_dialog(dialog)
    , m_others(others)
{
    const QFont font = PageFont();
    plantBox = new CheckBox(this, LanStr(358));
    cardCombo = new ComboBox(this);
    ipEdit = new EditIP(LanStr(329), this);
    maskEdit = new EditIP(LanStr(330), this);
    gatewayEdit = new EditIP(LanStr(331), this);
    hostEdit = new Edit(6, this, 1);
    useCardBox = new CheckBox(this, LanStr(410));
    testButton = new ColorButton(LanStr(411), this, 3);
    videoCombo = new ComboBox(this);
    videoCombo->addItems({LanStr(412), LanStr(413), LanStr(414)});
    fpsCombo = new ComboBox(this);
    fpsCombo->addItems({QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("15"), QStringLiteral("20"),
                        QStringLiteral("25")});
    otherButton = new ColorButton(LanStr(424), this, 3);
    for (QWidget* w : QList<QWidget*>{plantBox, cardCombo, hostEdit, useCardBox, videoCombo, fpsCombo})
        w->setFont(font);
    for (ComboBox* c : {cardCombo, videoCombo, fpsCombo})
        c->setItemHeight(Compact() ? 40 : Wide() ? 50 : 35);
    if (Compact())
        for (EditIP* e : {ipEdit, maskEdit, gatewayEdit})
            e->setCellSize(QSize(80, 36), 22);

    connect(plantBox, &QCheckBox::stateChanged, this, &NetworkPage::SlotCBoxIsUseVurNet);
    connect(cardCombo, &QComboBox::currentIndexChanged, this, &NetworkPage::SlotCmbCard);
    connect(ipEdit, &EditIP::textchange, this, &NetworkPage::SlotIpTimelyModify);
    connect(maskEdit, &EditIP::textchange, this, &NetworkPage::SlotMaskTimelyModify);
    connect(gatewayEdit, &EditIP::textchange, this, &NetworkPage::SlotWayTimelyModify);
    connect(useCardBox, &CheckBox::pressed, this, &NetworkPage::SlotVurClick);
    connect(useCardBox, &QCheckBox::stateChanged, this, &NetworkPage::SlotVurName);
    connect(testButton, &QPushButton::clicked, this, &NetworkPage::SlotCheckPing);
    connect(otherButton, &QPushButton::clicked, this, &NetworkPage::SlotNetOthers);
    hide();
}

QList<QWidget*> NetworkPage::LinkControls() const
{
    return {hostEdit, useCardBox, testButton, videoCombo, fpsCombo, otherButton};
}

void NetworkPage::LayOut()
{
    const QRect area = m_dialog->contentArea();
    setGeometry(area);
    const Rows r;
    const int half = area.width() / 2;
    const int ipW = std::min(half - 20, Wide() ? 700 : 420);
    plantBox->setGeometry(0, r.y(0), half - 20, r.h);
    cardCombo->setGeometry(0, r.y(1), r.caption, r.h);
    ipEdit->setGeometry(0, r.y(2), ipW, r.h);
    maskEdit->setGeometry(0, r.y(3), ipW, r.h);
    gatewayEdit->setGeometry(0, r.y(4), ipW, r.h);
    // Right column: the plant link; captions are painted left of the controls.
    const int x = half, cx = half + r.caption;
    const int cw = std::min(area.width() - cx, r.caption);
    hostEdit->setGeometry(cx, r.y(0), cw, r.h);
    useCardBox->setGeometry(x, r.y(1), area.width() - x, r.h);
    testButton->setGeometry(x, r.y(2), r.caption - 10, r.h);
    videoCombo->setGeometry(cx, r.y(3), cw, r.h);
    fpsCombo->setGeometry(cx, r.y(4), cw, r.h);
    otherButton->setGeometry(x, r.y(5), r.caption + cw, r.h);
}

// --- loading and storing -----------------------------------------------------

void NetworkPage::Init()
{
    if (gpNet)
        gpNet->netCardEdit = gpNet->netCard;
    InitVurNetWidget();
    if (gpWParaBak)
        plantBox->setValue(gpWParaBak->netEnabled != 0);
    m_plantOn = plantBox->value() != 0;
}

void NetworkPage::InitVurNetWidget()
{
    const QSignalBlocker block(cardCombo);
    cardCombo->clear();
    if (gpNet)
        cardCombo->addItems(gpNet->netCardEdit.cards.keys());
    SlotCmbCard(cardCombo->currentIndex());
    hostEdit->setText(gpNet ? gpNet->netCardEdit.hostName : QString());
    if (gpWParaBak) {
        videoCombo->setCurrentIndex(std::clamp(gpWParaBak->netVideoOn, 0, 2));
        fpsCombo->setCurrentIndex(std::clamp(gpWParaBak->netVideoParam, 0, 4));
    }
}

void NetworkPage::StoreInto(WizardPara& edit)
{
    edit.netEnabled = plantBox->value();
    edit.netVideoOn = videoCombo->currentIndex();
    edit.netVideoParam = fpsCombo->currentIndex();
    if (gpNet)
        gpNet->netCardEdit.hostName = hostEdit->text().trimmed();
}

bool NetworkPage::EditedEqualsLive() const
{
    return !gpNet || gpNet->netCardEdit == gpNet->netCard;
}

bool NetworkPage::TakeServerChanged()
{
    if (!gpNet || !gpNet->isServerChanged)
        return false;
    gpNet->isServerChanged = false;
    return true;
}

QString NetworkPage::EditedHostName() const
{
    return gpNet ? gpNet->netCardEdit.hostName : QString();
}

bool NetworkPage::HostNameEdited() const
{
    return gpNet && gpNet->netCardEdit.hostName != gpNet->netCard.hostName;
}

void NetworkPage::Discard()
{
    if (gpNet)
        gpNet->netCardEdit = gpNet->netCard;
}

void NetworkPage::Commit()
{
    if (gpNet)
        gpNet->netCard = gpNet->netCardEdit;
}

int NetworkPage::SaveNetParam()
{
    if (!gpNet || !gpWPara || !gpWParaBak)
        return 0;
    NetCard& edit = gpNet->netCardEdit;
    const NetCard& live = gpNet->netCard;
    const WizardPara& p = *gpWParaBak;
    const WizardPara& now = *gpWPara;
    QDir().mkpath(QStringLiteral("./vur_net"));
    int bits = 0;
    if (edit.cards != live.cards) {
        VurRecordFile::Write(QStringLiteral("./vur_net/netplan_prejson.txt"), NetSettingsFiles::NetplanJson(edit.cards, live.macs));
        bits |= CardsChanged;
    }
    if (p.netEnabled != now.netEnabled)
        bits |= LinkSwitched;
    if (edit.hostName != live.hostName) {
        VurRecordFile::Write(QStringLiteral("./vur_net/ls_hostname"), edit.hostName.toUtf8());
        QByteArray hosts;
        VurRecordFile::Read(QDir(SystemActions::instance().systemRoot()).filePath(QStringLiteral("etc/hosts")), &hosts);
        VurRecordFile::Write(QStringLiteral("./vur_net/ls_hosts"),
                             NetSettingsFiles::HostsFile(QString::fromUtf8(hosts), edit.hostName));
        bits |= HostChanged;
    }
    if (p.netEnabled == 0) {
        edit.hostName = live.hostName;
        return bits;
    }
    if (WizardPara::Text(p.netUseName) != WizardPara::Text(now.netUseName) || p.netVideoOn != now.netVideoOn
        || p.netVideoParam != now.netVideoParam || p.netNgVideo != now.netNgVideo)
        bits |= LinkSettingsChanged;
    if (gpNet->isServerChanged)
        bits |= ServersChanged;
    return bits;
}

void NetworkPage::UpdateRegisterMac()
{
    if (!gpNet)
        return;
    const QString path = QStringLiteral("./vur_net/registermac.txt");
    QByteArray present;
    VurRecordFile::Read(path, &present);
    QMap<QString, QString> macs;
    for (const QString& card : gpNet->netCardEdit.cards.keys())
        macs[card] = ReadMac(m_sysClassNet, card);
    const QByteArray text = NetSettingsFiles::RegisterMac(QString::fromUtf8(present), gpNet->netCardEdit.cards, macs);
    if (!text.isEmpty())
        VurRecordFile::Write(path, text);
}

// --- showing -------------------------------------------------------------------

void NetworkPage::Show(bool shown, bool)
{
    if (!shown) {
        hide();
        return;
    }
    // The live cards as the system has them now; the edits stay.
    if (gpNet) {
        gpNet->netCard.cards = VUR_Net::getNewNetCardInfo();
        gpNet->netCard.hostName = VUR_Net::getNetHostName();
    }
    LayOut();
    ShowLinkControls();
    show();
    raise();
}

void NetworkPage::ShowLinkControls()
{
    for (QWidget* w : LinkControls())
        w->setVisible(m_plantOn);
    fpsCombo->setEnabled(false);  // the copy runs every 50 ms whatever is listed
}

void NetworkPage::SlotCBoxIsUseVurNet(int state)
{
    m_plantOn = state != 0;
    if (!m_plantOn || isVisible())
        ShowLinkControls();
    update();
}

void NetworkPage::SlotCmbCard(int index)
{
    const QString name = cardCombo->itemText(index);
    m_mac = gpNet ? gpNet->netCardEdit.macs.value(name) : QString();
    update();
    if (!gpNet)
        return;
    const QStringList entry = gpNet->netCardEdit.cards.value(name);
    if (entry.size() != 3)
        return;
    ipEdit->setTextIP(entry[0]);
    maskEdit->setTextIP(entry[1]);
    gatewayEdit->setTextIP(entry[2]);
    if (gpWParaBak)
        useCardBox->setValue(name == WizardPara::Text(gpWParaBak->netUseName));
    update();
}

void NetworkPage::EditCardEntry(int entry, const QString& text)
{
    const QString name = cardCombo->currentText();
    if (!gpNet || name.contains(QLatin1String("wlan")))
        return;  // Wi-Fi cards are not set here
    auto it = gpNet->netCardEdit.cards.find(name);
    if (it != gpNet->netCardEdit.cards.end() && it->size() == 3)
        (*it)[entry] = text;
}

void NetworkPage::SlotVurName(int state)
{
    if (!m_useCardClicked || !gpWParaBak)
        return;
    WizardPara::SetText(gpWParaBak->netUseName, state ? cardCombo->currentText() : QStringLiteral("null"));
    m_useCardClicked = false;
}

void NetworkPage::SlotNetOthers()
{
    if (m_others && gpWParaBak)
        m_others->Run(*gpWParaBak);
}

// --- reachability test ---------------------------------------------------------

void NetworkPage::SlotCheckPing()
{
    if (m_testRunning)
        return;
    m_checkText += QLatin1Char('*');
    update();
    const QString routes = QString::fromUtf8(
        SystemActions::instance().query({QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("show")}).output);
    const QString gateway = NetCard::FirstGateway(routes).first;
    if (!NetSettingsFiles::IsIPv4(gateway)) {
        m_checkText = LanStr(419);
        update();
        return;
    }
    // The pings run apart from the screen, which stays live meanwhile.
    m_testRunning = true;
    testButton->setEnabled(false);
    QPointer<NetworkPage> self(this);
    SystemActions::instance().runAsync(
        {QStringLiteral("ping"), gateway, QStringLiteral("-w"), QStringLiteral("2")}, 30000, this,
        [self](const ActionResult& lan) {
            const bool lanOk = !lan.recorded && NetSettingsFiles::PingAnswered(QString::fromUtf8(lan.output));
            SystemActions::instance().runAsync(
                {QStringLiteral("ping"), kInternetProbe, QStringLiteral("-w"), QStringLiteral("3")}, 30000, self,
                [self, lanOk](const ActionResult& net) {
                    if (self)
                        self->PingDone(lanOk, !net.recorded && NetSettingsFiles::PingAnswered(QString::fromUtf8(net.output)));
                });
        });
}

void NetworkPage::PingDone(bool lan, bool internet)
{
    m_testRunning = false;
    testButton->setEnabled(true);
    const bool server = gpNet && gpNet->isAlive;
    m_checkText = LanStr(lan ? 420 : 421) + QLatin1Char(',') + LanStr(internet ? 422 : 423) + QLatin1Char(',')
        + LanStr(server ? 439 : 440);
    update();
}

// --- painting --------------------------------------------------------------------

QList<PaintedCaption> NetworkPage::captions() const
{
    const Rows r;
    const int half = width() / 2;
    const int px = PageFont().pixelSize();
    QList<PaintedCaption> out;
    auto add = [&](const QRect& box, const QString& text) {
        PaintedCaption c;
        c.box = box;
        c.text = text;
        c.color = Qt::yellow;
        c.pixelSize = px;
        out << c;
    };
    add(QRect(0, r.y(5), half - 20, r.h), QStringLiteral("MAC:         %1").arg(m_mac));
    if (m_plantOn) {
        add(QRect(half, r.y(0), r.caption, r.h), LanStr(363));
        add(QRect(half + r.caption, r.y(2), width() - half - r.caption, r.h), m_checkText);
        add(QRect(half, r.y(3), r.caption, r.h), LanStr(416));
        add(QRect(half, r.y(4), r.caption, r.h), LanStr(417));
    }
    return out;
}

void NetworkPage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QList<PaintedCaption> texts = captions();
    p.setPen(Qt::yellow);
    p.setFont(texts.first().font());
    p.drawText(texts.first().box, texts.first().align, texts.first().text);
    // A USB network adapter is marked beside the card list.
    const Rows r;
    if (m_dialog->adapterNames().contains(cardCombo->currentText())) {
        p.setPen(QPen(Qt::green, 4));
        p.setBrush(Qt::green);
        p.drawEllipse(r.caption + 20, r.y(1) + r.h / 2 - 10, 20, 20);
        p.setBrush(Qt::NoBrush);
        p.setPen(Qt::yellow);
    }
    for (int k = 1; k < texts.size(); ++k)
        p.drawText(texts[k].box, texts[k].align, texts[k].text);
}
