#pragma once
// The picture button of nearly every screen.
#include <QFont>
#include <QPixmap>
#include <QPushButton>

class ColorButton : public QPushButton {
    Q_OBJECT
    // The font the caption is painted in (the layout check reads it).
    Q_PROPERTY(QFont captionFont READ captionFont)
public:
    ColorButton(const QString& text, QWidget* parent, int fontClass = 3);
    ColorButton(const QPixmap& pixmap, QWidget* parent);

    void SetRepeat();
    void setPixmap(const QPixmap& pixmap);

    int fontClass() const { return m_fontClass; }
    // Pixel size of the caption for the current layout and language.
    int captionPixelSize() const;
    // That size, stepped down while the caption is wider than the button
    // inside its border, but never below a readable size.
    QFont captionFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_fontClass = 3;  // 3 normal, 4 large
    bool m_hasPixmap = false;
    QPixmap m_pixmap;
};
