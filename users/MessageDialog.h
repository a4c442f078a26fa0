#pragma once
// The refusal shown by the permission check: a title, a message and the
// buttons its mode bits ask for (1 Confirm closes; 256 Cancel; 16 Cancel
// and a Confirm that opens the log-in dialog).
#include <QDialog>

class MessageDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { ConfirmOnly = 1, OfferLogIn = 16, CancelOnly = 256 };
    MessageDialog(const QString& title, const QString& message, int mode, QWidget* parent = nullptr);
    void resetMessage(const QString& text);

public slots:
    void loginaccept();
};
