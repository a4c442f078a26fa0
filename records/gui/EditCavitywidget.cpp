#include "EditCavitywidget.h"

#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumCharInput.h"
#include "widgets/SkinPixmaps.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

EditCavitywidget::EditCavitywidget(int cameras, QWidget* parent, const QString& workDir)
    : QWidget(parent)
    , m_names(workDir)
    , m_cameras(std::clamp(cameras, 0, CavityNames::kCameras))
{
    const bool large = gShowW > 1024;
    const QSize cell = large ? QSize(180, 60) : QSize(150, 46);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPointSize(large ? 30 : 18);
    setFont(f);

    auto* grid = new QGridLayout(this);
    grid->setSpacing(10);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    // The character pad opens inside the editor: the editor is at least as
    // wide as the pad, so no key is cut off at its right edge.
    const int padW = NumCharInput::PadSize().width();
    const int gridW = 4 * cell.width() + 3 * grid->spacing();
    QMargins margins = grid->contentsMargins();
    const int side = std::max(margins.left(), (padW + 10 - gridW + 1) / 2);
    margins.setLeft(side);
    margins.setRight(side);
    grid->setContentsMargins(margins);

    m_combo = new ComboBox(this);
    for (int k = 0; k < m_cameras; ++k)
        m_combo->addItem(LanStr(595).arg(k + 1));
    m_combo->setItemHeight(60);
    // Wider than a cell when a camera's name needs it (the cell beside it is free).
    m_combo->setFixedSize(std::max(cell.width(), m_combo->sizeHint().width()), cell.height());
    grid->addWidget(m_combo, 0, 0, 1, 2, Qt::AlignLeft);
    m_cancel = new ColorButton(LanStr(124), this, 3);
    m_confirm = new ColorButton(LanStr(121), this, 3);
    for (ColorButton* b : {m_cancel, m_confirm})
        b->setFixedSize(cell.width(), large ? 70 : 54);
    grid->addWidget(m_cancel, 0, 2);
    grid->addWidget(m_confirm, 0, 3);

    for (int k = 0; k < CavityNames::kCavities; ++k) {
        m_captions[k] = new QLabel(LanStr(k < 8 ? 460 + k : 596 + k - 8), this);
        m_captions[k]->setFixedSize(cell);
        m_captions[k]->setStyleSheet(QStringLiteral("color: yellow;"));  // captions are yellow on the background picture
        m_edits[k] = new Edit(int(Edit::kCharPad), this);
        m_edits[k]->setFixedSize(cell);
        grid->addWidget(m_captions[k], 2 * (k / 4) + 1, k % 4);
        grid->addWidget(m_edits[k], 2 * (k / 4) + 2, k % 4);
    }
    connect(m_combo, &QComboBox::currentIndexChanged, this, &EditCavitywidget::SlotChangeCam);
    connect(m_cancel, &QPushButton::clicked, this, &EditCavitywidget::Reject);
    connect(m_confirm, &QPushButton::clicked, this, &EditCavitywidget::Accept);
}

bool EditCavitywidget::Databaseinit()
{
    return m_names.Databaseinit();
}

void EditCavitywidget::init()
{
    Initialize(QLatin1String(CavityNames::kInForce), QLatin1String(CavityNames::kWorking));
    changeCamera();
}

void EditCavitywidget::Initialize(const QString& from, const QString& to)
{
    const QList<QStringList> copied = m_names.Initialize(from, to);
    for (int c = 0; c < m_cameras && c < copied.size(); ++c)
        if (!copied[c].isEmpty() && m_sink)
            m_sink(c, copied[c]);
}

void EditCavitywidget::changeCamera()
{
    const QStringList names = m_names.row(QLatin1String(CavityNames::kWorking), m_cam);
    if (names.isEmpty())
        return;
    for (int k = 0; k < CavityNames::kCavities; ++k)
        m_edits[k]->setText(names.value(k));
}

void EditCavitywidget::StoreEdits()
{
    QStringList names;
    for (Edit* e : m_edits)
        names << e->text();
    m_names.store(QLatin1String(CavityNames::kWorking), m_cam, names);
}

void EditCavitywidget::SlotChangeCam(int index)
{
    if (index < 0)
        return;
    StoreEdits();
    m_cam = index;
    changeCamera();
}

void EditCavitywidget::Accept()
{
    StoreEdits();
    Initialize(QLatin1String(CavityNames::kWorking), QLatin1String(CavityNames::kInForce));
    changeCamera();  // the fields show the names as stored
    Leave();
}

void EditCavitywidget::Reject()
{
    Leave();
}

void EditCavitywidget::Leave()
{
    hide();
    if (m_returnTo)
        m_returnTo->show();
}

QString EditCavitywidget::getResult(int cam, int i)
{
    if (cam >= 0 && cam < m_cameras) {
        const QStringList names = m_names.row(QLatin1String(CavityNames::kInForce), cam);
        if (!names.isEmpty())
            m_result = names;
    }
    return m_result.value(i);
}

void EditCavitywidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (gpNumCharPad)
        gpNumCharPad->hide();
    QWidget::mouseReleaseEvent(event);
}

void EditCavitywidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
}

void EditCavitywidget::showEvent(QShowEvent* event)
{
    const QWidget* host = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = host ? host->rect() : QRect(0, 0, gShowW, gShowH);
    move(area.center() - rect().center());
    QWidget::showEvent(event);
}

void EditCavitywidget::hideEvent(QHideEvent* event)
{
    MainWindowHooks::instance().setCurEdit(nullptr);
    for (Edit* e : m_edits)
        e->clearFocus();
    if (gpNumCharPad)
        gpNumCharPad->hide();
    QWidget::hideEvent(event);
}
