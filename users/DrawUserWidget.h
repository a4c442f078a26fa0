#pragma once
// The account page: a column of buttons over the main screen from which the
// user logs in or switches, adds, deletes and re-passwords accounts and
// assigns the two lower ranks' permissions. The rank decides only which
// buttons are offered; each button runs one of the account dialogs.
#include <QWidget>

class ColorButton;
class QLabel;

// What the page needs of the main window when it closes.
class AccountPageHost {
public:
    virtual ~AccountPageHost() = default;
    virtual void showStatusStrip() {}
    // Views back to idle: verdict state 0, selections cleared, command
    // column shown, every camera view repainted.
    virtual void restartViews() {}
};

class DrawUserWidget : public QWidget {
    Q_OBJECT
public:
    DrawUserWidget(AccountPageHost* host, QWidget* parent);

    // true: refresh only when the page is open (auto log-out); false: open it.
    void Reset(bool onlyIfOpen);
    void ShowType();
    void Restart();
    // Closed without going back to the views (an alarm takes the screen).
    void Close();
    bool isOpen() const { return m_open != 0; }

    QLabel* userLabel() const { return m_label; }
    ColorButton* addButton() const { return m_add; }
    ColorButton* modifyButton() const { return m_modify; }
    ColorButton* loginButton() const { return m_login; }
    ColorButton* returnButton() const { return m_return; }
    ColorButton* allocateButton() const { return m_allocate; }
    ColorButton* deleteButton() const { return m_delete; }

public slots:
    void SlotAddaccount();
    void SlotModaccount();
    void SlotDelaccount();
    void SlotSwiaccount();
    void SlotReturn();
    void Slotallocate();

private:
    AccountPageHost* m_host;
    QLabel* m_label;
    ColorButton* m_add;
    ColorButton* m_modify;
    ColorButton* m_login;
    ColorButton* m_return;
    ColorButton* m_allocate;
    ColorButton* m_delete;
    int m_open = 0;
};

// The five account dialogs, made once without parent in their fixed order,
// and the refusal box of the permission check.
void CreateUserDialogs();
void DestroyUserDialogs();
