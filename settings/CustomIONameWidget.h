#pragma once
// The IO naming page: which machine function is wired to each nameable
// input and output. Its choices live in the IO page's name arrays and reach
// the edit copy on Confirm; the settings dialog's Confirm saves them.
#include <QWidget>

class ColorButton;
class ComboBox;
class IOWidget;
class QLabel;
class WizardParaWidget;

class CustomIONameWidget : public QWidget {
    Q_OBJECT
public:
    CustomIONameWidget(QWidget* parent, WizardParaWidget* dialog);

    void init();

    ComboBox* inputCombo[8] = {};
    ComboBox* outputCombo[8] = {};
    ColorButton* confirmButton = nullptr;

public slots:
    void accept();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    WizardParaWidget* m_dialog;
    IOWidget* m_io;
    QLabel* m_inputLabel[8] = {};
    QLabel* m_outputLabel[8] = {};
};
