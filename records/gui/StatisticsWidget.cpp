#include "StatisticsWidget.h"

#include "CamereaTabWidget.h"
#include "UsbDiskPrompt.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "records/Myxls.h"
#include "records/UsbExport.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/WarnBox.h"

#include <QDir>
#include <QGridLayout>
#include <QListWidget>
#include <QSqlDatabase>

#include <algorithm>

namespace {
QString ExportFailedText()
{
    static const char* const text[3] = {"数据导出失败", "Export of the data failed", "資料匯出失敗"};
    return QString::fromUtf8(text[std::clamp(gLan, 0, 2)]);
}
}  // namespace

StatisticsWidget::StatisticsWidget(ResStatisticsParam* store, int cameras, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_connection(QStringLiteral("dbListRes"))
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    // The large page is 1920 x 1080; a smaller screen gets a page of its own size.
    const int w = std::min(1920, gShowW);
    const int h = std::min(1080, gShowH);
    setGeometry(gShowW / 2 - w / 2, gShowH / 2 - h / 2, w, h);
    const bool large = gShowW > 1024;

    m_tabs = new QTabWidget(this);
    m_tabs->setFixedSize(CamereaTabWidget::BarWidth(), h - 100);
    QStringList captions;
    for (int i = 0; i <= std::clamp(cameras, 0, 8); ++i) {
        const int cam = (i + 8) % 9;
        m_pages[i] = new CamereaTabWidget(m_store, cam, m_tabs);
        m_pages[i]->setFixedSize(CamereaTabWidget::BarWidth(), h - 100);
        captions << (i == 0 ? LanStr(1160) : LanStr(1161).arg(i));
        m_tabs->addTab(m_pages[i], captions.last());
    }
    m_tabs->setStyleSheet(CamereaTabWidget::TabStyle(captions, CamereaTabWidget::BarWidth()));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { RedrawCurrent(); });

    m_days = new QListWidget(this);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPointSize(10);
    m_days->setFont(f);
    m_days->setFixedHeight(h - 100);
    connect(m_days, &QListWidget::itemClicked, this, &StatisticsWidget::UpdateRecord);

    m_return = new ColorButton(LanStr(58), this, 3);
    m_export = new ColorButton(LanStr(326), this, 3);
    for (ColorButton* b : {m_return, m_export})
        b->setFixedSize(large ? 300 : 200, large ? 50 : 45);
    connect(m_return, &QPushButton::clicked, this, &StatisticsWidget::SlotConfirm);
    connect(m_export, &QPushButton::clicked, this, &StatisticsWidget::SlotExportData);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->addWidget(m_days, 0, 0, 15, 1, Qt::AlignTop);
    grid->addWidget(m_tabs, 0, 1, 15, 10, Qt::AlignTop);
    grid->addWidget(m_export, 15, 0, 1, 11, Qt::AlignRight);
    grid->addWidget(m_return, 15, 1, 1, 11, Qt::AlignCenter);

    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_store->setObserver(this);
}

StatisticsWidget::~StatisticsWidget()
{
    m_store->setObserver(nullptr);
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

void StatisticsWidget::showEvent(QShowEvent* event)
{
    updateList();
    QWidget::showEvent(event);
}

void StatisticsWidget::updateList()
{
    m_days->clear();
    m_days->addItem(m_store->date());
    const QDir dir(m_store->archiveDir());
    const QStringList files = dir.entryList({QStringLiteral("*.db")}, QDir::Files, QDir::Name);
    for (auto it = files.crbegin(); it != files.crend(); ++it)
        m_days->addItem(it->chopped(3));
    m_days->setCurrentRow(0);
    UpdateRecord(m_days->item(0));
}

bool StatisticsWidget::showsToday() const
{
    return m_days->currentRow() == 0;
}

void StatisticsWidget::checkUpdate()
{
    if (showsToday())
        RedrawCurrent();
}

void StatisticsWidget::UpdateRecord(QListWidgetItem* item)
{
    if (!item)
        return;
    if (m_days->row(item) == 0) {
        m_store->setFindCount();
    } else {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
        const QString file = m_store->archivePath(item->text());
        db.setDatabaseName(file);
        // Opening a file that is gone would leave an empty one behind.
        if (!QFile::exists(file) || !db.open() || !m_store->setFindCount(db))
            return;  // the page keeps the day it showed
    }
    RedrawCurrent();
}

void StatisticsWidget::RedrawCurrent()
{
    if (auto* page = qobject_cast<CamereaTabWidget*>(m_tabs->currentWidget()))
        page->updateData();
}

void StatisticsWidget::SlotConfirm()
{
    hide();
}

void StatisticsWidget::SlotExportData()
{
    hide();
    if (!AskText(LanStr(324))) {
        show();
        return;
    }
    const QString disk = AskForUsbDisk();
    if (disk.isEmpty())
        return;  // the page stays hidden: back to the main screen
    WarnText(Export(disk) ? LanStr(147) : ExportFailedText());
    show();
}

bool StatisticsWidget::Export(const QString& disk)
{
    if (!gpMyxls)
        return false;
    const QString name = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss")) + QStringLiteral(".xlsx");
    const QString file = gpMyxls->workDir() + QLatin1Char('/') + name;
    if (!gpMyxls->ImportRes(file))
        return false;
    if (!MoveToUsbDisk(file, disk)) {
        QFile::remove(file);
        return false;
    }
    return true;
}
