#include "TitleButton.h"

#include "foundation/uitext.h"

#include <QFontMetrics>
#include <QPushButton>

namespace {
// The caption's pixel size, up to `largest`, at which it fits `width`
// ("Confirm" does not fit the 100-px button at 32 px).
int FittingPixelSize(const QFont& base, const QString& text, int width, int largest)
{
    QFont f = base;
    for (int px = largest; px > 12; --px) {
        f.setPixelSize(px);
        if (QFontMetrics(f).horizontalAdvance(text) <= width)
            return px;
    }
    return 12;
}
}  // namespace

QPushButton* TitleButton(TitleButtonKind kind, QWidget* parent)
{
    const bool confirm = kind == TitleButtonKind::Confirm;
    auto* b = new QPushButton(LanStr(confirm ? 121 : 124), parent);
    b->setFixedSize(100, 50);
    const int px = FittingPixelSize(b->font(), b->text(), 92, 32);
    b->setStyleSheet(QStringLiteral("outline:0px;border:none;font-size:%1px;color:white;background-color:%2;")
                         .arg(px)
                         .arg(QLatin1String(confirm ? "#8BC34A" : "#E91E63")));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}
