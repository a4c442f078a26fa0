#pragma once
// Date and time editors with a caption; can set the system and hardware clock.
#include <QDateTime>
#include <QWidget>

class QDateEdit;
class QLabel;
class QTimeEdit;

class EditDateTime : public QWidget {
    Q_OBJECT
public:
    EditDateTime(const QString& caption, QWidget* parent);

    void ShowDateTime();
    QDateTime m_getDateTime() const;
    // Sets the clocks from the editors. False when a command failed or timed
    // out; the failure is also logged.
    bool setSysDateTime();

    QDateEdit* dateEdit() const { return m_date; }
    QTimeEdit* timeEdit() const { return m_time; }
    QLabel* captionLabel() const { return m_caption; }

private:
    QDateEdit* m_date;
    QTimeEdit* m_time;
    QLabel* m_caption;
    QDateTime m_dateTime;
};
