#include "TouchFileDialog.h"

#include "C_Type_COM.h"
#include "Edit.h"
#include "WarnBox.h"
#include "foundation/VisionGlobals.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

namespace {
// Scroll bars a finger can take hold of.
class WideBars : public QProxyStyle {
public:
    explicit WideBars(int extent)
        : m_extent(extent)
    {
    }
    int pixelMetric(PixelMetric m, const QStyleOption* option, const QWidget* widget) const override
    {
        if (m == PM_ScrollBarExtent)
            return m_extent;
        if (m == PM_ScrollBarSliderMin)
            return 2 * m_extent;
        return QProxyStyle::pixelMetric(m, option, widget);
    }

private:
    int m_extent;
};
}  // namespace

TouchFileDialog::TouchFileDialog(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter)
    : QFileDialog(parent, caption, directory, filter)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(gShowW <= 800 ? 20 : 30);
    setFont(f);
    setSizeGripEnabled(false);  // its size is the panel's; a corner grip only catches a finger
    // Made after the dialog's own widgets, so it goes after them.
    m_barStyle = new WideBars(TouchSize() * 2 / 3);
    m_barStyle->setParent(this);
    FitForTouch();
}

int TouchFileDialog::TouchSize()
{
    return IsSmallLayout() ? 48 : 64;
}

QLineEdit* TouchFileDialog::nameField() const
{
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

void TouchFileDialog::FitForTouch()
{
    const int t = TouchSize();
    const QSize icon(t * 3 / 4, t * 3 / 4);
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
        // A combo box's list opens as a window of its own and closes on a tap.
        if (view->window() != this || qobject_cast<QHeaderView*>(view))
            continue;
        view->setIconSize(icon);
    }
    for (QScrollBar* bar : findChildren<QScrollBar*>())
        bar->setStyle(m_barStyle);
    for (QToolButton* b : findChildren<QToolButton*>()) {
        b->setIconSize(icon);
        b->setFixedSize(t, t);  // Qt caps their height at a mouse's size
    }
    for (QComboBox* c : findChildren<QComboBox*>()) {
        c->setIconSize(icon / 2);
        c->setMinimumHeight(t);
    }
    if (auto* box = findChild<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons()) {
            b->setIconSize(icon / 2);
            b->setMinimumSize(3 * t, t);
        }
    // The list as the panel shows it, as wide as the dialog: the disk is the
    // only place to look; nothing here is to change it.
    for (const char* name : {"sidebar", "newFolderButton", "listModeButton", "detailModeButton"})
        if (auto* b = findChild<QWidget*>(QLatin1String(name)))
            b->hide();
    if (QLineEdit* field = nameField()) {
        field->setMinimumHeight(t);
        Edit::AttachCharPad(field);
    }
}

void TouchFileDialog::showEvent(QShowEvent* event)
{
    // In the middle of the panel, whatever window it was opened from.
    move((gShowW - width()) / 2, (gShowH - height()) / 2);
    QFileDialog::showEvent(event);
}

void TouchFileDialog::accept()
{
    // Qt would say so in a box of its own, too small for a finger.
    if (gpWarnBox && (fileMode() == ExistingFile || fileMode() == ExistingFiles)) {
        for (const QString& path : selectedFiles()) {
            if (QFileInfo::exists(path))
                continue;
            WarnText(QCoreApplication::translate(
                         "QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.")
                         .arg(QFileInfo(path).fileName()));
            return;
        }
    }
    QFileDialog::accept();
}
