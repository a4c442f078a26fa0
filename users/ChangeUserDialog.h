#pragma once
// Logs in or switches to another account (changeuserdlg).
#include "UserDialog.h"

class QComboBox;

class ChangeUserDialog : public UserDialog {
    Q_OBJECT
public:
    explicit ChangeUserDialog(QWidget* parent = nullptr);
    void Initialize();

    QComboBox* accountBox() const { return m_accounts; }
    Edit* passwordEdit() const { return m_password; }

public slots:
    void okBtnPressed();

private:
    QComboBox* m_accounts;
    Edit* m_password;
};

extern ChangeUserDialog* changeuserdlg;
