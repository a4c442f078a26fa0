#include "DrawUserWidget.h"

#include "AddUserDialog.h"
#include "AllocateDialog.h"
#include "ChangePsdDialog.h"
#include "ChangeUserDialog.h"
#include "DeleteUserDialog.h"
#include "MessageDialog.h"
#include "UserManager.h"
#include "foundation/OperatorMessage.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

DrawUserWidget::DrawUserWidget(AccountPageHost* host, QWidget* parent)
    : QWidget(parent)
    , m_host(host)
{
    const bool small = IsSmallLayout();
    const QSize cell(small ? 120 : 240, small ? 45 : 81);
    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(QStringLiteral("font-size:%1px;color:#FFFFFF;border-image:url(images/buttonu.png);")
                               .arg(small ? 18 : 36));
    m_add = new ColorButton(LanStr(605), this, 4);
    m_modify = new ColorButton(LanStr(606), this, 4);
    m_login = new ColorButton(LanStr(607), this, 4);
    m_return = new ColorButton(LanStr(58), this, 4);
    m_allocate = new ColorButton(LanStr(609), this, 4);
    m_delete = new ColorButton(LanStr(611), this, 4);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(1);
    // The column keeps the gap to the right edge that it has on a 1920-px
    // screen (x = 1675), so it is on screen in the small layout too; on a
    // short screen it starts higher, so that all seven rows stand on it.
    const int rows = 7;
    const int top = std::clamp(gShowH - rows * (cell.height() + 1) - 10, 0, 250);
    layout->setContentsMargins(gShowW - cell.width() - 5, top, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QWidget* w : std::initializer_list<QWidget*>{m_label, m_add, m_modify, m_delete, m_login, m_allocate, m_return}) {
        w->setFixedSize(cell);
        layout->addWidget(w);
    }

    connect(m_add, &QPushButton::clicked, this, &DrawUserWidget::SlotAddaccount);
    connect(m_modify, &QPushButton::clicked, this, &DrawUserWidget::SlotModaccount);
    connect(m_delete, &QPushButton::clicked, this, &DrawUserWidget::SlotDelaccount);
    connect(m_login, &QPushButton::clicked, this, &DrawUserWidget::SlotSwiaccount);
    connect(m_allocate, &QPushButton::clicked, this, &DrawUserWidget::Slotallocate);
    connect(m_return, &QPushButton::clicked, this, &DrawUserWidget::SlotReturn);
    hide();
}

void DrawUserWidget::Reset(bool onlyIfOpen)
{
    if (onlyIfOpen && !m_open)
        return;
    m_open = 1;
    ShowType();
    show();
    raise();
    UserManager& users = UserManager::Instance();
    if (!onlyIfOpen && !users.isOpen())
        ShowOperatorMessage(LanStr(135));
}

void DrawUserWidget::ShowType()
{
    const UserManager& users = UserManager::Instance();
    const UserType type = users.getUserType();
    m_label->setText(LanStr(612) + QStringLiteral("  [%1]").arg(users.userName()));
    m_login->setText(LanStr(type == UserLoggedOut ? 607 : 610));
    const bool manager = type == UserAdmin || type == UserTechnician;
    m_add->setVisible(manager);
    m_delete->setVisible(manager);
    // Every logged-in rank may change its own password.
    m_modify->setVisible(type != UserLoggedOut);
    m_allocate->setVisible(users.CanAllocate());
}

void DrawUserWidget::Restart()
{
    if (m_host)
        m_host->restartViews();
    hide();
}

void DrawUserWidget::Close()
{
    m_open = 0;
    hide();
}

void DrawUserWidget::SlotAddaccount()
{
    adduserdlg->Initialize();
    adduserdlg->exec();
}

void DrawUserWidget::SlotModaccount()
{
    changepsddlg->Initialize();
    changepsddlg->exec();
}

void DrawUserWidget::SlotDelaccount()
{
    deleteuserdlg->Initialize();
    deleteuserdlg->exec();
}

void DrawUserWidget::SlotSwiaccount()
{
    changeuserdlg->Initialize();
    changeuserdlg->exec();
    ShowType();
}

void DrawUserWidget::SlotReturn()
{
    if (m_host)
        m_host->showStatusStrip();
    Restart();
    m_open = 0;
}

void DrawUserWidget::Slotallocate()
{
    allocatedlg->Initialize();
    allocatedlg->exec();
}

void CreateUserDialogs()
{
    adduserdlg = new AddUserDialog;
    changepsddlg = new ChangePsdDialog;
    changeuserdlg = new ChangeUserDialog;
    allocatedlg = new AllocateDialog;
    deleteuserdlg = new DeleteUserDialog;
    UserManager::SetRefusalPrompt([](int messageId, bool offerLogIn) {
        MessageDialog box(LanStr(639), LanStr(messageId),
                          offerLogIn ? MessageDialog::OfferLogIn : MessageDialog::ConfirmOnly);
        box.exec();
    });
}

void DestroyUserDialogs()
{
    UserManager::SetRefusalPrompt({});
    delete adduserdlg;
    delete changepsddlg;
    delete changeuserdlg;
    delete allocatedlg;
    delete deleteuserdlg;
    adduserdlg = nullptr;
    changepsddlg = nullptr;
    changeuserdlg = nullptr;
    allocatedlg = nullptr;
    deleteuserdlg = nullptr;
}
