#include "VUR_VideoShares.h"

#include "VUR_Json.h"
#include "VUR_Semaphore.h"
#include "foundation/GLog.h"

#include <QFile>

#include <opencv2/imgproc.hpp>

#include <cerrno>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace {
key_t KeyOf(const QString& path, int prefix, int camera)
{
    // The decimal text of the prefix followed by the camera: 1000..1007, 2000..2007.
    const int id = QStringLiteral("%1%2").arg(prefix).arg(camera).toInt();
    return ftok(QFile::encodeName(path).constData(), id);
}
}  // namespace

VUR_VideoShares::~VUR_VideoShares()
{
    for (auto& [c, s] : m_shares)
        if (s.addr)
            shmdt(s.addr);
}

int VUR_VideoShares::FpsOf(int index)
{
    static const int kFps[] = {5, 10, 15, 20, 25};
    return index >= 0 && index < 5 ? kFps[index] : 0;
}

void VUR_VideoShares::Add(int camera, int width, int height, unsigned char* frame, int fpsIndex)
{
    VideoShareInfo s;
    s.camera = camera;
    s.width = width;
    s.height = height;
    s.size = width * height * 3 / 2;
    s.fps = FpsOf(fpsIndex);
    const key_t shmKey = KeyOf(m_keyPath, 100, camera);
    // I420 needs even sides; a share of another size is never filled.
    if (shmKey != -1 && width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0) {
        s.shmid = shmget(shmKey, size_t(s.size), IPC_CREAT | 0666);
        if (s.shmid < 0 && errno == EINVAL) {
            // A segment of an earlier run that is too small for this picture.
            const int old = shmget(shmKey, 0, 0);
            if (old >= 0 && shmctl(old, IPC_RMID, nullptr) == 0)
                s.shmid = shmget(shmKey, size_t(s.size), IPC_CREAT | 0666);
        }
        if (s.shmid >= 0) {
            void* a = shmat(s.shmid, nullptr, 0);
            s.addr = a == reinterpret_cast<void*>(-1) ? nullptr : a;
        }
    }
    if (s.shmid < 0 || !s.addr) {
        GLogInfo(QStringLiteral("VUR: no shared memory for camera %1: %2").arg(camera).arg(std::strerror(errno)));
        s.shmid = -1;
    }
    const key_t semKey = KeyOf(m_keyPath, 200, camera);
    s.sem = std::make_shared<VUR_Semaphore>(semKey);
    if (semKey != -1)
        s.sem->create_sem(1);
    s.semid = s.sem->semid();

    auto old = m_shares.find(camera);
    if (old != m_shares.end() && old->second.addr)
        shmdt(old->second.addr);
    m_shares[camera] = s;
    m_listed.append(s);
    if (s.shmid != -1 && frame)
        m_frameSources[camera] = frame;
}

unsigned char* VUR_VideoShares::frameSource(int camera) const
{
    auto it = m_frameSources.find(camera);
    return it == m_frameSources.end() ? nullptr : it->second;
}

bool VUR_VideoShares::Update(int camera, const QImage& picture, int waitMs)
{
    auto it = m_shares.find(camera);
    if (it == m_shares.end() || it->second.shmid == -1 || it->second.semid == -1 || !it->second.addr)
        return false;
    const VideoShareInfo& s = it->second;
    QImage pic = picture;
    if (pic.isNull()) {
        unsigned char* src = frameSource(camera);
        if (!src)
            return false;
        pic = QImage(src, s.width, s.height, QImage::Format_RGB32);
    }
    if (pic.width() != s.width || pic.height() != s.height)
        return false;
    if (pic.format() != QImage::Format_RGB32 && pic.format() != QImage::Format_ARGB32)
        pic = pic.convertToFormat(QImage::Format_RGB32);
    const cv::Mat bgra(s.height, s.width, CV_8UC4, const_cast<uchar*>(pic.constBits()), size_t(pic.bytesPerLine()));
    cv::Mat i420;
    cv::cvtColor(bgra, i420, cv::COLOR_BGRA2YUV_I420);
    if (!i420.isContinuous() || i420.total() * i420.elemSize() != size_t(s.size))
        return false;
    // The client reads under the same semaphore; a client that holds it
    // too long costs this frame, never the screen.
    if (!s.sem->P_sem(waitMs))
        return false;
    std::memcpy(s.addr, i420.data, size_t(s.size));
    s.sem->V_sem();
    return true;
}

void VUR_VideoShares::ResetSemaphores()
{
    for (auto& [c, s] : m_shares)
        s.sem->reset();
}

void VUR_VideoShares::Free()
{
    for (auto& [c, s] : m_shares) {
        if (s.addr)
            shmdt(s.addr);
        s.addr = nullptr;
        if (s.shmid != -1)
            shmctl(s.shmid, IPC_RMID, nullptr);
        s.sem->remove();
    }
    m_shares.clear();
    m_frameSources.clear();
}

QByteArray VUR_VideoShares::MemoryInfoJson() const
{
    cJSON* root = cJSON_CreateObject();
    cJSON* list = cJSON_CreateArray();
    for (const VideoShareInfo& s : m_listed) {
        cJSON* o = cJSON_CreateObject();
        VurJson::Num(o, "shmid", s.shmid);
        VurJson::Num(o, "semid", s.semid);
        VurJson::Num(o, "cameraid", s.camera);
        VurJson::Num(o, "size", s.size);
        VurJson::Num(o, "width", s.width);
        VurJson::Num(o, "height", s.height);
        VurJson::Num(o, "fps", s.fps);
        cJSON_AddItemToArray(list, o);
    }
    cJSON_AddItemToObject(root, "memoryinfo", list);
    return VurJson::Print(root);
}
