// Actions of the settings dialog that act on the system at once: language,
// power, exit, clock, touch calibration, password, counters, companions.
// Everything that ends in a restart saves first and restarts only when the
// save and the action itself succeeded.
#include "WizardParaWidget.h"

#include "SettingsHost.h"
#include "SettingsPopups.h"
#include "records/Counters.h"
#include "records/VerdictJournal.h"
#include "foundation/MainGlobals.h"
#include "foundation/QtTranslations.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/EditDateTime.h"
#include "widgets/ModifyTimeWidget.h"
#include "widgets/NumberInput.h"

#include <QThread>

#include <cstring>

namespace {
void Reboot()
{
    sysRun({QStringLiteral("reboot")});
}
}  // namespace

void WizardParaWidget::ConnectActions()
{
    connect(paraGroupCombo, &QComboBox::currentIndexChanged, this, &WizardParaWidget::SlotParaGroupChange);
    void (WizardParaWidget::*group[3])() = {&WizardParaWidget::SlotParaGroupBackup,
                                             &WizardParaWidget::SlotParaGroupRestore,
                                             &WizardParaWidget::SlotParaGroupDelete};
    for (int k = 0; k < 3; ++k)
        connect(groupButton[k], &QPushButton::clicked, this, group[k]);
    connect(changePasswordButton, &QPushButton::clicked, this, &WizardParaWidget::ChangePwd);
    connect(resetCountButton, &QPushButton::clicked, this, &WizardParaWidget::ResetTotal);
    connect(shutDownButton, &QPushButton::clicked, this, &WizardParaWidget::SlotShutDown);
    connect(languageCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_loading)
            SlotChangeLan(index);
    });
    const struct {
        Action button;
        void (WizardParaWidget::*slot)();
    } actions[] = {
        {ActionFactory, &WizardParaWidget::SlotRestoreFactorySet}, {ActionCavity, &WizardParaWidget::SlotShowEditcavityWidget},
        {ActionDetectCycle, &WizardParaWidget::SlotShowDetectCycle}, {ActionUpdate, &WizardParaWidget::SlotUpdateApp},
        {ActionExport, &WizardParaWidget::SlotExportData},         {ActionExit, &WizardParaWidget::SlotExit},
        {ActionClock, &WizardParaWidget::SlotModifyTime},          {ActionCalibrate, &WizardParaWidget::SlotCalibration},
    };
    for (const auto& a : actions)
        connect(actionButton[a.button], &QPushButton::clicked, this, a.slot);
}

void WizardParaWidget::Report(const QString& text)
{
    Warn(text);
    m_host->InsertRecord(AsLogLine(text));
}

bool WizardParaWidget::SaveBeforeRestart()
{
    accept();
    if (gpWPara->SaveDatatoFile())
        return true;
    Report(LanStr(160));
    return false;
}

void WizardParaWidget::SlotChangeLan(int index)
{
    if (index == gLan || index < 0 || index >= 3)
        return;
    if (!Ask(LanStr(318)))
        return;  // the combo keeps the refused entry until the next opening
    m_host->InsertRecord(LanStr(319));
    const int before = gLan;
    gLan = index;  // stored with the live record; the texts change after the restart
    QtTranslations::Install(gLan);
    if (!SaveBeforeRestart()) {
        gLan = before;
        QtTranslations::Install(gLan);
        return;
    }
    m_host->StopWTD();
    m_host->FLushAll();
    Reboot();
}

void WizardParaWidget::SlotShutDown()
{
    if (!Ask(LanStr(291)) || !SaveBeforeRestart())
        return;
    m_host->InsertRecord(LanStr(292));
    m_host->StopWTD();
    m_host->FLushAll();
    if (Ask(LanStr(293)))
        Reboot();
    else
        sysRun({QStringLiteral("init"), QStringLiteral("0")});
}

void WizardParaWidget::SlotExit()
{
    if (!Ask(LanStr(294)))
        return;
    m_host->InsertRecord(LanStr(295));
    if (!SaveBeforeRestart())
        return;
    Warn(LanStr(296));
    m_host->Exit(0);
}

void WizardParaWidget::SlotModifyTime()
{
    modifyTime->editDateTime()->ShowDateTime();
    if (modifyTime->exec() != QDialog::Accepted || !Ask(LanStr(402)))
        return;
    // A clock that did not take the new time is no reason to restart.
    if (!modifyTime->editDateTime()->setSysDateTime()) {
        Report(LanStr(1111));
        return;
    }
    if (!SaveBeforeRestart())
        return;
    m_host->InsertRecord(LanStr(401));
    m_host->StopWTD();
    m_host->FLushAll();
    QThread::msleep(1000);
    Reboot();
}

void WizardParaWidget::SlotCalibration()
{
    caliNum->setText(LanStr(459));
    caliNum->combo()->setCurrentIndex(0);
    if (caliNum->exec() != QDialog::Accepted)
        return;
    // The calibration program owns the screen until it returns.
    const ActionResult r = sysRun({QStringLiteral("./tsc"), QString::number(caliNum->points())}, -1);
    if (!r.ok()) {
        Report(LanStr(1112));
        return;
    }
    QThread::msleep(500);
    m_host->FLushAll();
    Reboot();
}

void WizardParaWidget::ChangePwd()
{
    const QString typed = newPasswordEdit->text();
    const QString again = confirmPasswordEdit->text();
    if (gpNumPad)
        gpNumPad->HideUpdate();
    if (typed.isEmpty() || again.isEmpty()) {
        Warn(LanStr(278));
        return;
    }
    if (typed != again) {
        Warn(LanStr(280));
        return;
    }
    const QByteArray bytes = typed.left(32).toLatin1();
    std::memset(gpWParaBak->password, 0, sizeof(gpWParaBak->password));
    std::memcpy(gpWParaBak->password, bytes.constData(), std::min<size_t>(bytes.size(), sizeof(gpWParaBak->password) - 1));
    Warn(LanStr(279));
    newPasswordEdit->clear();
    confirmPasswordEdit->clear();
}

void WizardParaWidget::ResetTotal()
{
    std::fill(std::begin(gFailNum), std::end(gFailNum), 0);
    std::fill(std::begin(gAllNum), std::end(gAllNum), 0);
    m_host->InsertRecord(LanStr(255));
    // Through the journal: start-up must not put back the totals of before.
    if (!VerdictJournal::StoreTotals())
        Report(LanStr(1113));
    gLost = 0;
}

void WizardParaWidget::SlotShowEditcavityWidget()
{
    StoreControls();
    hide();
    m_host->showCavityEditor();
}

void WizardParaWidget::SlotShowDetectCycle()
{
    m_host->showDetectCycle();
}
