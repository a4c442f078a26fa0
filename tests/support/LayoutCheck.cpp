#include "LayoutCheck.h"

#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/PaintedTextSource.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QVariant>
#include <QToolButton>
#include <QWidget>
#include <QtMath>

#include <algorithm>
#include <cstdlib>

namespace LayoutCheck {
namespace {

struct ShownText {
    QString who;    // how the problem line names it
    QRect drawn;    // where the text's glyphs lie, in screen coordinates
    const QWidget* owner = nullptr;
};

// A keypad stands over the form it types into: what lies under it is
// hidden on purpose, as long as it leaves the field being typed into free.
bool IsKeypad(const QWidget* w)
{
    return qobject_cast<const NumberInput*>(w) || qobject_cast<const NumCharInput*>(w);
}

// What a finger presses or types into: two of them in one place leave one
// (or both) only partly pressable.
bool IsControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w)
           || qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSlider*>(w)
           || qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w)
           || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
           || qobject_cast<const QTabBar*>(w);
}

QString rectText(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString shortText(QString text)
{
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (text.size() > 48)
        text = text.left(45) + QStringLiteral("...");
    return text;
}

// Where a widget lies on the screen. The offscreen platform draws a frame
// around every window that the panel (no window manager) does not have, so
// a window's own area counts from its frame's corner.
QPoint screenPos(const QWidget* w)
{
    const QWidget* win = w->window();
    const QPoint frame = win->geometry().topLeft() - win->frameGeometry().topLeft();
    return w->mapToGlobal(QPoint(0, 0)) - frame;
}

QString describe(const QWidget* w, const QString& text = QString())
{
    QString s = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        s += QStringLiteral(" '%1'").arg(w->objectName());
    if (!text.isEmpty())
        s += QStringLiteral(" \"%1\"").arg(shortText(text));
    return s + QStringLiteral(" at ") + rectText(QRect(screenPos(w), w->size()));
}

QRect globalRect(const QWidget* w, const QRect& local)
{
    return local.translated(screenPos(w));
}

// What the parents let through: a child is painted only inside every
// ancestor up to its window.
QRect visibleArea(const QWidget* w)
{
    QRect area = globalRect(w, w->rect());
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        area &= globalRect(p, p->rect());
        if (p->isWindow())
            break;
    }
    return area;
}

// Size of a text laid out as a label or painter would (plain or rich).
QSize textSize(const QFont& font, const QString& text, Qt::TextFormat format, int wrapWidth, int flags)
{
    const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich) {
        QTextDocument doc;
        doc.setDefaultFont(font);
        doc.setDocumentMargin(0);
        doc.setHtml(text);
        if (wrapWidth > 0)
            doc.setTextWidth(wrapWidth);
        return QSize(qCeil(doc.idealWidth()), qCeil(doc.size().height()));
    }
    const QFontMetrics fm(font);
    if (wrapWidth > 0)
        return fm.boundingRect(QRect(0, 0, wrapWidth, 1 << 20), flags | Qt::TextWordWrap, text).size();
    return fm.size(flags, text);
}

// Texts as a widget's paintEvent hands them to the paint engine: the font
// really used (a style sheet may give a part of a widget a font of its own)
// and the room the painter's clip leaves them.
struct DrawnText {
    QString text;
    QRect glyphs;  // in the widget's coordinates
    QRect clip;    // empty: not clipped
    int pixelSize;
};

class TextRecorder : public QPaintEngine {
public:
    TextRecorder()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    // Shapes and pictures are not recorded (the defaults of the polygon
    // calls would call each other without end).
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawPath(const QPainterPath&) override {}
    void drawTextItem(const QPointF& at, const QTextItem& item) override
    {
        const QFontMetrics fm(item.font());
        const QTransform t = painter()->combinedTransform();
        const QRectF box(at.x(), at.y() - fm.ascent(), fm.horizontalAdvance(item.text()), fm.height());
        QRect clip;
        if (painter()->hasClipping())
            clip = t.mapRect(painter()->clipBoundingRect()).toAlignedRect();
        texts.append({item.text(), t.mapRect(box).toRect(), clip, QFontInfo(item.font()).pixelSize()});
    }
    Type type() const override { return QPaintEngine::User; }

    QList<DrawnText> texts;
};

class RecordingDevice : public QPaintDevice {
public:
    explicit RecordingDevice(const QSize& size)
        : m_size(size)
    {
    }
    QPaintEngine* paintEngine() const override { return &m_engine; }
    QList<DrawnText> texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
        default: return 1000;
        }
    }

private:
    QSize m_size;
    mutable TextRecorder m_engine;
};

// What a widget (without its children) draws as text.
QList<DrawnText> RecordTexts(QWidget* w)
{
    RecordingDevice device(w->size());
    w->render(&device, QPoint(), QRegion(), QWidget::RenderFlags());
    return device.texts();
}

class Walker {
public:
    Walker(const QSize& screen, int minPixelSize)
        : m_screen(QPoint(0, 0), screen)
        , m_minPixel(minPixelSize)
    {
    }

    void walk(QWidget* w, QWidget* root, bool parentOff)
    {
        if (w != root && (w->isWindow() || !w->isVisibleTo(root)))
            return;
        if (w->width() <= 0 || w->height() <= 0)
            return;
        const QRect g = globalRect(w, w->rect());
        const bool off = !m_screen.contains(g);
        // One line for the outermost widget off the screen, not one per child.
        if (off && !parentOff)
            m_problems << QStringLiteral("off the screen %1: %2").arg(rectText(m_screen), describe(w));
        if (!off && w != root)
            checkControlShown(w);
        if (IsKeypad(w))
            addCover(w, g);
        if (w != root && IsControl(w))
            if (const QRect seen = visibleArea(w); !seen.isEmpty())
                m_controls.append({w, seen});
        inspect(w);
        if (const auto* painter = dynamic_cast<const PaintedTextSource*>(w))
            inspectPainted(w, painter->PaintedTexts());
        for (QObject* o : w->children())
            if (auto* c = qobject_cast<QWidget*>(o))
                walk(c, root, off || parentOff);
    }

    void finish()
    {
        checkValuesBesideCaptions();
        checkControlsApart();
        hideCovered();
        for (int i = 0; i < m_texts.size(); ++i)
            for (int j = i + 1; j < m_texts.size(); ++j)
                if (m_texts[i].drawn.intersects(m_texts[j].drawn))
                    m_problems << QStringLiteral("texts over each other: %1 and %2")
                                      .arg(m_texts[i].who, m_texts[j].who);
    }

    QStringList problems() const { return m_problems; }

private:
    // A widget that paints its caption itself publishes the font it uses.
    static QFont textFont(const QWidget* w)
    {
        const QVariant painted = w->property("captionFont");
        return painted.canConvert<QFont>() ? painted.value<QFont>() : w->font();
    }

    void checkPixelSize(const QWidget* w, const QString& text)
    {
        const int px = QFontInfo(textFont(w)).pixelSize();
        if (px < m_minPixel)
            m_problems << QStringLiteral("text of %1 px (at least %2): %3").arg(px).arg(m_minPixel).arg(describe(w, text));
    }

    // A text needing `need` inside `box` (widget coordinates), placed by `align`.
    void place(const QWidget* w, const QString& text, const QSize& need, const QRect& box, Qt::Alignment align)
    {
        if (need.width() > box.width() || need.height() > box.height())
            m_problems << QStringLiteral("text does not fit (needs %1x%2 in %3x%4): %5")
                              .arg(need.width()).arg(need.height()).arg(box.width()).arg(box.height())
                              .arg(describe(w, text));
        const QRect local = QStyle::alignedRect(w->layoutDirection(), align, need, box) & w->rect();
        const QRect drawn = globalRect(w, local);
        const QRect seen = drawn & visibleArea(w);
        if (!drawn.isEmpty() && seen != drawn)
            m_problems << QStringLiteral("text cut by its parent (%1 of %2 shown): %3")
                              .arg(rectText(seen), rectText(drawn), describe(w, text));
        if (!seen.isEmpty())
            m_texts.append({describe(w, text), seen, w});
        m_glyphs.insert(w, seen);
    }

    void addCover(const QWidget* pad, const QRect& area)
    {
        m_covers.append({pad, area});
        const QLineEdit* typing = MainWindowHooks::instance().curEdit();
        if (typing && typing->isVisible() && typing->window() == pad->window()
            && area.intersects(globalRect(typing, typing->rect())))
            m_problems << QStringLiteral("keypad over the field it types into: %1 over %2")
                              .arg(describe(pad), describe(typing, typing->text()));
    }

    // Texts under a keypad are hidden, not over the keys' captions.
    void hideCovered()
    {
        for (const auto& [pad, area] : m_covers)
            m_texts.erase(std::remove_if(m_texts.begin(), m_texts.end(),
                                         [&](const ShownText& t) {
                                             return t.drawn.intersects(area) && t.owner != pad
                                                    && !pad->isAncestorOf(t.owner);
                                         }),
                          m_texts.end());
    }

    // A control only partly shown (a key of a pad cut by its dialog) cannot
    // be read or pressed with confidence. Scrolled lists show part of a row
    // on purpose.
    void checkControlShown(const QWidget* w)
    {
        if (!qobject_cast<const QAbstractButton*>(w) && !qobject_cast<const QComboBox*>(w)
            && !qobject_cast<const QLineEdit*>(w))
            return;
        if (qobject_cast<const QComboBox*>(w->parentWidget()))
            return;
        for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
            if (qobject_cast<const QAbstractScrollArea*>(p))
                return;
        const QRect whole = globalRect(w, w->rect());
        const QRect seen = whole & visibleArea(w);
        if (seen != whole) {
            const auto* button = qobject_cast<const QAbstractButton*>(w);
            m_problems << QStringLiteral("control cut by its parent (%1 of %2 shown): %3")
                              .arg(rectText(seen), rectText(whole), describe(w, button ? button->text() : QString()));
        }
    }

    // Texts a widget paints itself, judged like a label's text in its box.
    void inspectPainted(const QWidget* w, const QList<PlacedText>& texts)
    {
        QList<QRect> children;
        for (const QObject* o : w->children())
            if (const auto* c = qobject_cast<const QWidget*>(o); c && !c->isWindow() && c->isVisible())
                children << c->geometry();
        for (const PlacedText& t : texts) {
            if (t.text.isEmpty())
                continue;
            const QString who = QStringLiteral("painted \"%1\" in %2").arg(shortText(t.text), describe(w));
            const int px = QFontInfo(t.font).pixelSize();
            if (px < m_minPixel)
                m_problems << QStringLiteral("text of %1 px (at least %2): %3").arg(px).arg(m_minPixel).arg(who);
            const QSize need = QFontMetrics(t.font).size(0, t.text);
            if (need.width() > t.rect.width() || need.height() > t.rect.height())
                m_problems << QStringLiteral("text does not fit (needs %1x%2 in %3x%4): %5")
                                  .arg(need.width()).arg(need.height()).arg(t.rect.width()).arg(t.rect.height()).arg(who);
            const QRect drawn = globalRect(w, t.rect);
            const QRect seen = drawn & visibleArea(w);
            if (!drawn.isEmpty() && seen != drawn)
                m_problems << QStringLiteral("text cut by its parent (%1 of %2 shown): %3")
                                  .arg(rectText(seen), rectText(drawn), who);
            // The widget's own children are drawn over what it paints.
            for (const QRect& c : children)
                if (c.intersects(t.rect))
                    m_problems << QStringLiteral("text under a control at %1: %2").arg(rectText(globalRect(w, c)), who);
            if (!seen.isEmpty())
                m_texts.append({who, seen, w});
        }
    }

    // Each tab's caption as the tab bar draws it (a style sheet may give
    // the tabs a font of their own): whole, inside its tab and its clip,
    // and each tab within the bar.
    void inspectTabs(QTabBar* bar)
    {
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = globalRect(bar, bar->tabRect(i));
            if ((tab & visibleArea(bar)) != tab)
                m_problems << QStringLiteral("tab cut by its bar (%1 shown of %2): %3")
                                  .arg(rectText(tab & visibleArea(bar)), rectText(tab), describe(bar, bar->tabText(i)));
        }
        // A caption mixing scripts comes in several runs: one text per tab.
        QList<DrawnText> drawn;
        QList<int> tabOf;
        for (const DrawnText& d : RecordTexts(bar)) {
            const int i = bar->tabAt(d.glyphs.center());
            const int at = i >= 0 ? int(tabOf.indexOf(i)) : -1;
            if (at < 0) {
                drawn << d;
                tabOf << i;
                continue;
            }
            DrawnText& whole = drawn[at];
            whole.text += d.text;
            whole.glyphs |= d.glyphs;
            whole.clip = whole.clip.isEmpty() || d.clip.isEmpty() ? QRect() : (whole.clip | d.clip);
            whole.pixelSize = std::min(whole.pixelSize, d.pixelSize);
        }
        for (int k = 0; k < drawn.size(); ++k) {
            const DrawnText& d = drawn[k];
            const int i = tabOf[k];
            const QString who = describe(bar, i >= 0 ? bar->tabText(i) : d.text);
            QRect room = i >= 0 ? bar->tabRect(i) : bar->rect();
            if (!d.clip.isEmpty())
                room &= d.clip;
            // An elided caption has lost letters as surely as a clipped one.
            const bool elided = d.text.contains(QChar(0x2026)) && i >= 0 && !bar->tabText(i).contains(QChar(0x2026));
            if ((d.glyphs & room) != d.glyphs || elided)
                m_problems << QStringLiteral("text does not fit its tab (\"%1\" needs %2x%3, shown in %4): %5")
                                  .arg(shortText(d.text)).arg(d.glyphs.width()).arg(d.glyphs.height())
                                  .arg(rectText(d.glyphs & room), who);
            if (d.pixelSize < m_minPixel)
                m_problems << QStringLiteral("text of %1 px (at least %2): %3").arg(d.pixelSize).arg(m_minPixel).arg(who);
            const QRect seen = globalRect(bar, d.glyphs & room) & visibleArea(bar);
            if (!seen.isEmpty())
                m_texts.append({who, seen, bar});
        }
    }

    // A control lying over another hides part of it from the finger (a
    // combo's field or a slider's buttons are parts of it, not others). A
    // keypad stands over its window's controls while it is open.
    void checkControlsApart()
    {
        const auto padOf = [this](const QWidget* w) -> const QWidget* {
            for (const auto& cover : std::as_const(m_covers))
                if (cover.first == w || cover.first->isAncestorOf(w))
                    return cover.first;
            return nullptr;
        };
        for (int i = 0; i < m_controls.size(); ++i)
            for (int j = i + 1; j < m_controls.size(); ++j) {
                const auto& [a, ra] = m_controls[i];
                const auto& [b, rb] = m_controls[j];
                if (!ra.intersects(rb) || a->isAncestorOf(b) || b->isAncestorOf(a) || padOf(a) != padOf(b))
                    continue;
                m_problems << QStringLiteral("controls over each other (%1 in common): %2 and %3")
                                  .arg(rectText(ra & rb), describe(a, ControlText(a)), describe(b, ControlText(b)));
            }
    }

    static QString ControlText(const QWidget* w)
    {
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            return button->text();
        if (const auto* combo = qobject_cast<const QComboBox*>(w))
            return combo->currentText();
        if (const auto* edit = qobject_cast<const QLineEdit*>(w))
            return edit->text();
        return QString();
    }

    // A value label (the buddy of its caption) reads with its caption: on
    // the caption's line right after it, or on the next line starting where
    // the caption starts.
    void checkValuesBesideCaptions()
    {
        for (auto it = m_glyphs.cbegin(); it != m_glyphs.cend(); ++it) {
            const auto* caption = qobject_cast<const QLabel*>(it.key());
            const auto* value = caption ? qobject_cast<const QLabel*>(caption->buddy()) : nullptr;
            if (!value || !m_glyphs.contains(value))
                continue;
            const QRect c = it.value();
            const QRect v = m_glyphs.value(value);
            const int line = std::max(c.height(), v.height());
            const bool sameLine = v.top() < c.bottom() && v.bottom() > c.top() && v.left() > c.right()
                                  && v.left() - c.right() <= 2 * line;
            const bool nextLine = v.top() > c.bottom() && v.top() - c.bottom() <= line && std::abs(v.left() - c.left()) <= 4;
            if (!sameLine && !nextLine)
                m_problems << QStringLiteral("value away from its caption: %1 (%2) for %3 (%4)")
                                  .arg(shortText(value->text()), rectText(v), shortText(caption->text()), rectText(c));
        }
    }

    void inspect(QWidget* w)
    {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty())
                return;
            checkPixelSize(w, label->text());
            const int m = label->margin();
            const QRect box = label->contentsRect().adjusted(m, m, -m, -m);
            // A label with a buddy shows "&N" as an underlined N.
            const QSize need = textSize(label->font(), label->text(), label->textFormat(),
                                        label->wordWrap() ? box.width() : 0, label->buddy() ? Qt::TextShowMnemonic : 0);
            place(w, label->text(), need, box, label->alignment());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->text().isEmpty())
                return;
            checkPixelSize(w, button->text());
            inspectButton(button);
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            checkPixelSize(w, combo->currentText());
            inspectCombo(combo);
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            // An editable combo's field is judged with its combo box.
            if (qobject_cast<QComboBox*>(w->parentWidget()))
                return;
            const QString text = edit->text().isEmpty() ? edit->placeholderText() : edit->text();
            if (text.isEmpty())
                return;
            checkPixelSize(w, text);
            const QMargins tm = edit->textMargins();
            const QRect box = edit->contentsRect().adjusted(tm.left() + 2, tm.top(), -tm.right() - 2, -tm.bottom());
            QSize need = QFontMetrics(edit->font()).size(Qt::TextSingleLine, text);
            // Typed text may scroll; a shown value (spin box, read-only) must not be cut.
            if (!edit->isReadOnly() && !qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
                need.setWidth(qMin(need.width(), box.width()));
            place(w, text, need, box, edit->alignment());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            if (group->title().isEmpty())
                return;
            checkPixelSize(w, group->title());
            QStyleOptionGroupBox opt;
            opt.initFrom(group);
            opt.text = group->title();
            opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            if (group->isCheckable())
                opt.subControls |= QStyle::SC_GroupBoxCheckBox;
            const QRect box = group->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
            place(w, group->title(), QFontMetrics(group->font()).size(Qt::TextShowMnemonic, group->title()), box,
                  Qt::AlignLeft | Qt::AlignVCenter);
        } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
            checkPixelSize(w, QString());
            inspectTabs(bar);
        } else if (qobject_cast<QAbstractItemView*>(w)) {
            checkPixelSize(w, QString());
        }
    }

    void inspectButton(QAbstractButton* button)
    {
        const QString text = button->text();
        const QFontMetrics fm(textFont(button));
        QSize need = fm.size(Qt::TextShowMnemonic, text);
        QRect box = button->contentsRect();
        Qt::Alignment align = Qt::AlignCenter;
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = text;
        opt.icon = button->icon();
        opt.iconSize = button->iconSize();
        if (!opt.icon.isNull())
            need.rwidth() += opt.iconSize.width() + 4;
        if (auto* push = qobject_cast<QPushButton*>(button)) {
            if (push->isFlat())
                opt.features |= QStyleOptionButton::Flat;
            if (push->menu())
                opt.features |= QStyleOptionButton::HasMenu;
            box = push->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, push);
        } else if (qobject_cast<QCheckBox*>(button)) {
            box = button->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, button);
            align = Qt::AlignLeft | Qt::AlignVCenter;
        } else if (qobject_cast<QRadioButton*>(button)) {
            box = button->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, button);
            align = Qt::AlignLeft | Qt::AlignVCenter;
        } else if (auto* tool = qobject_cast<QToolButton*>(button)) {
            if (tool->toolButtonStyle() == Qt::ToolButtonIconOnly)
                return;
            if (tool->toolButtonStyle() == Qt::ToolButtonTextUnderIcon)
                box.setTop(box.top() + tool->iconSize().height());
        }
        place(button, text, need, box, align);
    }

    void inspectCombo(QComboBox* combo)
    {
        QStyleOptionComboBox opt;
        opt.initFrom(combo);
        opt.editable = combo->isEditable();
        opt.frame = combo->hasFrame();
        opt.currentText = combo->currentText();
        opt.subControls = QStyle::SC_All;
        const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo);
        const QFontMetrics fm(combo->font());
        // Any item may be picked, so the widest one must fit as well.
        for (int i = 0; i < combo->count(); ++i) {
            const QString item = combo->itemText(i);
            if (i != combo->currentIndex() && fm.horizontalAdvance(item) > field.width()) {
                m_problems << QStringLiteral("item \"%1\" does not fit (needs %2 px of %3): %4")
                                  .arg(shortText(item)).arg(fm.horizontalAdvance(item)).arg(field.width())
                                  .arg(describe(combo));
                break;
            }
        }
        if (!opt.currentText.isEmpty())
            place(combo, opt.currentText, fm.size(Qt::TextSingleLine, opt.currentText), field,
                  Qt::AlignLeft | Qt::AlignVCenter);
    }

    QRect m_screen;
    int m_minPixel;
    QStringList m_problems;
    QList<ShownText> m_texts;
    QHash<const QWidget*, QRect> m_glyphs;  // where each widget's text lies
    QList<QPair<const QWidget*, QRect>> m_covers;  // keypads shown, in screen coordinates
    QList<QPair<const QWidget*, QRect>> m_controls;  // the part of each control its parents show
};

}  // namespace

QStringList check(QWidget* root, const QSize& screen, int minPixelSize)
{
    Walker walker(screen, minPixelSize);
    if (root)
        walker.walk(root, root, false);
    walker.finish();
    return walker.problems();
}

QStringList checkPainted(const QList<PaintedText>& texts, const QSize& screen)
{
    QStringList problems;
    const QRect screenRect(QPoint(0, 0), screen);
    for (const PaintedText& t : texts) {
        const QString who = QStringLiteral("painted \"%1\" at %2").arg(shortText(t.text), rectText(t.rect));
        if (!screenRect.contains(t.rect))
            problems << QStringLiteral("off the screen %1: %2").arg(rectText(screenRect), who);
        const int px = QFontInfo(t.font).pixelSize();
        if (px < t.minPixelSize)
            problems << QStringLiteral("text of %1 px (at least %2): %3").arg(px).arg(t.minPixelSize).arg(who);
        const QSize need = QFontMetrics(t.font).size(0, t.text);
        if (need.width() > t.rect.width() || need.height() > t.rect.height())
            problems << QStringLiteral("text does not fit (needs %1x%2): %3").arg(need.width()).arg(need.height()).arg(who);
    }
    for (int i = 0; i < texts.size(); ++i)
        for (int j = i + 1; j < texts.size(); ++j)
            if (texts[i].rect.intersects(texts[j].rect))
                problems << QStringLiteral("texts over each other: painted \"%1\" at %2 and \"%3\" at %4")
                                .arg(shortText(texts[i].text), rectText(texts[i].rect),
                                     shortText(texts[j].text), rectText(texts[j].rect));
    return problems;
}

}  // namespace LayoutCheck
