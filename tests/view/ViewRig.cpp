#include "ViewRig.h"

#include "foundation/MainGlobals.h"
#include "camera/CameraGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/CammerRecong.h"
#include "inspect/InspectHost.h"
#include "params/CammerSingleton.h"
#include "platform/vision/FrameBmp.h"
#include "view/CammerWidget.h"
#include "widgets/ChooseBox.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QDir>
#include <QSqlDatabase>

#include <cstring>

ViewRig::ViewRig(int cameras, int steps, int templateSlots, bool colour)
{
    LoadLanguageTable();
    LoadSkinPixmaps();
    gImageW = kW;
    gImageH = kH;
    gImageLen = kW * kH;
    gisColor = colour ? 1 : 0;
    gColorLen = gImageLen * (colour ? 4 : 1);
    gDNum = steps;
    gTempNum = templateSlots;
    gSource = -1;
    para.motionCorrect = -1;
    para.enableDefect = 1;
    para.detectOn[0] = para.detectOn[1] = 1;
    gpWPara = &para;
    InspectParams ip;
    ip.takeFrom(para);
    InspectHost::instance().setParams(ip);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dbIn"));
    db.setDatabaseName(dir.filePath(QStringLiteral("PARAM.db")));
    db.open();
    gpWarnBox = new WarnBox;
    gpChooseBox = new ChooseBox;
    gpNumPad = new NumberInput;
    gpNumCharPad = new NumCharInput;
    ViewHost::setInstance(&host);
    // Template 0 of every step: the plain grey of the tests' frames.
    std::vector<uint8_t> grey(size_t(gImageLen), 100);
    for (int c = 0; c < cameras; ++c)
        for (int s = 0; s < steps; ++s) {
            QDir().mkpath(QStringLiteral("cammer%1%2").arg(c + 1).arg(s + 1));
            WriteFrameBmp(QStringLiteral("cammer%1%2/template0.bmp").arg(c + 1).arg(s + 1), grey.data(), kW, kH, false);
        }
    for (int c = 0; c < cameras; ++c) {
        m_widgets.push_back(std::make_unique<CammerWidget>(nullptr, c));
        host.cameras.push_back(m_widgets.back().get());
        m_widgets.back()->setGeometry(0, 0, gShowW, gShowH);
    }
    host.state.selCamera = cameras;
}

ViewRig::~ViewRig()
{
    m_widgets.clear();
    ViewHost::setInstance(nullptr);
    gisColor = 0;
    gColorLen = gImageLen;
    delete gpWarnBox;
    delete gpChooseBox;
    delete gpNumPad;
    delete gpNumCharPad;
    gpWarnBox = nullptr;
    gpChooseBox = nullptr;
    gpNumPad = nullptr;
    gpNumCharPad = nullptr;
    gpWPara = nullptr;
    gSource = -1;
    QSqlDatabase::database(QStringLiteral("dbIn"), false).close();
    QSqlDatabase::removeDatabase(QStringLiteral("dbIn"));
}

void ViewRig::SetFrame(int c, int bg, int fg, const QRect& patch)
{
    CammerWidget* w = widget(c);
    std::fill(w->workBuffer.begin(), w->workBuffer.end(), uint8_t(bg));
    for (int y = patch.top(); y <= patch.bottom() && !patch.isEmpty(); ++y)
        std::memset(w->workBuffer.data() + size_t(y) * kW + patch.left(), fg, size_t(patch.width()));
    w->inspectFrame = w->workBuffer;
    w->ShowWorkFrame();
}

void ViewRig::AddLiveRect(int c, int g, const QRect& view, int code, int minSize, int sens, int maxArea)
{
    CammerWidget* w = widget(c);
    CammerSingleton& s = *w->liveSet;
    const int j = s.count[g];
    s.roi_type[g][j] = CammerSingleton::kRect;
    s.rect[g][j] = ClustomRect(view);
    s.algorithm[g][j] = code;
    s.min_size[g][j] = minSize;
    s.sensibility[g][j] = sens;
    s.max_area[g][j] = maxArea;
    w->liveMasks[g][j] = s.BuildMask(g, j);
    s.count[g] = j + 1;
    w->engine->VarTrain(g);
}

QImage ViewRig::Grab(int c)
{
    return widget(c)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRect ViewRig::ToView(const QRect& frame)
{
    const double sx = double(gShowW) / kW;
    const double sy = double(gShowH) / kH;
    return QRect(QPoint(int(frame.left() * sx), int(frame.top() * sy)),
                 QPoint(int((frame.right() + 1) * sx) - 1, int((frame.bottom() + 1) * sy) - 1));
}

bool HasColourNear(const QImage& img, QPoint at, QRgb colour, int radius)
{
    for (int y = at.y() - radius; y <= at.y() + radius; ++y)
        for (int x = at.x() - radius; x <= at.x() + radius; ++x)
            if (img.valid(x, y) && (img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                return true;
    return false;
}
