#pragma once
// What the five account dialogs share: a frameless fixed-size dialog with a
// title bar holding the title, Confirm and Cancel, a body below it, a
// message line in blue (hints, success) or red (errors), and the close
// half a second after success so the message can be read.
#include <QDialog>
#include <QTimer>

#include <initializer_list>

class Edit;
class QLabel;
class QPushButton;

class UserDialog : public QDialog {
    Q_OBJECT
public:
    QPushButton* confirmButton() const { return m_confirm; }
    QPushButton* cancelButton() const { return m_cancel; }
    QLabel* messageLabel() const { return m_message; }

protected:
    struct Frame {
        int titleId;
        QSize size;
        int titleBarWidth;
        bool cancelFirst;     // the log-in and delete dialogs
        int titleRightMargin;
        bool keypadFollows;   // a release or hiding closes the keypad
    };
    UserDialog(const Frame& frame, QWidget* parent);

    QWidget* body() const { return m_body; }
    // The message line, made on first use as a child of `parent`.
    QLabel* makeMessageLabel(QWidget* parent);
    void showHint(const QString& text);
    void showError(const QString& text);
    // A rule's outcome: blue and closing on success, red otherwise.
    void showOutcome(bool ok, const QString& text);
    void closeSoon();
    // A keypad-bound field (numeric keypad), optionally a password field.
    static Edit* makeEdit(QWidget* parent, int height, bool password);
    // Fields emptied, each showing its placeholder text.
    struct Field {
        Edit* edit;
        int placeholder;
    };
    static void resetFields(std::initializer_list<Field> fields);

    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* m_confirm;
    QPushButton* m_cancel;
    QWidget* m_body;
    QLabel* m_message = nullptr;
    QTimer m_closeTimer;
    bool m_keypadFollows;
};
