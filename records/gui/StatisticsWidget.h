#pragma once
// The statistics page: the list of production days (today first, then the
// archived days newest first) and per camera and step the shift sums and bar
// charts of the chosen day; Export writes every day to a workbook on the USB
// disk.
#include "records/ResStatisticsParam.h"

#include <QWidget>

class CamereaTabWidget;
class ColorButton;
class QListWidget;
class QListWidgetItem;
class QTabWidget;

class StatisticsWidget : public QWidget, public StatisticsObserver {
    Q_OBJECT
public:
    // cameras: numCamera; the page registers itself with the store.
    StatisticsWidget(ResStatisticsParam* store, int cameras, QWidget* parent = nullptr);
    ~StatisticsWidget() override;

    // StatisticsObserver
    void updateList() override;
    bool showsToday() const override;
    void checkUpdate() override;

    QListWidget* dayList() const { return m_days; }
    QTabWidget* cameraTabs() const { return m_tabs; }
    CamereaTabWidget* cameraPage(int index) const { return index >= 0 && index < 9 ? m_pages[index] : nullptr; }
    ColorButton* exportButton() const { return m_export; }
    ColorButton* returnButton() const { return m_return; }

public slots:
    void SlotConfirm();
    void SlotExportData();
    void UpdateRecord(QListWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RedrawCurrent();
    bool Export(const QString& disk);

    QTabWidget* m_tabs = nullptr;
    CamereaTabWidget* m_pages[9] = {};
    QListWidget* m_days = nullptr;
    ColorButton* m_export = nullptr;
    ColorButton* m_return = nullptr;
    ResStatisticsParam* m_store;
    QString m_connection;
};
