#include "DeleteUserDialog.h"

#include "AccountList.h"
#include "foundation/uitext.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DeleteUserDialog* deleteuserdlg = nullptr;

namespace {
bool Deletable(UserType type)
{
    return type > UserManager::Instance().getUserType();
}
}  // namespace

DeleteUserDialog::DeleteUserDialog(QWidget* parent)
    : UserDialog({611, QSize(500, 400), 500, true, 8, false}, parent)
{
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(20, 10, 20, 15);
    layout->addWidget(makeMessageLabel(body()));
    m_accounts = new QComboBox(body());
    StyleAccountCombo(m_accounts);
    layout->addWidget(m_accounts);
    layout->addStretch();
    connect(confirmButton(), &QPushButton::pressed, this, &DeleteUserDialog::okBtnPressed);
    FillAccountCombo(m_accounts, Deletable);
}

void DeleteUserDialog::Initialize()
{
    FillAccountCombo(m_accounts, Deletable);
    showHint(LanStr(627));
}

void DeleteUserDialog::okBtnPressed()
{
    if (m_accounts->count() == 0) {
        showError(LanStr(636));
        return;
    }
    QString message;
    const bool ok = UserManager::Instance().deleteUser(m_accounts->currentText(), message);
    showOutcome(ok, message);
}
