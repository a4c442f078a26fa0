#include "DetectCycleWidget.h"

#include "ExportDialog.h"
#include "UsbDiskPrompt.h"
#include "records/DetectCycleSQL.h"
#include "records/UsbExport.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/WarnBox.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "platform/SystemActions.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QSqlDatabase>
#include <QSqlTableModel>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
DetectCycleSQL* Log()
{
    if (!DetectCycleSQL::instance)
        DetectCycleSQL::instance = new DetectCycleSQL;
    return DetectCycleSQL::instance;
}

}  // namespace

DetectCycleWidget::DetectCycleWidget(QWidget* parent)
    : QWidget(parent)
    // Its own connection: cycles logged while an older day is shown still go
    // to the working file.
    , m_connection(QStringLiteral("dbDetectCyclePage%1").arg(quintptr(this)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setFixedSize(1000, 700);
    setStyleSheet(getStyle());
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->setContentsMargins(5, 2, 0, 2);
    auto* caption = new QLabel(QStringLiteral("检测日期"), this);
    caption->setFixedHeight(50);
    left->addWidget(caption);
    m_days = new QStringListModel(Log()->getDBName(), this);
    m_list = new QListView(this);
    m_list->setModel(m_days);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    left->addWidget(m_list);
    connect(m_list, &QListView::clicked, this, &DetectCycleWidget::listDataChanged);

    m_table = new QTableView(this);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(22);
    m_table->setFont(f);
    m_table->horizontalHeader()->setFont(f);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(50);
    m_table->horizontalHeader()->setFixedHeight(50);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setSectionsClickable(false);
    bindSql(Log()->dayFile(Log()->getDBName().first()));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(5, 60, 5, 5);
    row->addLayout(left, 1);
    row->addWidget(m_table, 2);

    m_export = new ColorButton(QStringLiteral("导出"), this, 3);
    m_export->setGeometry(0, 0, 100, 60);
    m_exit = new ColorButton(QStringLiteral("退出"), this, 3);
    m_exit->setGeometry(900, 0, 100, 60);
    connect(m_export, &QPushButton::clicked, this, &DetectCycleWidget::exportData);
    connect(m_exit, &QPushButton::clicked, this, &DetectCycleWidget::closeAction);

    if (QWidget* main = parent ? parent->window() : nullptr)
        move((main->width() - width()) / 2, (main->height() - height()) / 2);
    else
        move((gShowW - width()) / 2, (gShowH - height()) / 2);
}

// A running export program is killed by the system-action layer when the page goes.
DetectCycleWidget::~DetectCycleWidget()
{
    ReleaseDay();
    QSqlDatabase::removeDatabase(m_connection);
}

void DetectCycleWidget::ReleaseDay()
{
    m_table->setModel(nullptr);
    delete m_model;
    m_model = nullptr;
    QSqlDatabase::database(m_connection, false).close();
}

QString DetectCycleWidget::getStyle()
{
    return QStringLiteral("QLabel{border: none;border-bottom: 1px solid #707070;font-size: 22px;background-color: #F5F5F5;}"
                          "QListView{font-size:22px;border: none;}QListView::item{height: 50px;padding-left: 10px;}");
}

void DetectCycleWidget::bindSql(const QString& file)
{
    ReleaseDay();
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.setDatabaseName(file);
    // A day that is gone is not created again by opening it.
    if (!QFile::exists(file) || !db.open()) {
        qDebug("database open fail!");
        return;
    }
    m_model = new QSqlTableModel(nullptr, db);
    m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    m_model->setTable(QStringLiteral("detect_cycle"));
    m_model->setHeaderData(0, Qt::Horizontal, QStringLiteral("序号"));
    m_model->setHeaderData(1, Qt::Horizontal, QStringLiteral("检测时间"));
    m_model->setHeaderData(2, Qt::Horizontal, QStringLiteral("周期(s)"));
    m_model->select();
    while (m_model->canFetchMore())
        m_model->fetchMore();
    m_table->setModel(m_model);
    m_table->setColumnWidth(0, 150);
    m_table->setColumnWidth(1, 335);
    m_table->setColumnWidth(2, 150);
}

void DetectCycleWidget::listDataChanged(const QModelIndex& index)
{
    bindSql(Log()->dayFile(index.data().toString()));
    m_table->viewport()->update();
}

void DetectCycleWidget::closeAction()
{
    ReleaseDay();
    close();
}

void DetectCycleWidget::exportData()
{
    if (m_exporting)
        return;  // one export at a time
    const QString disk = AskForUsbDisk();
    if (disk.isEmpty())
        return;
    const QString work = Log()->workDir();
    ExportDialog dialog(work + QStringLiteral("/sql.txt"), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.requestLines() == 0) {
        WarnText(QStringLiteral("开始时间晚于结束时间"));
        return;
    }
    m_disk = disk;
    m_output.clear();
    m_exporting = true;
    const int run = ++m_runs;
    AsyncRunOptions how;
    how.workDir = work;
    how.mergeErrors = true;
    how.output = [this, run](const QByteArray& output) {
        if (run != m_runs)
            return;
        m_output = output;
        receive();
    };
    SystemActions::instance().runHelperAsync(
        {work + QStringLiteral("/vur_net/xls")}, how, -1, this, [this, run](const ActionResult& r) {
            if (run != m_runs)
                return;
            m_output = r.output;
            receive();
            if (m_exporting)
                Finish(false);  // ended (or never started) without its "export finished" line
        });
}

void DetectCycleWidget::receive()
{
    if (!m_exporting)
        return;
    const QString text = QString::fromUtf8(m_output);
    if (!text.contains(QLatin1String("export finished")))
        return;  // more output may follow
    // The first word names the workbook; it is only ever a file to copy.
    const QString word = text.simplified().section(QLatin1Char(' '), 0, 0);
    const QString file = QDir(Log()->workDir()).absoluteFilePath(word);
    Finish(MoveToUsbDisk(file, m_disk));
}

void DetectCycleWidget::Finish(bool moved)
{
    // A program still running after its last word is left to end by itself.
    m_exporting = false;
    emit exportDone(moved);
    WarnText(moved ? QStringLiteral("导出成功") : QStringLiteral("导出失败"));
}

namespace {
QString PageTitle()
{
    return QStringLiteral("检测周期");
}
}  // namespace

QList<PlacedText> DetectCycleWidget::PaintedTexts() const
{
    return {CycleLogTitle(this, PageTitle())};
}

void DetectCycleWidget::paintEvent(QPaintEvent*)
{
    PaintCycleLogWindow(this, PageTitle());
}
