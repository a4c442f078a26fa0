#include "AddUserDialog.h"

#include "UserManager.h"
#include "foundation/uitext.h"
#include "widgets/Edit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

AddUserDialog* adduserdlg = nullptr;

namespace {
QRadioButton* RoleButton(int textId, const char* icon, QWidget* parent)
{
    auto* b = new QRadioButton(LanStr(textId), parent);
    b->setStyleSheet(QStringLiteral("QRadioButton{color:white;font-size:28px;}"
                                    "QRadioButton::indicator{width:50px;height:50px;}"
                                    "QRadioButton::indicator:unchecked{image:url(images/%1.png);}"
                                    "QRadioButton::indicator:checked{image:url(images/Checked%1.png);}")
                         .arg(QLatin1String(icon)));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
}  // namespace

AddUserDialog::AddUserDialog(QWidget* parent)
    : UserDialog({605, QSize(550, 460), 550, false, 8, true}, parent)
{
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(20, 10, 20, 15);
    layout->addWidget(makeMessageLabel(body()));
    m_technician = RoleButton(614, "Operator", body());
    m_operator = RoleButton(615, "LimitUser", body());
    m_technician->setChecked(true);
    auto* roles = new QHBoxLayout;
    roles->addWidget(m_technician);
    roles->addWidget(m_operator);
    layout->addLayout(roles);
    m_name = makeEdit(body(), 45, false);
    m_password = makeEdit(body(), 45, true);
    m_again = makeEdit(body(), 45, true);
    for (Edit* e : {m_name, m_password, m_again})
        layout->addWidget(e);
    connect(confirmButton(), &QPushButton::pressed, this, &AddUserDialog::okBtnPressed);
}

void AddUserDialog::Initialize()
{
    resetFields({{m_name, 616}, {m_password, 617}, {m_again, 618}});
    showHint(LanStr(619));
}

void AddUserDialog::okBtnPressed()
{
    if (m_name->text().trimmed().isEmpty()) {
        showError(LanStr(616));
    } else if (m_password->text().isEmpty()) {
        showError(LanStr(617));
    } else if (m_again->text().isEmpty()) {
        showError(LanStr(618));
    } else if (m_password->text() != m_again->text()) {
        showError(LanStr(620));
    } else {
        const UserType type = m_technician->isChecked() ? UserTechnician : UserOperator;
        QString message;
        const bool ok = UserManager::Instance().addUser(type, m_name->text(), m_password->text(), message);
        showOutcome(ok, message);
    }
}
