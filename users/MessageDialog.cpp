#include "MessageDialog.h"

#include "ChangeUserDialog.h"
#include "TitleButton.h"
#include "foundation/uitext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

MessageDialog::MessageDialog(const QString& title, const QString& message, int mode, QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint | Qt::FramelessWindowHint)
{
    setFixedSize(500, 400);
    setStyleSheet(QStringLiteral("background-color:gray;"));
    auto* bar = new QWidget(this);
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedSize(500, 60);
    bar->setStyleSheet(QStringLiteral("color:white;background-color:rgb(80,80,80);font-size:32px"));
    auto* titleLabel = new QLabel(title, bar);
    titleLabel->setFixedHeight(60);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 0, 8, 0);
    row->addWidget(titleLabel);
    row->addStretch();
    if (mode & ConfirmOnly) {
        QPushButton* ok = TitleButton(TitleButtonKind::Confirm, bar);
        connect(ok, &QPushButton::clicked, this, &QDialog::close);
        row->addWidget(ok);
    }
    if (mode & (CancelOnly | OfferLogIn)) {
        QPushButton* cancel = TitleButton(TitleButtonKind::Cancel, bar);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        row->addWidget(cancel);
    }
    if (mode & OfferLogIn) {
        QPushButton* logIn = TitleButton(TitleButtonKind::Confirm, bar);
        connect(logIn, &QPushButton::clicked, this, &MessageDialog::loginaccept);
        row->addWidget(logIn);
    }
    auto* text = new QLabel(message, this);
    text->setObjectName(QStringLiteral("message"));
    text->setWordWrap(true);
    text->setMargin(10);
    text->setAlignment(Qt::AlignCenter);
    text->setStyleSheet(QStringLiteral("font-size:28px;color:white;background-image:url(images/background.png)"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(text, 1);
}

void MessageDialog::resetMessage(const QString& text)
{
    if (auto* label = findChild<QLabel*>(QStringLiteral("message"))) {
        label->setText(text);
        label->repaint();
    }
}

void MessageDialog::loginaccept()
{
    accept();
    if (changeuserdlg) {
        changeuserdlg->Initialize();
        changeuserdlg->exec();
    }
}
