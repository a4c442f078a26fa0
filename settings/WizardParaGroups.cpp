// The Parameter Group section of the Advanced page: back up, restore and
// delete named copies of the product set-up.
#include "WizardParaWidget.h"

#include "ParaGroups.h"
#include "SettingsHost.h"
#include "SettingsPopups.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/NumCharInput.h"

#include <QSignalBlocker>
#include <QSqlDatabase>

namespace {
// The main window's connections to the files a restore replaces.
const char* const kRestoredConnections[] = {"dbIn", "dbT"};

// The index lives in the live record; the edit copy follows, or the next
// Confirm would see a change and put the old index back.
void SetGroupIndex(int index)
{
    gpWPara->paraGroupIndex = index;
    gpWParaBak->paraGroupIndex = index;
    gpWPara->SaveAddFile();
}

int FindGroup(const ComboBox* list, const QString& name)
{
    return list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// The text a name is refused with, or 0 for a name the dialog would give.
int NameRefusal(const QString& name)
{
    if (name.isEmpty())
        return 282;
    if (!ParaGroups::ValidName(name))
        return 1100;
    return 0;
}

// The entry selected for the restore and the delete.
QString SelectedName(const ComboBox* list)
{
    return list->currentIndex() < 0 ? QString() : list->currentText();
}
}  // namespace

void WizardParaWidget::ParaGroupUpdateList()
{
    const QSignalBlocker quiet(paraGroupCombo);
    paraGroupCombo->clear();
    const QStringList names = ParaGroups(paraGroupDir.path()).List();
    for (int k = 0; k < names.size(); ++k)
        paraGroupCombo->addItem(names[k], k);
}

void WizardParaWidget::SlotParaGroupChange(int)
{
    groupNameEdit->setText(paraGroupCombo->currentText());
}

void WizardParaWidget::SlotParaGroupBackup()
{
    const QString name = groupNameEdit->text();
    if (gpNumCharPad)
        gpNumCharPad->HideUpdate();
    int refusal = NameRefusal(name);
    if (!refusal && ParaGroups::IsDefault(name))
        refusal = 1101;
    if (refusal) {
        Report(LanStr(refusal));
        return;
    }
    if (!Ask(LanStr(283)))
        return;
    // The edits are checked and, if the operator agrees, saved before the copy.
    accept();
    ParaGroups groups(paraGroupDir.path());
    if (groups.Exists(name) && !Ask(LanStr(284)))
        return;
    ParaGroups::Failure failure;
    if (!groups.Backup(name, gDNum, &failure)) {
        Report(LanStr(1103).arg(ShortPath(failure.path)));
        return;
    }
    if (FindGroup(paraGroupCombo, name) < 0)
        ParaGroupUpdateList();
    const int at = FindGroup(paraGroupCombo, name);
    SetGroupIndex(at);
    paraGroupCombo->setCurrentIndex(at);
}

void WizardParaWidget::SlotParaGroupRestore()
{
    const QString name = SelectedName(paraGroupCombo);
    if (const int refusal = NameRefusal(name)) {
        Report(LanStr(refusal));
        return;
    }
    if (!Ask(LanStr(285)))
        return;
    ParaGroups groups(paraGroupDir.path());
    if (!groups.Complete(name)) {
        Report(LanStr(1102).arg(name));
        return;
    }
    QStringList wasOpen;
    const auto close = [&wasOpen] {
        for (const char* c : kRestoredConnections) {
            QSqlDatabase db = QSqlDatabase::database(QLatin1String(c), false);
            if (db.isOpen()) {
                wasOpen << QLatin1String(c);
                db.close();
            }
        }
    };
    const auto reopen = [&wasOpen] {
        bool ok = true;
        for (const QString& c : wasOpen) {
            QSqlDatabase db = QSqlDatabase::database(c, false);
            ok = db.open() && ok;
        }
        return ok;
    };
    ParaGroups::Failure failure;
    bool pending = false;
    if (!groups.Restore(name, close, reopen, &failure, &pending)) {
        Report(LanStr(pending ? 1117 : 1104).arg(ShortPath(failure.path)));
        return;
    }
    if (!groups.SetAsideList().isEmpty())
        m_host->InsertRecord(LanStr(1126).arg(ShortPath(groups.SetAsideList())));
    SetGroupIndex(paraGroupCombo->currentIndex());
    m_host->InsertRecord(LanStr(286).arg(name));
    // The restored parameters are read by the next start.
    m_host->FLushAll();
    sysRun({QStringLiteral("reboot")});
}

void WizardParaWidget::SlotParaGroupDelete()
{
    const QString name = SelectedName(paraGroupCombo);
    int refusal = NameRefusal(name);
    if (!refusal && ParaGroups::IsDefault(name))
        refusal = 1101;
    if (refusal) {
        Report(LanStr(refusal));
        return;
    }
    if (!Ask(LanStr(287)))
        return;
    ParaGroups::Failure failure;
    if (!ParaGroups(paraGroupDir.path()).Remove(name, &failure)) {
        Report(LanStr(1105).arg(ShortPath(failure.path)));
        return;
    }
    // The other entries keep their positions as data; the group index stays.
    paraGroupCombo->removeItem(paraGroupCombo->currentIndex());
}
