#include "CammerSingleton.h"

#include "CammerWidgetData.h"
#include "ParamReports.h"
#include "WizardPara.h"
#include "foundation/OperatorMessage.h"
#include "foundation/uitext.h"
#include "platform/vision/CheckInRange.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <climits>

namespace {

QString g_connection = QStringLiteral("dbIn");
std::function<void(const QString&)> g_warn;

// Integer reads in the manner of a text stream: once a number is missing or
// unreadable, it and every later one read as 0.
class IntReader {
public:
    // Any run of white space separates numbers, as for a text stream.
    explicit IntReader(const QString& text) : m_tokens(text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {}
    int next()
    {
        const qint64 v = raw(INT_MIN, INT_MAX);
        return static_cast<int>(v);
    }
    // The radius word is unsigned; older rows may hold it as a negative int32.
    quint32 nextWord()
    {
        const qint64 v = raw(INT_MIN, qint64(UINT_MAX));
        return static_cast<quint32>(v & 0xFFFFFFFFLL);
    }

private:
    qint64 raw(qint64 lo, qint64 hi)
    {
        if (m_failed || m_pos >= m_tokens.size()) {
            m_failed = true;
            return 0;
        }
        bool ok = false;
        const qint64 v = m_tokens.at(m_pos++).trimmed().toLongLong(&ok);
        if (!ok || v < lo || v > hi) {
            m_failed = true;
            return 0;
        }
        return v;
    }
    QStringList m_tokens;
    int m_pos = 0;
    bool m_failed = false;
};

bool selectValue(QSqlQuery& q, const QString& table, const QString& name, QString* value)
{
    q.prepare(QStringLiteral("select value from %1 where name=?").arg(table));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return false;
    *value = q.value(0).toString();
    return true;
}

bool rowExists(QSqlQuery& q, const QString& table, const QString& name)
{
    q.prepare(QStringLiteral("select name from %1 where name=?").arg(table));
    q.addBindValue(name);
    return q.exec() && q.next();
}

bool insertRow(QSqlQuery& q, const QString& table, const QString& name, const QString& value)
{
    q.prepare(QStringLiteral("insert into %1 values(?, ?)").arg(table));
    q.addBindValue(name);
    q.addBindValue(value);
    return q.exec();
}

// Updates the row, inserting it when it is missing.
bool writeRow(QSqlQuery& q, const QString& table, const QString& name, const QString& value)
{
    if (!rowExists(q, table, name))
        return insertRow(q, table, name, value);
    q.prepare(QStringLiteral("update %1 set value=? where name=?").arg(table));
    q.addBindValue(value);
    q.addBindValue(name);
    return q.exec();
}

void warn(const QString& text)
{
    if (g_warn)
        g_warn(text);
    else
        ShowOperatorMessage(text);
}

QString ParamFileErrorText()
{
    return LanStr(0).isEmpty() ? QStringLiteral("Camera parameter file error!") : LanStr(0);
}

}  // namespace

CammerSingleton::CammerSingleton(int camera) : cam(camera) {}

void CammerSingleton::SetConnectionName(const QString& name) { g_connection = name; }
QString CammerSingleton::ConnectionName() { return g_connection; }
void CammerSingleton::SetWarnHandler(std::function<void(const QString&)> handler) { g_warn = std::move(handler); }

cv::Rect CammerSingleton::RoiBox(int g, int j) const
{
    if (g < 0 || g >= kGroups || j < 0 || j >= kMaxRoi)
        return cv::Rect();
    switch (roi_type[g][j]) {
    case kRect: return rect[g][j].BoxRect();
    case kCircle: return circle[g][j].BoxRect();
    default: return polygon[g][j].BoxRect();
    }
}

cv::Mat CammerSingleton::BuildMask(int g, int j)
{
    if (g < 0 || g >= kGroups || j < 0 || j >= kMaxRoi)
        return cv::Mat();
    switch (roi_type[g][j]) {
    case kRect: return rect[g][j].UpdateMask();
    case kCircle: return circle[g][j].UpdateMask();
    default: return polygon[g][j].UpdateMask();
    }
}

void CammerSingleton::SetDefaultRoi(int g, int j)
{
    min_size[g][j] = 3;
    sensibility[g][j] = 45;
    max_area[g][j] = 100;
    algorithm[g][j] = 0;
    roi_type[g][j] = kRect;
    output_point[j] = 0;
    rect[g][j].setCoords(50, 50, 100, 100);
    rect[g][j].setImageRect();
}

void CammerSingleton::storeMask(CammerWidgetData* widget, int g, int j)
{
    cv::Mat m = BuildMask(g, j);
    if (widget)
        widget->liveMasks[g][j] = m;
}

bool CammerSingleton::LoadDatafromFile(CammerWidgetData* widget)
{
    // Without its table every group would load empty and the camera judge
    // every part OK: refuse loudly instead.
    const QSqlDatabase db = QSqlDatabase::database(g_connection, false);
    if (!db.isValid() || !db.isOpen() || !db.tables().contains(tableName())) {
        qCritical("ROI set of camera %d not loaded: no table %s on connection %s", cam + 1,
                  qPrintable(tableName()), qPrintable(g_connection));
        warn(ParamFileErrorText());
        return false;
    }
    // Rows missing from an older or new table are added as the groups load:
    // one commit for all of them, not a disk sync per row.
    QSqlDatabase conn = QSqlDatabase::database(g_connection, false);
    const bool batched = conn.transaction();
    for (int g = 0; g < kGroups; ++g)
        loadGroup(g, widget);
    if (batched && !conn.commit()) {
        qCritical("ROI set of camera %d: the added rows were not stored: %s", cam + 1,
                  qPrintable(conn.lastError().text()));
        conn.rollback();
    }
    return true;
}

void CammerSingleton::loadGroup(int g, CammerWidgetData* widget)
{
    QSqlQuery q(QSqlDatabase::database(g_connection));
    const QString table = tableName();
    QString value;

    const QString detect = QStringLiteral("detect%1").arg(g);
    if (!selectValue(q, table, detect, &value)) {
        count[g] = 0;
        insertRow(q, table, detect, QStringLiteral("0"));
    } else {
        IntReader r(value);
        count[g] = r.next();
        for (int k = 0; k < kCavities; ++k)
            cavity[g][k] = r.next();
    }

    const QString ng = QStringLiteral("detect%1NGCount").arg(g);
    if (!selectValue(q, table, ng, &value)) {
        insertRow(q, table, ng, QStringLiteral("0"));
    } else {
        IntReader r(value);
        for (int j = 0; j < kMaxRoi; ++j)
            NGCount[g][j] = r.next();
    }

    if (static_cast<unsigned>(count[g]) > unsigned(kMaxRoi)) {
        warn(ParamFileErrorText());
        count[g] = 0;
        return;
    }

    for (int j = 0; j < count[g]; ++j) {
        if (!selectValue(q, table, QStringLiteral("ROI%1-%2").arg(g).arg(j), &value)) {
            SetDefaultRoi(g, j);
            storeMask(widget, g, j);
            continue;
        }
        loadRoi(g, j, value, widget);
    }
}

void CammerSingleton::loadRoi(int g, int j, const QString& value, CammerWidgetData* widget)
{
    IntReader r(value);
    min_size[g][j] = r.next();
    sensibility[g][j] = r.next();
    max_area[g][j] = r.next();
    algorithm[g][j] = r.next();
    roi_type[g][j] = r.next();
    output_point[j] = r.next();
    const int p = r.next();
    if (static_cast<unsigned>(output_point[j]) > 3u)
        output_point[j] = 0;

    switch (roi_type[g][j]) {
    case kPolygon: {
        if (p < 1 || p > RePolygon::kMaxPoints) {
            SetDefaultRoi(g, j);
            storeMask(widget, g, j);
            return;
        }
        std::vector<QPoint>& pts = polygon[g][j].points;
        pts.assign(static_cast<size_t>(p), QPoint());
        for (QPoint& pt : pts) {
            int x = r.next();
            int y = r.next();
            CheckInRange(&x, 1);
            CheckInRange(&y, 0);
            pt = QPoint(x, y);
        }
        storeMask(widget, g, j);
        return;
    }
    case kCircle: {
        int x = r.next();
        int y = r.next();
        CheckInRange(&x, 1);
        CheckInRange(&y, 0);
        Circle& c = circle[g][j];
        c.centerX = x;
        c.centerY = y;
        c.SetRadiusWord(r.nextWord());
        c.UpdateRect();
        storeMask(widget, g, j);
        return;
    }
    case kRect: {
        int x1 = r.next();
        int y1 = r.next();
        CheckInRange(&x1, 1);
        CheckInRange(&y1, 0);
        int x2 = r.next();
        int y2 = r.next();
        CheckInRange(&x2, 1);
        CheckInRange(&y2, 0);
        rect[g][j].setCoords(x1, y1, x2, y2);
        storeMask(widget, g, j);
        return;
    }
    default:
        return;  // shapes and mask stay as they are
    }
}

QString CammerSingleton::RoiRowValue(int g, int j) const
{
    QString v = QStringLiteral("%1 %2 %3 %4 %5 %6 ")
                    .arg(min_size[g][j])
                    .arg(sensibility[g][j])
                    .arg(max_area[g][j])
                    .arg(algorithm[g][j])
                    .arg(roi_type[g][j])
                    .arg(output_point[j]);
    switch (roi_type[g][j]) {
    case kRect: {
        const ClustomRect& rc = rect[g][j];
        v += QStringLiteral("%1 %2 %3 %4 %5").arg(0).arg(rc.left()).arg(rc.top()).arg(rc.right()).arg(rc.bottom());
        break;
    }
    case kCircle: {
        const Circle& c = circle[g][j];
        v += QStringLiteral("%1 %2 %3 %4").arg(0).arg(c.centerX).arg(c.centerY).arg(c.RadiusWord());
        break;
    }
    case kPolygon: {
        const RePolygon& pg = polygon[g][j];
        v += QStringLiteral("%1 ").arg(pg.Count());
        for (const QPoint& p : pg.points)
            v += QStringLiteral("%1 %2 ").arg(p.x()).arg(p.y());
        break;
    }
    default:
        break;
    }
    return v;
}

bool CammerSingleton::SaveDatatoFile()
{
    QSqlDatabase db = QSqlDatabase::database(g_connection, false);
    // One transaction: a power cut or a failing statement leaves the old set whole.
    if (!db.transaction()) {
        qWarning() << "ROI set" << tableName() << "not saved:" << db.lastError().text();
        return false;
    }
    if (!WriteRows()) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        qWarning() << "ROI set" << tableName() << "not saved:" << db.lastError().text();
        db.rollback();
        return false;
    }
    ReportToPlant();
    return true;
}

bool CammerSingleton::WriteRows()
{
    QSqlDatabase db = QSqlDatabase::database(g_connection, false);
    const QString table = tableName();
    QSqlQuery q(db);
    bool ok = true;
    for (int g = 0; g < kGroups && ok; ++g) {
        // A count out of range would make the next load drop the whole group.
        const int n = std::clamp(count[g], 0, int(kMaxRoi));
        QString detect = QString::number(n);
        for (int k = 0; k < kCavities; ++k)
            detect += QLatin1Char(' ') + QString::number(cavity[g][k]);
        ok = ok && writeRow(q, table, QStringLiteral("detect%1").arg(g), detect);

        QString ng;
        for (int j = 0; j < kMaxRoi; ++j)
            ng += QStringLiteral("%1 ").arg(NGCount[g][j]);
        ok = ok && writeRow(q, table, QStringLiteral("detect%1NGCount").arg(g), ng);

        for (int j = 0; j < n && ok; ++j)
            ok = writeRow(q, table, QStringLiteral("ROI%1-%2").arg(g).arg(j), RoiRowValue(g, j));
        for (int j = n; j < kMaxRoi && ok; ++j) {
            const QString name = QStringLiteral("ROI%1-%2").arg(g).arg(j);
            if (rowExists(q, table, name)) {
                q.prepare(QStringLiteral("delete from %1 where name=?").arg(table));
                q.addBindValue(name);
                ok = q.exec();
            }
        }
    }
    if (!ok)
        qWarning() << "ROI set" << table << "not saved:" << q.lastError().text();
    return ok;
}

void CammerSingleton::ReportToPlant() const
{
    // Reported as the parameter save reports: the live switch and a live link.
    if (gpWPara && ReportsToPlant(*gpWPara))
        for (int g = 0; g < kGroups; ++g)
            ParamReports::instance().roiSetSaved(cam, g);
}

bool CammerSingleton::operator==(const CammerSingleton& o) const
{
    if (cam != o.cam)
        return false;
    for (int g = 0; g < kGroups; ++g) {
        if (count[g] != o.count[g])
            return false;
        for (int k = 0; k < kCavities; ++k)
            if (cavity[g][k] != o.cavity[g][k])
                return false;
        for (int j = 0; j < kMaxRoi; ++j) {
            if (min_size[g][j] != o.min_size[g][j] || sensibility[g][j] != o.sensibility[g][j] ||
                max_area[g][j] != o.max_area[g][j] || algorithm[g][j] != o.algorithm[g][j] ||
                roi_type[g][j] != o.roi_type[g][j] || NGCount[g][j] != o.NGCount[g][j] ||
                rect[g][j] != o.rect[g][j] || circle[g][j] != o.circle[g][j] || polygon[g][j] != o.polygon[g][j])
                return false;
        }
    }
    for (int j = 0; j < kMaxRoi; ++j)
        if (output_point[j] != o.output_point[j])
            return false;
    return true;
}
