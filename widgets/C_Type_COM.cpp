#include "C_Type_COM.h"

#include "foundation/VisionGlobals.h"

#include <QFont>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace {

struct Palette {
    const char* normalBg;
    const char* normalText;
    const char* hoverBg;
    const char* hoverText;
    const char* pressedBg;
    const char* pressedText;
    const char* editFocus;
    const char* sliderColour;
};

const Palette kPalettes[4] = {
    {"#323232", "#FFFFFF", "#323232", "#FFFFFF", "#C8934A", "#FFFFFF", "#34495E", "#191532"},
    {"#1ABC9C", "#E6F8F5", "#2EE1C1", "#FFFFFF", "#16A086", "#A7EEE6", "#1ABC9C", "#1ABC9C"},
    {"#3498DB", "#FFFFFF", "#5DACE4", "#E5FEFF", "#2483C7", "#A0DAFB", "#3498DB", "#3498DB"},
    {"#E74C3C", "#FFFFFF", "#EC7064", "#FFF5E7", "#DC2D1A", "#F5A996", "#E74C3C", "#E74C3C"},
};

const Palette* paletteOf(int c)
{
    return (c >= 0 && c < 4) ? &kPalettes[c] : nullptr;
}

const QString kEditBorder = QStringLiteral("#DCE4EC");
const QString kSliderGroove = QStringLiteral("#FFFBF0");

}  // namespace

void InstallFontSubstitutes()
{
    const QString installed = QStringLiteral("WenQuanYi Micro Hei");
    QFont::insertSubstitution(QStringLiteral("wqy-microhei"), installed);
    QFont::insertSubstitution(QStringLiteral("wenquanyi"), installed);
}

bool IsSmallLayout()
{
    return gShowW <= 1024;
}

C_Type_COM::C_Type_COM(QWidget* parent)
    : QWidget(parent)
{
}

void C_Type_COM::initForm()
{
}

void C_Type_COM::setBtnQss(QPushButton* btn, const QString& normalBg, const QString& normalText,
                           const QString& hoverBg, const QString& hoverText,
                           const QString& pressedBg, const QString& pressedText)
{
    btn->setFocusPolicy(Qt::NoFocus);
    QString qss;
    qss += QStringLiteral("QPushButton{border-style:none;padding:3px;border-radius:5px;color:%1;background:%2;}")
               .arg(normalText, normalBg);
    qss += QStringLiteral("QPushButton:hover{color:%1;background:%2;}").arg(hoverText, hoverBg);
    qss += QStringLiteral("QPushButton:pressed{color:%1;background:%2;}").arg(pressedText, pressedBg);
    btn->setStyleSheet(qss);
}

void C_Type_COM::setBtnQss(QPushButton* btn, int c)
{
    const Palette* p = paletteOf(c);
    if (!p)
        return;
    setBtnQss(btn, QLatin1String(p->normalBg), QLatin1String(p->normalText), QLatin1String(p->hoverBg),
              QLatin1String(p->hoverText), QLatin1String(p->pressedBg), QLatin1String(p->pressedText));
}

void C_Type_COM::setTxtQss(QLineEdit* edit, const QString& border, const QString& focusBorder)
{
    QString qss;
    qss += QStringLiteral("QLineEdit{border-style:none;padding:1px;border-radius:5px;border:2px solid %1;}").arg(border);
    qss += QStringLiteral("QLineEdit:focus{border:2px solid %1;}").arg(focusBorder);
    edit->setStyleSheet(qss);
}

void C_Type_COM::setTxtQss(QLineEdit* edit, int c)
{
    const Palette* p = paletteOf(c);
    if (!p)
        return;
    setTxtQss(edit, kEditBorder, QLatin1String(p->editFocus));
}

void C_Type_COM::setBarQss(QProgressBar* bar, const QString& background, const QString& chunk)
{
    QString qss;
    qss += QStringLiteral("QProgressBar{font:9pt;height:%2px;background:%1;border-radius:%3px;text-align:center;border:1px solid %1;}")
               .arg(background)
               .arg(8)
               .arg(8);
    qss += QStringLiteral("QProgressBar:chunk{border-radius:%2px;background-color:%1;}").arg(chunk).arg(8);
    bar->setStyleSheet(qss);
}

void C_Type_COM::setBarQss(QProgressBar*, int)
{
    // The bar has no palette form.
}

void C_Type_COM::setSliderQss(QSlider* slider, const QString& groove, const QString& subPage, const QString& handle)
{
    QString qss;
    qss += QStringLiteral("QSlider::groove:horizontal,QSlider::add-page:horizontal{height:%2px;border-radius:%3px;background:%1;}")
               .arg(groove)
               .arg(14)
               .arg(4);
    qss += QStringLiteral("QSlider::sub-page:horizontal{height:%2px;border-radius:%3px;background:%1;}")
               .arg(subPage)
               .arg(14)
               .arg(4);
    qss += QStringLiteral("QSlider::handle:horizontal{width:%2px;margin-top:-%3px;margin-bottom:-%3px;border-radius:%4px;"
                          "background:qradialgradient(spread:pad,cx:0.5,cy:0.5,radius:0.5,fx:0.5,fy:0.5,stop:0.6 #FFFFFF,stop:0.8 %1);}")
               .arg(handle)
               .arg(16)
               .arg(3)
               .arg(6);
    qss += QStringLiteral("QSlider {background:rgb(170,170,170);margin:5px;padding:2px;height:10px;border-radius:4px}");
    qss += QStringLiteral("QSlider::sub-page:horizontal{background:qlineargradient(spread:pad, x1:0, y1:0, x2:1, y2:0, stop:1 rgba(50,50,50, 255), stop:0 blue)}");
    slider->setStyleSheet(qss);
}

void C_Type_COM::setSliderQss(QSlider* slider, int c)
{
    const Palette* p = paletteOf(c);
    if (!p)
        return;
    setSliderQss(slider, kSliderGroove, QLatin1String(p->sliderColour), QLatin1String(p->sliderColour));
}
