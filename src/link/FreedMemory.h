#pragma once

// Large blocks a finished job or a passing backlog freed (a video session's
// picture pools, pictures that waited for a busy display, a firmware
// package's upload buffers) stay with the allocator unless it is told to
// give them back; over the reconnects, upgrades and busy moments of a long
// day that reads as growth. Called where such a job ends and every few
// seconds by the video reader, never per picture.
class FreedMemory
{
public:
    static void giveBack();
};
