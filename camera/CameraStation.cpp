#include "CameraStation.h"

#include "CameraGlobals.h"
#include "CameraSide.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstring>

CameraStation::CameraStation(WizardPara* live, WizardPara* edit, CameraHost* host_)
    : livePara(live), editPara(edit), host(host_ ? host_ : &m_defaultHost)
{
    CreateCameraMutexes();
}

const WizardPara& CameraStation::SetterPara() const
{
    return host->settingsDialogVisible() ? *editPara : *livePara;
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
        switch (gCameraID) {
        case CAMERA_UEYE: {
            uint32_t clock = uint32_t(s);
            ueye::is_PixelClock(cam->ueyeHandle, ueye::IS_PIXELCLOCK_CMD_SET, &clock, sizeof(clock));
            break;
        }
        case CAMERA_MINDVISION:
            mind::CameraSetFrameSpeed(cam->mindHandle, gisColor ? s + 1 : s);
            break;
        case CAMERA_MVS:
            mvs::MV_CC_SetBoolValue(cam->mvsHandle, "AcquisitionFrameRateEnable", true);
            mvs::MV_CC_SetFloatValue(cam->mvsHandle, "AcquisitionFrameRate", float(s < 5 ? 20 : s));
            break;
        case CAMERA_DVP:
            cam->dvpFrameSkip.store(s);
            break;
        default:
            break;
        }
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
    if (mode == 0) {
        for (int c = 0; c < std::min(numCamera, kMaxCameras); ++c) {
            CameraSide* cam = cameras[c];
            if (!cam)
                continue;
            const int logical = gCameraID == CAMERA_IMV ? c : gCamNO[c];
            if (!camOpen[c]) {
                // A camera closed for now (lost) keeps the serial it opens by.
                SetSerialNB(logical, opened[c]);
                continue;
            }
            switch (gCameraID) {
            case CAMERA_UEYE: {
                ueye::CAMINFO info{};
                if (ueye::is_GetCameraInfo(cam->ueyeHandle, &info) == ueye::IS_SUCCESS) {
                    info.SerNo[sizeof(info.SerNo) - 1] = 0;
                    SetSerialNB(logical, info.SerNo);
                }
                break;
            }
            case CAMERA_MINDVISION: {
                mind::BYTE sn[32] = {};
                if (mind::CameraReadSN(cam->mindHandle, sn, 0) == mind::CAMERA_STATUS_SUCCESS) {
                    sn[31] = 0;
                    SetSerialNB(logical, reinterpret_cast<const char*>(sn));
                }
                break;
            }
            case CAMERA_MVS: {
                char sn[32] = {};
                if (cam->mvsDeviceInfo && cam->mvsDeviceInfo->nTLayerType == mvs::MV_GIGE_DEVICE) {
                    const char* src = cam->mvsDeviceInfo->SpecialInfo.stGigEInfo.chSerialNumber;
                    std::memcpy(sn, src, strnlen(src, sizeof(sn) - 1));
                }
                SetSerialNB(logical, sn);
                break;
            }
            case CAMERA_IMV:
                // IMV keeps its open order: the key goes to the widget's own row.
                SetSerialNB(logical, cam->imvCameraKey);
                break;
            default:
                break;
            }
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
