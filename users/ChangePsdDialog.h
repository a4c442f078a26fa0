#pragma once
// Changes the password of the logged-in account (changepsddlg).
#include "UserDialog.h"

class ChangePsdDialog : public UserDialog {
    Q_OBJECT
public:
    explicit ChangePsdDialog(QWidget* parent = nullptr);
    void Initialize();

    Edit* oldEdit() const { return m_old; }
    Edit* newEdit() const { return m_new; }
    Edit* againEdit() const { return m_again; }

public slots:
    void confirmBtnPressed();

private:
    Edit* m_old;
    Edit* m_new;
    Edit* m_again;
};

extern ChangePsdDialog* changepsddlg;
