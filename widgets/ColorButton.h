#pragma once
// The picture button of nearly every screen.
#include <QPixmap>
#include <QPushButton>

class ColorButton : public QPushButton {
    Q_OBJECT
public:
    ColorButton(const QString& text, QWidget* parent, int fontClass = 3);
    ColorButton(const QPixmap& pixmap, QWidget* parent);

    void SetRepeat();
    void setPixmap(const QPixmap& pixmap);

    int fontClass() const { return m_fontClass; }
    // Pixel size of the caption for the current layout and language, unless
    // the owner set one (a long caption made to fit its button).
    int captionPixelSize() const;
    void setCaptionPixelSize(int px);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void SyncFont();
    int m_fontClass = 3;  // 3 normal, 4 large
    bool m_hasPixmap = false;
    int m_captionPx = 0;  // 0: by layout and language
    QPixmap m_pixmap;
};
