#pragma once
// Read-only view of the machine's hardware as installed: two pages of
// label pairs from conf.txt and confnext.txt, and the cameras found.
#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

#include <functional>

class ColorButton;
class QLabel;

using ConfigEntries = QList<QPair<QString, QString>>;

// One entry per non-empty line: key, tab, value ("_" shown as a blank);
// a line without a tab is a heading. False when the file does not open.
bool loadConfiguration(const QString& path, ConfigEntries& out);

class HardwareConfigurationWidget : public QWidget {
    Q_OBJECT
public:
    // cameraCount: what the "Count" row shows when the viewer is opened.
    HardwareConfigurationWidget(QWidget* parent, std::function<int()> cameraCount);

    // The configuration file when it was missing or empty (the viewer has
    // nothing to show), else empty.
    QString missingFile() const { return m_missing; }

    QWidget* page[2] = {};
    ColorButton* confirmButton[2] = {};
    ColorButton* nextButton[2] = {};
    QLabel* countValue[2] = {};
    int pageShown = 1;

signals:
    void sigConfirm();

public slots:
    void slotNextpage();
    void slotConfirm();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* BuildPage(const ConfigEntries& entries, int index, int nextColumn, int spacing);
    std::function<int()> m_cameraCount;
    QString m_missing;
};
