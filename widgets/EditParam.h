#pragma once
// The number field of a value box: an edit with an optional unit label that
// follows the centred number. The numeric pad hands its digits to the owner.
#include "Edit.h"

class EditBox;
class QLabel;

class EditParam : public Edit {
    Q_OBJECT
public:
    EditParam(int mode, const QString& unit, EditBox* owner);

    EditBox* owner() const { return m_owner; }
    QLabel* unitLabel() const { return m_unit; }
    int labelX() const { return m_labelX; }

signals:
    void focusOut();

public slots:
    void ChangeLabelP(const QString& text);

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    EditBox* m_owner;
    QLabel* m_unit = nullptr;
    int m_charWidth;
    int m_labelX = 0;
};
