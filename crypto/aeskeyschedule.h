#ifndef PM_AESKEYSCHEDULE_H
#define PM_AESKEYSCHEDULE_H

// The round keys of one AES key, as AesCipher::expandKey writes them.
// Round key r takes bytes 16 r to 16 r + 15. A round count of 0 means the
// schedule holds no valid key; a schedule starts out that way, so one that
// was never expanded makes every block operation fail instead of reading
// bytes nobody wrote.
struct AesKeySchedule
{
    unsigned char roundKeys[240] = {};
    unsigned char roundCount = 0;
};

#endif // PM_AESKEYSCHEDULE_H
