// The operation-record page: today's log and each archived day, newest first.
#include "WizardParaWidget.h"

#include "foundation/uitext.h"
#include "SettingsHost.h"
#include "SettingsPopups.h"
#include "widgets/C_Type_COM.h"

#include <QDate>
#include <QDir>
#include <QHeaderView>
#include <QListWidget>
#include <QSqlTableModel>
#include <QTableView>

void WizardParaWidget::SlotToRecord()
{
    if (m_page == PageRecord)
        return;
    recordList->clear();
    recordList->addItem(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    const QStringList days = QDir(m_recordDir).entryList({QStringLiteral("*.db")},
                                                         QDir::Files | QDir::Dirs | QDir::Drives, QDir::Name);
    for (auto it = days.crbegin(); it != days.crend(); ++it)
        recordList->addItem(QString(*it).remove(QStringLiteral(".db")));
    recordList->setCurrentRow(0);
    UpdateRecord(recordList->item(0));
    m_page = PageRecord;
    DoChangePage();
}

void WizardParaWidget::UpdateRecord(QListWidgetItem*)
{
    recordTable->setModel(nullptr);
    delete recordModel;
    recordModel = nullptr;
    QSqlDatabase db;
    if (recordList->currentRow() <= 0) {
        db = QSqlDatabase::database(m_recordConnection, false);
    } else {
        // An archived day is read through the page's own connection, read-only.
        dbList.close();
        dbList.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        dbList.setDatabaseName(QStringLiteral("%1//%2.db")
                                   .arg(QDir(m_recordDir).absolutePath(), recordList->currentItem()->text()));
        if (!dbList.open())
            return;
        db = dbList;
    }
    recordModel = new QSqlTableModel(nullptr, db);
    recordModel->setEditStrategy(QSqlTableModel::OnManualSubmit);
    recordModel->setTable(QStringLiteral("RECORD"));
    recordModel->setSort(0, Qt::DescendingOrder);
    recordModel->select();
    for (int c = 0; c < 3; ++c)
        recordModel->setHeaderData(c, Qt::Horizontal, LanStr(288 + c), Qt::EditRole);
    // The content column is wider than a compact screen's table: its caption
    // starts where the column does, or it sits centred beyond the right edge.
    recordModel->setHeaderData(2, Qt::Horizontal, QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter),
                               Qt::TextAlignmentRole);
    recordTable->setModel(recordModel);
    recordTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    recordTable->verticalHeader()->hide();
    const bool wide = !IsSmallLayout();
    const int widths[3] = {wide ? 120 : 70, wide ? 125 : 65, wide ? 1330 : 405};
    for (int c = 0; c < 3; ++c)
        recordTable->setColumnWidth(c, widths[c]);
}

void WizardParaWidget::SlotClearRecord()
{
    if (!m_host->CheckRoot())
        return;
    if (!Ask(LanStr(297)))
        return;
    if (!m_host->CheckRoot())
        return;
    m_host->ClearRecord();
    m_host->InsertRecord(LanStr(298));
}
