#pragma once
// The settings dialog's network page: each card's address, mask and gateway
// (Wi-Fi cards shown, not edited), the host name, the plant link's switch,
// card, video mode and frame rate, a reachability test and the "Other
// network settings" dialog. Edits go to the edit copy and to the plant
// link's edited card data; Confirm writes the files for the system.
#include "NetworkPageHooks.h"
#include "PagePlacer.h"

#include <QWidget>

class CheckBox;
class ColorButton;
class ComboBox;
class Edit;
class EditIP;
class OtherNetWidget;
class WizardParaWidget;

class NetworkPage : public QWidget, public NetworkPageHooks {
    Q_OBJECT
public:
    // Change bits of SaveNetParam.
    enum Change { CardsChanged = 1, LinkSwitched = 2, HostChanged = 4, LinkSettingsChanged = 8, ServersChanged = 16 };

    NetworkPage(WizardParaWidget* dialog, OtherNetWidget* others);

    // NetworkPageHooks
    void Init() override;
    void StoreInto(WizardPara& edit) override;
    bool EditedEqualsLive() const override;
    bool TakeServerChanged() override;
    int SaveNetParam() override;
    QString EditedHostName() const override;
    bool HostNameEdited() const override;
    void Discard() override;
    void Commit() override;
    void UpdateRegisterMac() override;
    void Show(bool shown, bool factory) override;
    // The texts the page paints, in its own coordinates.
    QList<PaintedCaption> captions() const;

    // Where the MAC files of the cards are read (tests point it elsewhere).
    void setSysClassNet(const QString& path) { m_sysClassNet = path; }
    QString checkText() const { return m_checkText; }
    bool testRunning() const { return m_testRunning; }

    CheckBox* plantBox = nullptr;
    ComboBox* cardCombo = nullptr;
    EditIP* ipEdit = nullptr;
    EditIP* maskEdit = nullptr;
    EditIP* gatewayEdit = nullptr;
    Edit* hostEdit = nullptr;
    CheckBox* useCardBox = nullptr;
    ColorButton* testButton = nullptr;
    ComboBox* videoCombo = nullptr;
    ComboBox* fpsCombo = nullptr;
    ColorButton* otherButton = nullptr;

public slots:
    void SlotCBoxIsUseVurNet(int state);
    void SlotCmbCard(int index);
    void SlotIpTimelyModify(const QString& text) { EditCardEntry(0, text); }
    void SlotMaskTimelyModify(const QString& text) { EditCardEntry(1, text); }
    void SlotWayTimelyModify(const QString& text) { EditCardEntry(2, text); }
    void SlotVurClick() { m_useCardClicked = true; }
    void SlotVurName(int state);
    void SlotCheckPing();
    void SlotNetOthers();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void InitVurNetWidget();
    void EditCardEntry(int entry, const QString& text);
    void LayOut();
    void ShowLinkControls();
    void PingDone(bool lan, bool internet);
    QList<QWidget*> LinkControls() const;

    WizardParaWidget* m_dialog;
    OtherNetWidget* m_others;
    bool m_plantOn = false;
    bool m_useCardClicked = false;
    bool m_testRunning = false;
    QString m_mac;
    QString m_checkText;
    QString m_sysClassNet = QStringLiteral("/sys/class/net");
};
