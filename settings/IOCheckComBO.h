#pragma once
// One detection's row of the multi-detection IO page: its trigger input,
// the outputs it owns and its cut mode.
#include <QWidget>

class CheckBox;
class ComboBox;
class IOWidget;
class QLabel;

class IOCheckComBO : public QWidget {
    Q_OBJECT
public:
    // row: the detection index; scale: the page's size factor.
    IOCheckComBO(IOWidget* page, const QString& name, int boxes, int row, double scale);

    // count inputs and outputs in play; first: the first input offered.
    void SetIONum(int count, int first);
    void updateTriginCombo(int first);
    void setCheckdisable(int output, bool enable);
    void setCheckdisables(bool enable);
    bool getCheckComboStatus(int output) const;
    void setCheckComboStatus(int output, bool on);
    // Enabled and unticked, with or without the box's signals.
    void clearBox(int output, bool silently);
    void resetName();
    void setCutMode(int mode);

    int trigIn = 0;
    int firstIn = 0;
    ComboBox* triginCombo = nullptr;
    ComboBox* cutCombo = nullptr;
    CheckBox* box[8] = {};

signals:
    void clickeCheckBox(int row, int output, int state);
    void changeTrigin(int row, int input);

public slots:
    void Slotclick(int output, int state);
    void SlotChangeTrigin(int index);
    void SlotChangeCutMode(int index);

private:
    void FillTrigin(int first, int count);

    IOWidget* m_page;
    int m_row;
    QLabel* m_name = nullptr;
};
