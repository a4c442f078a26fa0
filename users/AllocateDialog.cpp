#include "AllocateDialog.h"

#include "foundation/OperatorMessage.h"
#include "foundation/uitext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AllocateDialog* allocatedlg = nullptr;

namespace {
// Captions of the operations, in flag order.
constexpr int kOperationText[UserManager::kPermissionCount] = {127, 215, 129, 130, 47, 48, 205};
}

AllocateDialog::AllocateDialog(QWidget* parent)
    : UserDialog({609, QSize(650, 500), 650, false, 0, false}, parent)
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(50, 10, 20, 15);
    for (int c = 0; c < 2; ++c) {
        auto* head = new QLabel(LanStr(c == 0 ? 614 : 615), body());
        head->setStyleSheet(QStringLiteral("color:#FFEB3B;font-size:28px;"));
        grid->addWidget(head, 0, c);
        for (int k = 0; k < UserManager::kPermissionCount; ++k) {
            auto* b = new QCheckBox(LanStr(kOperationText[k]), body());
            b->setStyleSheet(QStringLiteral(
                "QCheckBox{color:white;font-size:24px;}"
                "QCheckBox::indicator{width:30px;height:30px;}"
                "QCheckBox::indicator:unchecked{border:2px solid white;background-color:#34495E;}"
                "QCheckBox::indicator:checked{border-image:url(images/check.png);}"));
            b->setFocusPolicy(Qt::NoFocus);
            m_boxes[c][k] = b;
            grid->addWidget(b, k + 1, c);
        }
    }
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 40);
    layout->addLayout(grid);
    connect(confirmButton(), &QPushButton::pressed, this, &AllocateDialog::confirmBtnPressed);
}

void AllocateDialog::Initialize()
{
    // Every box follows its stored flag, so a box left ticked by a cancelled edit is cleared.
    for (int c = 0; c < 2; ++c) {
        int flags[UserManager::kPermissionCount] = {};
        UserManager::Instance().getallPermission(flags, c + 1);
        for (int k = 0; k < UserManager::kPermissionCount; ++k)
            m_boxes[c][k]->setChecked(flags[k] != 0);
    }
}

void AllocateDialog::confirmBtnPressed()
{
    int flags[2][UserManager::kPermissionCount];
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < UserManager::kPermissionCount; ++k)
            flags[c][k] = m_boxes[c][k]->isChecked() ? 1 : 0;
    if (!UserManager::Instance().RecordPermission(flags[0], flags[1])) {
        ShowOperatorMessage(LanStr(135));
        return;
    }
    closeSoon();
}
