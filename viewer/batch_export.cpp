#include "viewer/batch_export.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <mutex>
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
        if (file.Length() < kSprHeaderBytes) return 0;
        std::array<std::uint8_t, kSprHeaderBytes> header{};
        file.ReadAt(0, header);
        return std::min<std::size_t>(SprFrameCountOf(ParseSprHeader(header)), kMaxFrames);
    } catch (const FileError&) {
        return 0;  // told when the export tries it
    }
}

// Where a sprite's output goes: `out`, the folders between the searched folder and the
// sprite, then the sprite's title.
std::string OutputOf(const std::string& out, const std::string& between, const std::string& spritePath,
                     BatchFormat format) {
    const std::string folder = between.empty() ? out : JoinPath(out, between);
    const std::string title = FileTitleOf(spritePath);
    return JoinPath(folder, format == BatchFormat::Gif ? title + ".gif" : title);
}

void AddSprite(BatchPlan& plan, const std::string& path, const std::string& out, const std::string& between,
               BatchFormat format) {
    BatchSprite sprite{path, OutputOf(out, between, path, format), DeclaredFrames(path)};
    plan.frames += sprite.frames;
    plan.sprites.push_back(std::move(sprite));
}

// The sprites in `folder`, and with `recursive` in its subfolders, in name order with
// the files of a folder before its subfolders'.
void SearchFolder(BatchPlan& plan, const std::string& root, const std::string& between, const std::string& out,
                  bool recursive, BatchFormat format) {
    const std::string folder = between.empty() ? root : JoinPath(root, between);
    std::vector<std::string> files;
    std::vector<std::string> subfolders;
    std::error_code error;
    for (fs::directory_iterator it(PathFromUtf8(folder), fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = Utf8FromPath(it->path().filename());
        std::error_code kindError;
        if (it->is_directory(kindError)) {
            if (recursive) subfolders.push_back(name);
        } else if (IsSpriteName(name)) {
            files.push_back(name);
        }
    }
    if (error) plan.refusals.push_back(folder + ": " + error.message());
    std::sort(files.begin(), files.end());
    std::sort(subfolders.begin(), subfolders.end());
    for (const std::string& name : files) AddSprite(plan, JoinPath(folder, name), out, between, format);
    for (const std::string& name : subfolders) {
        SearchFolder(plan, root, between.empty() ? name : JoinPath(between, name), out, recursive, format);
    }
}

BatchSpriteDone ExportOne(const BatchSprite& item, BatchFormat format, unsigned frameThreads, bool keepExisting) {
    BatchSpriteDone done;
    done.sprite = &item;
    SpriteModel sprite;
    const Outcome load = sprite.LoadSprite(item.path);
    if (!load.done) {
        // The viewer's open failure gives only the cause's number; here there is room for words.
        std::string text = load.text;
        if (const std::optional<FileError>& error = sprite.OpenError()) text = DescribeFileError(*error);
        done.outcome = Outcome::Refused(item.path + ": " + text);
        return done;
    }
    if (keepExisting) {
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
BatchSpriteDone ExportGuarded(const BatchSprite& item, BatchFormat format, unsigned frameThreads, bool keepExisting) {
    try {
        return ExportOne(item, format, frameThreads, keepExisting);
    } catch (const FileError& error) {
        BatchSpriteDone done;
        done.sprite = &item;
        done.outcome = Outcome::Refused(DescribeFileError(error));
        return done;
    } catch (...) {
        BatchSpriteDone done;
        done.sprite = &item;
        done.outcome = Outcome::Refused(DescribeUnexpectedFailure("输出", item.path, ReasonOfCurrentFailure()));
        return done;
    }
}

}  // namespace

BatchPlan PlanBatch(const std::vector<std::string>& sources, const std::string& out, bool recursive,
                    BatchFormat format) {
    BatchPlan plan;
    for (const std::string& source : sources) {
        if (IsExistingFolder(source)) {
            SearchFolder(plan, source, {}, out, recursive, format);
        } else {
            // Anything else is tried as a sprite: its export tells why it cannot be read.
            AddSprite(plan, source, out, {}, format);
        }
    }
    return plan;
}

BatchTotals RunBatch(const BatchPlan& plan, BatchFormat format, unsigned threads,
                     const std::function<void(const BatchSpriteDone&)>& done, const std::atomic<bool>& cancel) {
    BatchTotals totals;
    std::mutex told;
    std::atomic<std::size_t> next{0};
    // Sprites side by side, each on one thread; a lone sprite's frames on them all.
    const unsigned frameThreads = plan.sprites.size() == 1 ? threads : 1;
    const auto work = [&] {
        for (std::size_t i = next++; i < plan.sprites.size(); i = next++) {
            if (cancel.load()) return;
            const BatchSpriteDone finished = ExportGuarded(plan.sprites[i], format, frameThreads, plan.keepExisting);
            const std::lock_guard lock(told);
            ++totals.sprites;
            totals.frames += finished.frames;
            totals.files += finished.files;
            if (!finished.outcome.done) ++totals.failures;
            if (done) done(finished);
        }
    };
    const std::size_t count = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(plan.sprites.size(), 1));
    std::vector<std::thread> pool;
    pool.reserve(count - 1);
    for (std::size_t i = 1; i < count; ++i) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    totals.cancelled = cancel.load() && totals.sprites < plan.sprites.size();
    return totals;
}

unsigned DefaultBatchThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace zandrel
