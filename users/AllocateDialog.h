#pragma once
// Assigns the technicians' and operators' permission flags (allocatedlg).
#include "UserDialog.h"
#include "UserManager.h"

class QCheckBox;

class AllocateDialog : public UserDialog {
    Q_OBJECT
public:
    explicit AllocateDialog(QWidget* parent = nullptr);
    void Initialize();

    // Column 0 technicians (role 'operator'), 1 operators (role 'LimitUser').
    QCheckBox* box(int column, int flag) const { return m_boxes[column][flag]; }

public slots:
    void confirmBtnPressed();

private:
    QCheckBox* m_boxes[2][UserManager::kPermissionCount];
};

extern AllocateDialog* allocatedlg;
