#pragma once
// Clock dialog: Confirm / Cancel around a date and time editor.
#include "ChooseBox.h"

class EditDateTime;

class ModifyTimeWidget : public ChooseBox {
    Q_OBJECT
public:
    explicit ModifyTimeWidget(QWidget* parent = nullptr);
    EditDateTime* editDateTime() const { return m_edit; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    EditDateTime* m_edit;
};
