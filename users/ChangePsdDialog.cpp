#include "ChangePsdDialog.h"

#include "UserManager.h"
#include "foundation/uitext.h"
#include "widgets/Edit.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ChangePsdDialog* changepsddlg = nullptr;

ChangePsdDialog::ChangePsdDialog(QWidget* parent)
    : UserDialog({606, QSize(550, 400), 550, false, 0, true}, parent)
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(20, 10, 20, 15);
    grid->setVerticalSpacing(20);
    m_old = makeEdit(body(), 45, true);
    m_new = makeEdit(body(), 45, true);
    m_again = makeEdit(body(), 45, true);
    const struct {
        int caption;
        Edit* edit;
    } rows[] = {{622, m_old}, {621, m_new}, {621, m_again}};
    for (int r = 0; r < 3; ++r) {
        auto* caption = new QLabel(LanStr(rows[r].caption), body());
        caption->setStyleSheet(QStringLiteral("color:white;font-size:20px;"));
        // Room for the longest placeholder beside the captions.
        QFont f = rows[r].edit->font();
        f.setPixelSize(16);
        rows[r].edit->setFont(f);
        grid->addWidget(caption, r, 0);
        grid->addWidget(rows[r].edit, r, 1);
    }
    auto* layout = new QVBoxLayout(body());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(grid);
    layout->addWidget(makeMessageLabel(body()));
    connect(confirmButton(), &QPushButton::pressed, this, &ChangePsdDialog::confirmBtnPressed);
}

void ChangePsdDialog::Initialize()
{
    resetFields({{m_old, 623}, {m_new, 624}, {m_again, 625}});
    showHint(LanStr(626).arg(UserManager::Instance().userName()));
}

void ChangePsdDialog::confirmBtnPressed()
{
    if (m_old->text().isEmpty()) {
        showError(LanStr(623));
    } else if (m_new->text().isEmpty()) {
        showError(LanStr(624));
    } else if (m_new->text() != m_again->text()) {
        showError(LanStr(620));
    } else {
        QString message;
        const bool ok = UserManager::Instance().changeUserPassword(m_old->text(), m_new->text(), message);
        if (!ok && message.isEmpty())
            message = LanStr(640);  // logged out meanwhile
        showOutcome(ok, message);
    }
}
