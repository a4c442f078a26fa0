#pragma once
// The detection-cycle log page: the days on the left, the chosen day's
// cycles on the right, and an export of a span of days onto the USB disk
// through the export program ./vur_net/xls. Made anew at each opening.
#include "widgets/PaintedTextSource.h"

#include <QWidget>

class ColorButton;
class QListView;
class QSqlTableModel;
class QStringListModel;
class QTableView;

class DetectCycleWidget : public QWidget, public PaintedTextSource {
    Q_OBJECT
public:
    explicit DetectCycleWidget(QWidget* parent = nullptr);
    ~DetectCycleWidget() override;

    // Shows the cycles of a day file.
    void bindSql(const QString& file);
    static QString getStyle();
    QList<PlacedText> PaintedTexts() const override;

    QListView* dayList() const { return m_list; }
    QTableView* table() const { return m_table; }
    QSqlTableModel* model() const { return m_model; }
    ColorButton* exportButton() const { return m_export; }
    ColorButton* exitButton() const { return m_exit; }

public slots:
    void listDataChanged(const QModelIndex& index);
    void closeAction();
    void exportData();
    void receive();

signals:
    // The export program's run ended (moved: the workbook reached the disk).
    void exportDone(bool moved);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Lets go of the shown day's model and file.
    void ReleaseDay();
    void Finish(bool moved);

    QStringListModel* m_days = nullptr;
    QListView* m_list = nullptr;
    QTableView* m_table = nullptr;
    QSqlTableModel* m_model = nullptr;
    ColorButton* m_export = nullptr;
    ColorButton* m_exit = nullptr;
    QByteArray m_output;  // of the running export program, all so far
    QString m_disk;
    QString m_connection;
    bool m_exporting = false;
    int m_runs = 0;  // tells a late word of an earlier run from the current one
};
