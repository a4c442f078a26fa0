#pragma once
// Style-sheet helpers of the toolkit: one look for buttons, edits, bars and sliders.
#include <QWidget>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

class C_Type_COM : public QWidget {
    Q_OBJECT
public:
    // Palettes 0..3; any other value makes a palette helper do nothing.
    enum C_Color { Dark = 0, Green = 1, Blue = 2, Red = 3 };

    explicit C_Type_COM(QWidget* parent = nullptr);

    void setBtnQss(QPushButton* btn, const QString& normalBg, const QString& normalText,
                   const QString& hoverBg, const QString& hoverText,
                   const QString& pressedBg, const QString& pressedText);
    void setBtnQss(QPushButton* btn, int c);

    void setTxtQss(QLineEdit* edit, const QString& border, const QString& focusBorder);
    void setTxtQss(QLineEdit* edit, int c);

    void setBarQss(QProgressBar* bar, const QString& background, const QString& chunk);
    void setBarQss(QProgressBar* bar, int c);

    void setSliderQss(QSlider* slider, const QString& groove, const QString& subPage, const QString& handle);
    void setSliderQss(QSlider* slider, int c);

public slots:
    void initForm();
};

// Small layout up to 1024 px of screen width, large beyond.
bool IsSmallLayout();

// The panel's font names ("wqy-microhei", "wenquanyi") map to the installed
// WenQuanYi Micro Hei; call once after the application object exists.
void InstallFontSubstitutes();
