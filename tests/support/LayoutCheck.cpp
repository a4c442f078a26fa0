#include "LayoutCheck.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

namespace LayoutCheck {
namespace {

struct ShownText {
    QString who;    // how the problem line names it
    QRect drawn;    // where the text's glyphs lie, in screen coordinates
};

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
        inspect(w);
        for (QObject* o : w->children())
            if (auto* c = qobject_cast<QWidget*>(o))
                walk(c, root, off || parentOff);
    }

    void finish()
    {
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
            m_texts.append({describe(w, text), seen});
    }

    void inspect(QWidget* w)
    {
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty())
                return;
            checkPixelSize(w, label->text());
            const int m = label->margin();
            const QRect box = label->contentsRect().adjusted(m, m, -m, -m);
            const QSize need = textSize(label->font(), label->text(), label->textFormat(),
                                        label->wordWrap() ? box.width() : 0, 0);
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
        } else if (qobject_cast<QAbstractItemView*>(w) || qobject_cast<QTabBar*>(w)) {
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
