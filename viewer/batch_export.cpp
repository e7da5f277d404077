#include "viewer/batch_export.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "formats/spr_file.h"
#include "os/create_folders.h"
#include "os/file.h"
#include "os/paths.h"
#include "os/utf16.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel {
namespace {

namespace fs = std::filesystem;

bool IsSpriteName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".spr";
}

// The frames a sprite's header declares, up to what the viewer lists; 0 for a file
// too short to have a header. Only for the progress: the export reads the sprite anew.
std::size_t DeclaredFrames(const std::string& path) {
    try {
        const File file = File::OpenRead(path);
        ReaderSource<File> source(file);
        if (source.Length() < kSprHeaderBytes) return 0;
        return std::min<std::size_t>(SprFrameCountOf(ReadSprHeader(source)), kMaxFrames);
    } catch (const FileError&) {
        return 0;  // told when the export tries it
    }
}

// Where a sprite's output goes: `out`, the folders between the searched folder and the
// sprite, then the sprite's title.
std::string OutputOf(const BatchJob& job, const std::string& between, const std::string& spritePath) {
    const std::string folder = between.empty() ? job.out : JoinPath(job.out, between);
    const std::string title = FileTitleOf(spritePath);
    return JoinPath(folder, job.format == BatchFormat::Gif ? title + ".gif" : title);
}

struct FoundSprite {
    std::string path;
    std::string output;  // the frames' folder, or the animation's file
};

// The job's sprites one at a time, in the order of its sources; in a folder, the files
// in name order before its subfolders, each of those in turn. It holds the names of
// the folders it is in, never a list of every sprite.
class SpriteWalk {
public:
    explicit SpriteWalk(const BatchJob& job) : m_job(job) {}

    std::optional<FoundSprite> Next() {
        for (;;) {
            if (m_levels.empty()) {
                if (m_nSource == m_job.sources.size()) return std::nullopt;
                const std::string& source = m_job.sources[m_nSource++];
                m_strRoot = source;
                if (!IsExistingFolder(source)) {
                    // Anything else is tried as a sprite: its export tells why it cannot be read.
                    return FoundSprite{source, OutputOf(m_job, {}, source)};
                }
                Enter({});
                continue;
            }
            Level& level = m_levels.back();
            if (level.nFile < level.files.size()) {
                const std::string path = JoinPath(PathOf(level), level.files[level.nFile++]);
                return FoundSprite{path, OutputOf(m_job, level.between, path)};
            }
            if (level.nSubfolder < level.subfolders.size()) {
                const std::string& name = level.subfolders[level.nSubfolder++];
                Enter(level.between.empty() ? name : JoinPath(level.between, name));
                continue;
            }
            m_levels.pop_back();
        }
    }

    // Folders that could not be searched, as "folder: cause".
    const std::vector<std::string>& Refusals() const { return m_refusals; }

private:
    struct Level {
        std::string between;  // from the searched folder down to this one; empty at the top
        std::vector<std::string> files;
        std::vector<std::string> subfolders;
        std::size_t nFile = 0;
        std::size_t nSubfolder = 0;
    };

    std::string PathOf(const Level& level) const {
        return level.between.empty() ? m_strRoot : JoinPath(m_strRoot, level.between);
    }

    void Enter(std::string between) {
        Level level;
        level.between = std::move(between);
        const std::string folder = PathOf(level);
        std::error_code error;
        for (fs::directory_iterator it(PathFromUtf8(folder), fs::directory_options::skip_permission_denied, error), end;
             !error && it != end; it.increment(error)) {
            const std::string name = Utf8FromPath(it->path().filename());
            std::error_code kindError;
            if (it->is_directory(kindError)) {
                if (m_job.recursive) level.subfolders.push_back(name);
            } else if (IsSpriteName(name)) {
                level.files.push_back(name);
            }
        }
        if (error) m_refusals.push_back(folder + ": " + error.message());
        std::sort(level.files.begin(), level.files.end());
        std::sort(level.subfolders.begin(), level.subfolders.end());
        m_levels.push_back(std::move(level));
    }

    const BatchJob& m_job;
    std::size_t m_nSource = 0;
    std::string m_strRoot;
    std::vector<Level> m_levels;
    std::vector<std::string> m_refusals;
};

BatchSpriteDone ExportOne(const FoundSprite& item, const BatchJob& job, unsigned frameThreads) {
    const BatchFormat format = job.format;
    BatchSpriteDone done;
    done.path = item.path;
    SpriteModel sprite;
    const Outcome load = sprite.LoadSprite(item.path);
    if (!load.done) {
        // The viewer's open failure gives only the cause's number; here there is room for words.
        std::string text = load.text;
        if (const std::optional<FileError>& error = sprite.OpenError()) text = DescribeFileError(*error);
        done.outcome = Outcome::Refused(item.path + ": " + text);
        return done;
    }
    if (job.keepExisting) {
        const FrameFormat frameFormat = format == BatchFormat::Png ? FrameFormat::Png : FrameFormat::Native;
        const std::vector<std::string> existing =
            format == BatchFormat::Gif
                ? ExistingFrameFiles({LastNameOf(item.output)}, FolderOf(item.output), FrameFormat::Native)
                : ExistingFrameFiles(sprite.FrameNames(), item.output, frameFormat);
        if (!existing.empty()) {
            done.outcome =
                Outcome::Refused(FormatText(kAlreadyThereFormat, item.path.c_str(), existing.front().c_str()));
            return done;
        }
    }
    Outcome written;
    if (format == BatchFormat::Gif) {
        CreateFolders(FolderOf(item.output));
        written = ExportAnimation(sprite, item.output);
        if (written.done) done.files = 1;
    } else {
        CreateFolders(item.output);
        const FrameFormat frameFormat = format == BatchFormat::Png ? FrameFormat::Png : FrameFormat::Native;
        written = ExportAllFrames(sprite, sprite.FrameNames(), item.output, frameFormat, frameThreads);
        if (written.done) done.files = sprite.FrameCount();
    }
    if (written.done) done.frames = sprite.FrameCount();
    // A sprite read only in part (damaged, or with more frames than are listed) is
    // written as far as it goes, and counts as failed.
    if (!written.done) {
        done.outcome = Outcome::Refused(written.text);
    } else if (!load.text.empty()) {
        done.outcome = Outcome::Refused(load.text);
    } else {
        done.outcome = Outcome::Done();
    }
    return done;
}

// One sprite, whatever it throws told as its failure: a batch never ends on one sprite.
BatchSpriteDone ExportGuarded(const FoundSprite& item, const BatchJob& job, unsigned frameThreads) {
    try {
        return ExportOne(item, job, frameThreads);
    } catch (const FileError& error) {
        BatchSpriteDone done;
        done.path = item.path;
        done.outcome = Outcome::Refused(DescribeFileError(error));
        return done;
    } catch (...) {
        BatchSpriteDone done;
        done.path = item.path;
        done.outcome = Outcome::Refused(DescribeUnexpectedFailure("输出", item.path, ReasonOfCurrentFailure()));
        return done;
    }
}

}  // namespace

BatchCount CountBatch(const BatchJob& job) {
    BatchCount count;
    SpriteWalk walk(job);
    while (const std::optional<FoundSprite> sprite = walk.Next()) {
        ++count.sprites;
        count.frames += DeclaredFrames(sprite->path);
    }
    count.refusals = walk.Refusals();
    return count;
}

BatchTotals RunBatch(const BatchJob& job, unsigned threads, const std::function<void(const BatchSpriteDone&)>& done,
                     const std::atomic<bool>& cancel) {
    BatchTotals totals;
    std::mutex handing;  // the walk, and the totals with what is told
    SpriteWalk walk(job);
    // The first two sprites are taken before the threads start: a lone sprite has its
    // frames exported on them all, and two or more go side by side, each on one.
    std::vector<FoundSprite> waiting;
    for (int i = 0; i < 2; ++i) {
        if (std::optional<FoundSprite> sprite = walk.Next()) waiting.push_back(std::move(*sprite));
    }
    const bool lone = waiting.size() == 1;
    const unsigned frameThreads = lone ? std::max(threads, 1u) : 1;
    bool walked = waiting.size() < 2;  // to its end
    const auto take = [&]() -> std::optional<FoundSprite> {
        if (cancel.load()) return std::nullopt;
        const std::lock_guard lock(handing);
        if (!waiting.empty()) {
            FoundSprite sprite = std::move(waiting.front());
            waiting.erase(waiting.begin());
            return sprite;
        }
        std::optional<FoundSprite> sprite = walk.Next();
        if (!sprite) walked = true;
        return sprite;
    };
    const auto work = [&] {
        while (const std::optional<FoundSprite> sprite = take()) {
            const BatchSpriteDone finished = ExportGuarded(*sprite, job, frameThreads);
            const std::lock_guard lock(handing);
            ++totals.sprites;
            totals.frames += finished.frames;
            totals.files += finished.files;
            if (!finished.outcome.done) ++totals.failures;
            if (done) done(finished);
        }
    };
    const unsigned count = lone ? 1 : std::max(threads, 1u);
    std::vector<std::thread> pool;
    pool.reserve(count - 1);
    for (unsigned i = 1; i < count; ++i) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    totals.cancelled = !walked || !waiting.empty();
    return totals;
}

unsigned DefaultBatchThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace zandrel
