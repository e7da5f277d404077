#pragma once

// Export of many sprites at once: sprite files and folders searched for sprites, each
// sprite's frames into a folder of its own (or one GIF per sprite) under one output
// folder that repeats the tree the sprites were found in. Sprites go out on a few
// threads at a time, each sprite whole on one; a sprite that cannot be read is
// reported and the others go on.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "os/outcome.h"

namespace zandrel {

enum class BatchFormat { Native, Png, Gif };

// What to export: sprite files and folders to search, and where to.
struct BatchJob {
    std::vector<std::string> sources;
    std::string out;
    bool recursive = false;
    BatchFormat format = BatchFormat::Native;
    // Refuse a sprite any of whose files exist already, instead of replacing them.
    bool keepExisting = false;
};

// Each source that is a file is a sprite; a folder is searched for files ending in
// ".spr" (any case), with `recursive` through its subfolders as well, in name order.
// A sprite found as `sub/hero.spr` below a searched folder goes to `out/sub/hero/`
// (or `out/sub/hero.gif`); a sprite named by itself to `out/hero/`.
//
// The sprites are never listed all at once: a walk over the folders hands them out
// one at a time, holding only the names of the folders it is in. A first walk counts
// them for the progress, the export walks again.
struct BatchCount {
    std::size_t sprites = 0;
    std::size_t frames = 0;  // that the sprites' headers declare, each at most the viewer's limit
    // Folders that cannot be searched, told as they are met.
    std::vector<std::string> refusals;
};
BatchCount CountBatch(const BatchJob& job);

// The text of a sprite refused for a file that is there already.
inline constexpr const char* kAlreadyThereFormat = "%s: %s already exists; with --no-clobber nothing of it is written";

// What became of one sprite.
struct BatchSpriteDone {
    std::string path;
    Outcome outcome;         // refused: the text names the sprite and why
    std::size_t frames = 0;  // frames of it written
    std::size_t files = 0;   // files written
};

struct BatchTotals {
    std::size_t sprites = 0;
    std::size_t frames = 0;
    std::size_t files = 0;
    std::size_t failures = 0;
    bool cancelled = false;
};

// Exports every sprite the job's sources hold on `threads` threads (at least one), each
// sprite whole on one; a lone sprite's frames share them all. A folder that cannot be
// searched is passed over here: the count tells it. `done` is called once per sprite as
// it finishes, on one thread at a time. Once `cancel` is set no further sprite is begun;
// those under way are finished, so that no file is left half-written.
BatchTotals RunBatch(const BatchJob& job, unsigned threads, const std::function<void(const BatchSpriteDone&)>& done,
                     const std::atomic<bool>& cancel);

// One thread per hardware thread, or one when that is unknown.
unsigned DefaultBatchThreads();

}  // namespace zandrel
