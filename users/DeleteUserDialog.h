#pragma once
// Deletes an account of a lower rank than the logged-in one (deleteuserdlg).
#include "UserDialog.h"

class QComboBox;

class DeleteUserDialog : public UserDialog {
    Q_OBJECT
public:
    explicit DeleteUserDialog(QWidget* parent = nullptr);
    void Initialize();

    QComboBox* accountBox() const { return m_accounts; }

public slots:
    void okBtnPressed();

private:
    QComboBox* m_accounts;
};

extern DeleteUserDialog* deleteuserdlg;
