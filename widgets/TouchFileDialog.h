#pragma once
// Qt's file dialog made for a finger on the panel: rows, icons, buttons and
// scroll bars of touch size, the alphanumeric pad on the name field, and
// nothing that changes the disk (no new folder, rename or delete). Its
// labels come from Qt's catalogue for the screen's language
// (QtTranslations). A name typed that names no file gets the panel's own
// message box rather than Qt's small one.
#include <QFileDialog>

class QLineEdit;
class QProxyStyle;

class TouchFileDialog : public QFileDialog {
    Q_OBJECT
public:
    TouchFileDialog(QWidget* parent, const QString& caption, const QString& directory, const QString& filter);

    QLineEdit* nameField() const;
    // Least height of a row or button, and side of a tool button, here.
    static int TouchSize();

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitForTouch();

    QProxyStyle* m_barStyle;
};
