#include "Slider.h"

#include "C_Type_COM.h"
#include "ColorButton.h"
#include "Edit.h"
#include "SkinPixmaps.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <limits>

Slider::Slider(int min, int max, int pageStep, int value, QWidget* parent, const QString& name)
    : QAbstractSlider(parent)
{
    setOrientation(Qt::Horizontal);
    setObjectName(name);
    setMinimum(min);
    setMaximum(max);
    setPageStep(pageStep);
    setValue(value);

    const bool small = IsSmallLayout();
    m_add = new ColorButton(QStringLiteral("+ 1"), this, 3);
    m_sub = new ColorButton(QStringLiteral("- 1"), this, 3);
    for (ColorButton* b : {m_add, m_sub}) {
        b->setFixedSize(small ? QSize(40, 28) : QSize(70, 41));
        b->SetRepeat();
    }
    connect(m_add, &QPushButton::clicked, this, &Slider::Add);
    connect(m_sub, &QPushButton::clicked, this, &Slider::Sub);

    m_edit = new Edit(9, this, 1);
    m_edit->setGeometry(0, 0, 0, small ? 40 : 60);
    connect(m_edit, &QLineEdit::textChanged, this, &Slider::SetText);
    layoutTrack();
}

void Slider::Reset(int min, int max, int pageStep, int value, const QString& name)
{
    setObjectName(name);
    setMinimum(min);
    setMaximum(max);
    setPageStep(pageStep);
    setValue(value);
    cancelDrag();
    update();
}

void Slider::Add()
{
    setValue(value() + (value() < maximum() ? 1 : 0));
}

void Slider::Sub()
{
    setValue(value() - (value() > minimum() ? 1 : 0));
}

void Slider::SetText(const QString& text)
{
    // The pad empties the field before the first digit; that alone is no value.
    if (text.isEmpty())
        return;
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 10);
    if (!ok) {
        // Only digits reach the field, so a failed read of a non-empty text is an overflow.
        const bool digits = std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
        setValue(digits ? maximum() : 0);
        return;
    }
    setValue(int(qMin(v, qulonglong(std::numeric_limits<int>::max()))));
}

void Slider::layoutTrack()
{
    m_laidOut = size();
    const int w1 = width() - 1;
    const int h1 = height() - 1;
    if (IsSmallLayout()) {
        m_trackW = w1 - 201;
        m_add->move(w1 - 39, (h1 - 27) / 2);
        m_sub->move(114, (h1 - 27) / 2);
    } else {
        m_trackW = w1 - 369;
        m_add->move(w1 - 69, (h1 - 27) / 2 - 6);
        m_sub->move(220, (h1 - 27) / 2 - 6);
    }
    // A slider narrower than its fixed parts has no track rather than a negative one.
    m_trackW = qMax(0, m_trackW);
    m_trackOffset = int(0.03 * m_trackW);
    m_trackLen = int(0.95 * m_trackW);
}

void Slider::resizeEvent(QResizeEvent* event)
{
    layoutTrack();
    QAbstractSlider::resizeEvent(event);
}

int Slider::trackStart() const
{
    return IsSmallLayout() ? 157 : 295;
}

int Slider::filledWidth() const
{
    const int span = maximum() - minimum();
    if (span <= 0)
        return 0;
    return int(float(m_trackLen) * float(value() - minimum()) / float(span));
}

int Slider::handleX() const
{
    return trackStart() + m_trackOffset + filledWidth();
}

QRect Slider::valueFieldRect() const
{
    const int h1 = height() - 1;
    return IsSmallLayout() ? QRect(69, 8, 40, h1 - 15) : QRect(135, 3, 80, h1 - 5);
}

void Slider::syncTrack()
{
    // A hidden slider gets its resize event only when shown.
    if (m_laidOut != size())
        layoutTrack();
}

namespace {
// Long captions ("Sensitivity") shrink to their box rather than lose
// letters; one still too wide at the smallest readable size ("Minimum
// score") takes two lines.
QList<PlacedText> Caption(const QString& text, const QRect& box, int px)
{
    constexpr int kLeast = 11;
    QFont f(QStringLiteral("wqy-microhei"));
    QStringList lines{text};
    const auto fits = [&](int size) {
        f.setPixelSize(size);
        const QFontMetrics fm(f);
        for (const QString& l : std::as_const(lines))
            if (fm.horizontalAdvance(l) > box.width())
                return false;
        return fm.height() * lines.size() <= box.height();
    };
    const auto largest = [&] {
        int size = px;
        while (size > kLeast && !fits(size))
            --size;
        return size;
    };
    int size = largest();
    if (!fits(size)) {
        // At the space that leaves the longer line shortest.
        const QFontMetrics fm(f);
        int best = -1;
        int widest = std::numeric_limits<int>::max();
        for (int i = text.indexOf(QLatin1Char(' ')); i > 0; i = text.indexOf(QLatin1Char(' '), i + 1)) {
            const int w = std::max(fm.horizontalAdvance(text.left(i)), fm.horizontalAdvance(text.mid(i + 1)));
            if (w < widest) {
                widest = w;
                best = i;
            }
        }
        if (best > 0) {
            lines = {text.left(best), text.mid(best + 1)};
            size = largest();
        }
    }
    f.setPixelSize(size);
    if (lines.size() == 1)
        return {TextPlacer::InBox(text, f, Qt::green, box, Qt::AlignLeft | Qt::AlignVCenter)};
    const QRect upper(box.x(), box.y(), box.width(), box.height() / 2);
    const QRect lower(box.x(), upper.bottom() + 1, box.width(), box.height() - upper.height());
    return {TextPlacer::InBox(lines[0], f, Qt::green, upper, Qt::AlignLeft | Qt::AlignBottom),
            TextPlacer::InBox(lines[1], f, Qt::green, lower, Qt::AlignLeft | Qt::AlignTop)};
}
}  // namespace

QList<PlacedText> Slider::PaintedTexts() const
{
    const bool small = IsSmallLayout();
    QFont f(QStringLiteral("wqy-microhei"));
    const QRect caption(0, 0, small ? 64 : 120, height());
    QList<PlacedText> texts;
    if (!objectName().isEmpty())
        texts << Caption(objectName(), caption, small ? 14 : 30);
    f.setPixelSize(small ? 14 : 30);
    texts << TextPlacer::InBox(QString::number(value()), f, Qt::green, valueFieldRect(), Qt::AlignCenter);
    return texts;
}

void Slider::paintEvent(QPaintEvent*)
{
    syncTrack();
    const bool small = IsSmallLayout();
    const int h1 = height() - 1;
    QPainter p(this);
    if (gpPixmapEdit)
        p.drawPixmap(valueFieldRect(), *gpPixmapEdit);
    for (const PlacedText& t : PaintedTexts())
        TextPlacer::Draw(p, t);

    const int start = trackStart();
    const int filled = filledWidth();
    if (small) {
        if (gpPixmapSliderd)
            p.drawPixmap(QRect(start, 8, m_trackW, h1 - 15), *gpPixmapSliderd);
        if (gpPixmapSlideru)
            p.drawPixmap(QRect(start + m_trackOffset, 16, filled, h1 - 31), *gpPixmapSlideru);
    } else {
        if (gpPixmapSliderd)
            p.drawPixmap(QRect(start, 3, m_trackW, h1 - 5), *gpPixmapSliderd);
        if (gpPixmapSlideru)
            p.drawPixmap(QRect(start + m_trackOffset, 11, filled, h1 - 21), *gpPixmapSlideru);
    }
    m_handleX = start + m_trackOffset + filled;
    m_handleY = 3;
    m_handleW = 10;
    m_handleH = h1 - 5;
    if (gpPixmapSlidert)
        p.drawPixmap(QRect(m_handleX, m_handleY, m_handleW, m_handleH), *gpPixmapSlidert);
}

void Slider::mousePressEvent(QMouseEvent* event)
{
    syncTrack();
    // Taken from the value, not the last paint: a press before the first paint still finds the handle.
    m_handleX = handleX();
    const int x = event->position().toPoint().x();
    if (x >= m_handleX - 20 && x <= m_handleX + m_handleW + 19) {
        m_dragX = x;
        m_dragY = event->position().toPoint().y();
    } else {
        cancelDrag();
    }
    // No base handling: a tap on the track does not jump.
}

void Slider::mouseMoveEvent(QMouseEvent* event)
{
    syncTrack();
    if (m_dragX < 1 || m_trackLen <= 0)
        return;
    const QPoint pos = event->position().toPoint();
    const int d = int(float(maximum() - minimum()) * float(pos.x() - m_dragX) / float(m_trackLen));
    if (d == 0)
        return;  // slow moves add up from the same start
    const qint64 v = qint64(value()) + d;
    setValue(int(qBound(qint64(minimum()), v, qint64(maximum()))));
    m_dragX = pos.x();
    m_dragY = pos.y();
    update();
}

void Slider::mouseReleaseEvent(QMouseEvent* event)
{
    cancelDrag();
    const int x = event->position().toPoint().x();
    const bool small = IsSmallLayout();
    const int left = small ? 69 : 135;
    const int right = small ? 108 : 214;
    if (x < left || x > right)
        return;
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QCoreApplication::sendEvent(m_edit, &focusIn);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0), QPointF(0, 0), QPointF(0, 0),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_edit, &release);
}
