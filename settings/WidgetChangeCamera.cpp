#include "WidgetChangeCamera.h"

#include "SettingsPopups.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraStation.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/C_Type_COM.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/SkinPixmaps.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
struct Geometry {
    QSize dialog;
    int rowPitch, rowH, listX, listW, fontPx, captionX, captionW, captionPx;
};

Geometry CurrentGeometry()
{
    if (IsSmallLayout())
        return {{400, 330}, 35, 30, 245, 100, 16, 55, 260, 20};
    return {{550, 560}, 60, 50, 360, 160, 32, 20, 400, 32};
}
}  // namespace

WidgetChangeCamera::WidgetChangeCamera(QWidget* parent, CameraStation* station, int cameras,
                                       std::function<void()> shutDown)
    : QWidget(parent)
    , m_station(station)
    , m_cameras(std::clamp(cameras, 0, 8))
    , m_shutDown(std::move(shutDown))
{
    const Geometry g = CurrentGeometry();
    setGeometry((gShowW - g.dialog.width()) / 2, (gShowH - g.dialog.height()) / 2, g.dialog.width(), g.dialog.height());
    QFont f(QStringLiteral("times"));
    f.setPixelSize(g.fontPx);
    for (int i = 0; i < m_cameras; ++i) {
        gCamNO[i] = i;
        list[i] = new ComboBox(this);
        list[i]->setFont(f);
        list[i]->setItemHeight(g.rowH);
        for (int n = 1; n <= m_cameras; ++n)
            list[i]->addItem(LanStr(394).arg(n), n - 1);
        list[i]->setCurrentIndex(i);
        list[i]->setGeometry(g.listX, 10 + i * g.rowPitch, g.listW, g.rowH);
        connect(list[i], &QComboBox::currentIndexChanged, this, [this, i](int n) { SetCameraNO(i, n); });
    }
    confirmButton = new ColorButton(LanStr(121), this, 3);
    confirmButton->setGeometry(30, 10 + 8 * g.rowPitch, width() - 60, g.rowH);
    connect(confirmButton, &QPushButton::clicked, this, &WidgetChangeCamera::SlotOK);
    hide();
}

void WidgetChangeCamera::SetCameraNO(int camera, int number)
{
    if (camera >= 0 && camera < 8 && number >= 0 && number < 8)
        gCamNO[camera] = number;
}

void WidgetChangeCamera::SlotOK()
{
    for (int i = 0; i + 1 < m_cameras; ++i)
        for (int j = i + 1; j < m_cameras; ++j)
            if (gCamNO[i] == gCamNO[j]) {
                Warn(LanStr(361).arg(gCamNO[i] + 1));
                return;
            }
    hide();
    // Without an open camera there is no order to store: the stored one stays.
    if (m_station && m_station->numCamera > 0 && gCameraID != CAMERA_NONE)
        m_station->SaveSN(0);
    if (m_shutDown)
        m_shutDown();
}

QList<PaintedCaption> WidgetChangeCamera::captions() const
{
    // A caption ends before its drop-down list, and a long one ("Camera 1
    // switches to:") gets a smaller font rather than running under the list.
    const Geometry g = CurrentGeometry();
    const int width = g.listX - 10 - g.captionX;
    QList<PaintedCaption> out;
    for (int i = 1; i <= m_cameras; ++i) {
        PaintedCaption c;
        c.box = QRect(g.captionX, 10 + (i - 1) * g.rowPitch, width, g.rowH);
        c.text = LanStr(395).arg(i);
        c.color = Qt::yellow;
        c.family = QStringLiteral("times");
        c.pixelSize = g.captionPx;
        while (c.pixelSize > kLegiblePx && QFontMetrics(c.font()).horizontalAdvance(c.text) > width)
            --c.pixelSize;
        out << c;
    }
    return out;
}

void WidgetChangeCamera::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
    for (const PaintedCaption& c : captions()) {
        p.setFont(c.font());
        p.setPen(c.color);
        p.drawText(c.box, c.align, c.text);
    }
}
