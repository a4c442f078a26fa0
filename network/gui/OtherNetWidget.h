#pragma once
// "Other network settings": alarm SMS, NG video, the production's device
// parameters, Wi-Fi, the plant servers, the plant system's memos and the
// state of each network port, on seven pages of one dialog. Pages 1-3 edit
// the settings' edit copy; Wi-Fi and servers are written at once by their
// own buttons; product names and memos come from the plant client.
#include "widgets/ChooseBox.h"

#include <QMap>
#include <QTimer>

class CheckBox;
class ColorButton;
class ComboBox;
class Edit;
class EditIP;
class QStandardItemModel;
class QTableView;
struct WizardPara;

class OtherNetWidget : public ChooseBox {
    Q_OBJECT
public:
    explicit OtherNetWidget(QWidget* parent);
    ~OtherNetWidget() override;

    // Runs the dialog on page 1 with the fields of `edit`; Confirm stores
    // them back (texts cut to 99 bytes on a character boundary). 1 = Confirm.
    int Run(WizardPara& edit);
    void LoadFrom(const WizardPara& edit);
    void StoreInto(WizardPara& edit) const;

    int page() const { return m_page; }
    void hideshow(int type);
    // The page's labels and, on the port page, each port's name and rate.
    QList<PlacedText> PaintedTexts() const override;

    CheckBox* smsBox = nullptr;
    Edit* techNameEdit = nullptr;
    Edit* techPhoneEdit = nullptr;
    CheckBox* ngVideoBox = nullptr;
    ComboBox* productCombo = nullptr;
    ColorButton* getProductButton = nullptr;
    Edit* operatorEdit = nullptr;
    Edit* cavityEdit = nullptr;
    Edit* capacityEdit = nullptr;
    Edit* batchEdit = nullptr;
    ColorButton* resetStatisticsButton = nullptr;
    Edit* wifiNameEdit = nullptr;
    Edit* wifiPasswordEdit = nullptr;
    ColorButton* updateWifiButton = nullptr;
    EditIP* infoServerIp = nullptr;
    EditIP* fileServerIp = nullptr;
    Edit* infoPortEdit = nullptr;
    Edit* filePortEdit = nullptr;
    ColorButton* updateServerButton = nullptr;
    QTableView* memoTable = nullptr;
    QStandardItemModel* memoModel = nullptr;
    ColorButton* menuButton[7] = {};

public slots:
    void SlotTel() { hideshow(1); }
    void SlotNgVideo() { hideshow(2); }
    void SlotStatistics();
    void SlotWifi();
    void SlotServer();
    void SlotRemind();
    void SlotGetProductName();
    void SlotGetRemindList();
    void SlotResetStatistics();
    void SlotUpdateWifi();
    void SlotUpdateServer();
    void SlotCloseWgt();
    void SlotStartChk();
    void SlotTimerChk();
    // Answers of the plant client to the product-name and memo requests.
    void vur_reset_product(const QString& body);
    void vur_reset_remind(const QString& body);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildPages();
    QList<QWidget*> PageControls(int page) const;
    void ReadPortCounters();
    bool OpenServerDb();
    static void SendRequest(int type);

    int m_page = 0;
    QTimer m_portTimer;
    QMap<QString, bool> m_linkUp;
    QMap<QString, qint64> m_rxBytes;
    QMap<QString, qint64> m_rxDiff;
};
