#include "VUR_Semaphore.h"

#include <cerrno>
#include <ctime>
#include <sys/ipc.h>
#include <sys/sem.h>

namespace {
union SemArg {
    int val;
    semid_ds* buf;
    unsigned short* array;
};
}  // namespace

int VUR_Semaphore::create_sem(int n)
{
    const int id = semget(m_key, n, IPC_CREAT | 0666);
    if (id < 0)
        return id;
    m_semid = id;
    reset();
    return id;
}

int VUR_Semaphore::get_sem()
{
    const int id = semget(m_key, 0, 0);
    if (id >= 0)
        m_semid = id;
    return id;
}

bool VUR_Semaphore::P_sem(int timeoutMs)
{
    if (m_semid < 0)
        return false;
    sembuf op{0, -1, SEM_UNDO};
    timespec t{timeoutMs / 1000, long(timeoutMs % 1000) * 1000000L};
    while (semtimedop(m_semid, &op, 1, &t) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

void VUR_Semaphore::V_sem()
{
    if (m_semid < 0)
        return;
    sembuf op{0, 1, SEM_UNDO};
    semop(m_semid, &op, 1);
}

void VUR_Semaphore::reset()
{
    if (m_semid < 0)
        return;
    SemArg arg;
    arg.val = 1;
    semctl(m_semid, 0, SETVAL, arg);
}

void VUR_Semaphore::remove()
{
    if (m_semid >= 0)
        semctl(m_semid, 0, IPC_RMID);
    m_semid = -1;
}
