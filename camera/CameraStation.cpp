#include "CameraStation.h"

#include "CameraFamilies.h"
#include "CameraGlobals.h"
#include "CameraSide.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>
#include <cstring>
#include <string>

CameraStation::CameraStation(WizardPara* live, WizardPara* edit, CameraHost* host_)
    : CameraState(live, edit, host_)
{
}

void CameraStation::CameraSetSpeed()
{
    const int s = livePara->cameraSpeed;
    for (int c = 0; c < std::min(numCamera, kMaxCameras); ++c) {
        CameraSide* cam = cameras[c];
        if (!cam)
            continue;
        if (camOpen[c])
            cam->CameraStop();
        cam->driver().applySpeed(s);
        cam->CameraStart();
    }
}

void CameraStation::SetAllExposeTime()
{
    for (CameraSide* cam : cameras)
        if (cam)
            cam->SetExposeTime();
}

void CameraStation::ApplyAcceptedSettings(const WizardPara& before)
{
    const WizardPara& now = *livePara;
    for (int c = 0; c < kMaxCameras; ++c) {
        CameraSide* cam = cameras[c];
        if (!cam)
            continue;
        if (now.exposure[c] != before.exposure[c] || now.autoExposure != before.autoExposure
            || now.autoShading != before.autoShading)
            cam->SetExposeTime();
        if (now.gain[c] != before.gain[c])
            cam->SetAdjustPlus();
        if (now.sharpness[c] != before.sharpness[c])
            cam->SetSharp();
        if (now.contrast[c] != before.contrast[c])
            cam->SetContrast();
        if (now.gamma[c] != before.gamma[c])
            cam->SetGamma();
    }
    for (int c = 0; c < std::min(numCamera, kMaxCameras); ++c)
        if (cameras[c])
            cameras[c]->CameraChangeTrig(false);
    CameraSetSpeed();
}

void CameraStation::SaveSN(int mode)
{
    // What each widget opened by at start-up (widget order).
    char opened[kMaxCameras][kSerialSize];
    std::memcpy(opened, gSerialNB, sizeof(opened));
    for (int n = 0; n < kMaxCameras; ++n)
        SetSerialNB(n, "0");
    const CameraFamily& family = CameraFamilyOf(gCameraID);
    if (mode == 0 && family.storesSerial) {
        for (int c = 0; c < std::min(numCamera, kMaxCameras); ++c) {
            CameraSide* cam = cameras[c];
            if (!cam)
                continue;
            // IMV keeps its open order: the key goes to the widget's own row.
            const int logical = family.orderByWidget ? c : gCamNO[c];
            std::string serial;
            if (!camOpen[c])
                SetSerialNB(logical, opened[c]);  // closed for now (lost): keep what it opens by
            else if (cam->driver().orderSerial(&serial))
                SetSerialNB(logical, serial.c_str());
        }
    }
    QSqlDatabase db = QSqlDatabase::database(snConnection);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("update sysparam set value=? where name=?"));
    for (int n = 0; n < kMaxCameras; ++n) {
        q.addBindValue(QString::fromLatin1(gSerialNB[n]));
        q.addBindValue(QStringLiteral("serialNB%1").arg(n));
        q.exec();
    }
    db.commit();
    for (int n = 0; n < std::min(numCamera, kMaxCameras); ++n)
        host->insertRecord(QStringLiteral("Save SN %1: %2").arg(n + 1).arg(QString::fromLatin1(gSerialNB[n])));
}
