#pragma once
// One System V semaphore (set of one) guarding a video share against the
// plant client's reads.
#include <sys/types.h>

class VUR_Semaphore {
public:
    explicit VUR_Semaphore(key_t key) : m_key(key) {}

    // Creates or finds the semaphore and sets it to 1; -1 on failure.
    int create_sem(int n = 1);
    // Finds an existing semaphore; -1 when there is none.
    int get_sem();
    // Takes the semaphore, waiting at most `timeoutMs`; false when it
    // stayed taken (the caller skips its copy) or does not exist.
    bool P_sem(int timeoutMs);
    void V_sem();
    // Back to 1, whatever a client that went away left it at.
    void reset();
    void remove();

    int semid() const { return m_semid; }

private:
    key_t m_key;
    int m_semid = -1;
};
