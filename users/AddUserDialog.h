#pragma once
// Adds an account of the technician or operator rank (adduserdlg).
#include "UserDialog.h"

class QRadioButton;

class AddUserDialog : public UserDialog {
    Q_OBJECT
public:
    explicit AddUserDialog(QWidget* parent = nullptr);
    void Initialize();

    QRadioButton* technicianButton() const { return m_technician; }
    QRadioButton* operatorButton() const { return m_operator; }
    Edit* nameEdit() const { return m_name; }
    Edit* passwordEdit() const { return m_password; }
    Edit* againEdit() const { return m_again; }

public slots:
    void okBtnPressed();

private:
    QRadioButton* m_technician;
    QRadioButton* m_operator;
    Edit* m_name;
    Edit* m_password;
    Edit* m_again;
};

extern AddUserDialog* adduserdlg;
