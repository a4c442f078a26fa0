#pragma once
// The help viewer: the help pictures page by page over the whole screen.
#include <QList>
#include <QPixmap>
#include <QWidget>

class ColorButton;

// Current help page, shared with the callers that open the viewer.
extern int gHelpC;

class HelpWidget : public QWidget {
    Q_OBJECT
public:
    // Pictures from ./help/ in simplified Chinese, else ./help-en/ (dir overrides).
    explicit HelpWidget(QWidget* parent, const QString& dir = QString());

    static constexpr int kAlarmPage = 6;
    static constexpr int kMaxPictures = 50;
    int pageCount() const { return int(m_pictures.size()); }
    // Where the pages were looked for.
    QString folder() const { return m_folder; }

    ColorButton* button[4] = {};  // pre step, next step, Alarm, Return

public slots:
    void SlotLast();
    void SlotNext();
    void SlotAlarm();
    void SlotReturn();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QPixmap> m_pictures;
    QString m_folder;
};
