#pragma once

// Large blocks a finished job freed (a video session's picture pools, a
// firmware package's upload buffers) stay with the allocator unless it is
// told to give them back; over the reconnects and upgrades of a long day
// that reads as growth. Called where such a job ends, never on a hot path.
class FreedMemory
{
public:
    static void giveBack();
};
