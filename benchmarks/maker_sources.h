#pragma once

// Sources for the maker's benchmarks: 8-bit BMP files written byte by byte, and the
// sprite that building them must give, put together by hand as well, so that neither
// side of a comparison comes from the code being timed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "benchmarks/bench_sprites.h"
#include "formats/byte_order.h"

namespace zandrel::bench {

struct MakerSources {
    std::vector<std::string> paths;  // in frame order
    std::size_t sourceBytes = 0;     // all the files together
    Bytes sprite;                    // what a build of them writes
};

// `count` pictures of width x height: each row a transparent margin, a stretch of
// opaque colours and the margin again, the top-left pixel transparent (index 0).
MakerSources WriteMakerSources(const ScratchFolder& scratch, std::size_t count, std::uint16_t width,
                               std::uint16_t height);

}  // namespace zandrel::bench
