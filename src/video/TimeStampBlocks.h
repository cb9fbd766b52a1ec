#pragma once

// The simulator's machine-readable capture clock: a row of black and white
// blocks drawn into the luma of every picture at the bottom left. The
// simulator draws it; the player reads it to show the capture-to-screen
// latency of a simulator on this computer, and the benchmark to measure it.
//
// Layout, for a picture of width W and height H (both even):
//   block side  B = max(4, W / 48) rounded down to an even number
//   row         from y = H - 2B to H - B (one block high, one block of margin
//               below), cells from x = B, cell i covering x = B + i*B .. +B
//   cell 0      white, cell 1 black (start marker)
//   cells 2-33  T, the simulator's monotonic clock (CLOCK_MONOTONIC) in
//               milliseconds at capture, modulo 2^32, most significant bit
//               first; white = 1, black = 0
//   cells 34-41 check byte: bitwise NOT of the XOR of T's four bytes, most
//               significant bit first
// White is luma 235, black luma 16; the chroma under the row is neutral
// (128). A reader samples the centre of each cell (the mean of its middle
// half is more robust than one pixel) and takes luma >= 128 as white.

#include <cstdint>
#include <ctime>

class TimeStampBlocks
{
public:
    static constexpr int Cells = 42;

    // The clock the stamp carries, read the same way by the simulator that
    // draws it and by whoever compares a read stamp against the present.
    static uint32_t nowMs()
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return uint32_t(int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
    }

    static int blockSide(int width)
    {
        int side = width / 48;
        if (side < 4)
            side = 4;
        return side & ~1;
    }

    // Draws `ms` into an I420 picture. Does nothing when the row does not
    // fit (pictures narrower than 44 blocks or shorter than 2 blocks).
    static void paint(uint8_t *luma, int lumaStride, uint8_t *cb, uint8_t *cr, int chromaStride,
                      int width, int height, uint32_t ms)
    {
        const int b = blockSide(width);
        if ((Cells + 2) * b > width || 2 * b > height)
            return;
        const int top = height - 2 * b;
        for (int cell = 0; cell < Cells; ++cell) {
            const uint8_t value = bit(ms, cell) ? 235 : 16;
            const int left = b + cell * b;
            for (int y = top; y < top + b; ++y)
                for (int x = left; x < left + b; ++x)
                    luma[y * lumaStride + x] = value;
            for (int y = top / 2; y < (top + b) / 2; ++y)
                for (int x = left / 2; x < (left + b) / 2; ++x) {
                    cb[y * chromaStride + x] = 128;
                    cr[y * chromaStride + x] = 128;
                }
        }
    }

    // Reads the stamp from a picture's luma plane; false when the start
    // marker or the check byte does not match (no stamp, or damaged).
    static bool read(const uint8_t *luma, int lumaStride, int width, int height, uint32_t &ms)
    {
        const int b = blockSide(width);
        if ((Cells + 2) * b > width || 2 * b > height)
            return false;
        const int top = height - 2 * b;
        bool bits[Cells];
        for (int cell = 0; cell < Cells; ++cell) {
            const int left = b + cell * b;
            int sum = 0;
            int count = 0;
            for (int y = top + b / 4; y < top + b - b / 4; ++y)
                for (int x = left + b / 4; x < left + b - b / 4; ++x) {
                    sum += luma[y * lumaStride + x];
                    ++count;
                }
            bits[cell] = count > 0 && sum / count >= 128;
        }
        if (!bits[0] || bits[1])
            return false;
        uint32_t value = 0;
        for (int i = 0; i < 32; ++i)
            value = (value << 1) | (bits[2 + i] ? 1u : 0u);
        uint32_t check = 0;
        for (int i = 0; i < 8; ++i)
            check = (check << 1) | (bits[34 + i] ? 1u : 0u);
        if (check != checkByte(value))
            return false;
        ms = value;
        return true;
    }

    static uint32_t checkByte(uint32_t ms)
    {
        return ~((ms >> 24) ^ (ms >> 16) ^ (ms >> 8) ^ ms) & 0xffu;
    }

private:
    static bool bit(uint32_t ms, int cell)
    {
        if (cell == 0)
            return true;
        if (cell == 1)
            return false;
        if (cell < 34)
            return (ms >> (31 - (cell - 2))) & 1u;
        return (checkByte(ms) >> (7 - (cell - 34))) & 1u;
    }
};
