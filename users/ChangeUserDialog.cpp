#include "ChangeUserDialog.h"

#include "AccountList.h"
#include "foundation/uitext.h"
#include "widgets/Edit.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ChangeUserDialog* changeuserdlg = nullptr;

ChangeUserDialog::ChangeUserDialog(QWidget* parent)
    : UserDialog({607, QSize(500, 400), 500, true, 8, true}, parent)
{
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(20, 10, 20, 15);
    layout->addWidget(makeMessageLabel(body()));
    m_accounts = new QComboBox(body());
    StyleAccountCombo(m_accounts);
    layout->addWidget(m_accounts);
    m_password = makeEdit(body(), 60, true);
    layout->addWidget(m_password);
    connect(confirmButton(), &QPushButton::pressed, this, &ChangeUserDialog::okBtnPressed);
    FillAccountCombo(m_accounts, [](UserType) { return true; });
}

void ChangeUserDialog::Initialize()
{
    FillAccountCombo(m_accounts, [](UserType) { return true; });
    showHint(LanStr(627));
    resetFields({{m_password, 617}});
}

void ChangeUserDialog::okBtnPressed()
{
    if (m_password->text().isEmpty()) {
        showError(LanStr(617));
        return;
    }
    QString message;
    const bool ok = UserManager::Instance().changeUser(m_accounts->currentText(), m_password->text(), message);
    showOutcome(ok, message);
}
