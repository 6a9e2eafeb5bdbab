// The image list's compressed blocks, written by the build (pixgen).
#pragma once

#include "VlmPixTable.h"

#include <cstddef>

struct VlmPixBlock {
    const unsigned char *data;   // zlib stream
    std::size_t size;            // bytes of the stream
    std::size_t rawSize;         // bytes when inflated
    int count;                   // images in the block
};

extern const VlmPixBlock VlmPixBlocks[VlmPixTable::BlockCount];
