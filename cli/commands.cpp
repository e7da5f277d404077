#include "cli/commands.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <map>
#include <new>
#include <optional>
#include <ostream>
#include <set>
#include <string_view>
#include <utility>

#include "maker/sprite_build.h"
#include "os/file.h"
#include "os/file_identity.h"
#include "os/terminal.h"
#include "palette/palette_convert.h"
#include "res/version.h"
#include "viewer/batch_export.h"
#include "viewer/frame_export.h"
#include "viewer/palette_import.h"
#include "viewer/sprite_model.h"
#include "viewer/thumbnail.h"

namespace zandrel {
namespace {

constexpr std::string_view kMainHelp =
    "Usage: zandrel-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Views, exports and builds Velmark sprite (SPR) files and converts their palettes.\n"
    "\n"
    "Commands:\n"
    "  info SPRITE                    the file line, then a line per frame: NAME WxH\n"
    "  export SPRITE OUTDIR [--palette PAL] [--format png]\n"
    "                                 every frame into OUTDIR under its list name\n"
    "  export SPRITE --frame N OUTFILE [--palette PAL] [--format png]\n"
    "                                 frame N (counted from 0) into OUTFILE\n"
    "  export [-r] [-j N] [--format bmp|tga|png|gif] SOURCE... OUT\n"
    "                                 many sprites, and folders of them, each into a\n"
    "                                 folder of its own under OUT\n"
    "  animate SPRITE OUT.gif [--fps N] [--palette PAL]\n"
    "                                 every frame as a looping animated GIF\n"
    "  build [-j N] OUTPUT SOURCE...  a sprite from 256-colour BMPs and indexed PNGs, or\n"
    "                                 from 32-bit TGAs and RGB(A) PNGs, and from the\n"
    "                                 frames of sprites (hero.spr, or hero.spr:3)\n"
    "  thumbnail [--size N] SPRITE OUT.png\n"
    "                                 the first frame fitted into N x N, for file managers\n"
    "  palette export SPRITE OUTFILE [--layout velmark|microsoft]\n"
    "  palette export SPRITE OUTFILE --format jasc|gimp|act\n"
    "  palette convert SOURCE DEST --to microsoft|velmark|jasc|gimp|act\n"
    "\n"
    "Examples:\n"
    "  zandrel-cli export hero.spr frames --format png\n"
    "  zandrel-cli export -r --format png data/sprites frames\n"
    "  zandrel-cli animate hero.spr hero.gif --fps 12\n"
    "  zandrel-cli build hero.spr frames/hero000.png frames/hero001.png\n"
    "  zandrel-cli build both.spr hero.spr:0 hero.spr:2 slime.spr\n"
    "\n"
    "'zandrel-cli COMMAND --help' tells more of one command; 'zandrel-cli --version'\n"
    "prints the version.\n"
    "Exit status: 0 done, 1 refused or failed, 2 bad usage.\n";

constexpr std::string_view kInfoHelp =
    "Usage: zandrel-cli info SPRITE\n"
    "\n"
    "Prints the sprite's file line (path and kind), then one line per frame: the name\n"
    "its export gets, then its width x height.\n";

constexpr std::string_view kExportHelp =
    "Usage: zandrel-cli export SPRITE OUTDIR [--palette PAL] [--format bmp|tga|png]\n"
    "       zandrel-cli export SPRITE --frame N OUTFILE [--palette PAL] [--format bmp|tga|png]\n"
    "       zandrel-cli export [-r] [-j N] [--progress] [--format bmp|tga|png|gif] SOURCE... OUT\n"
    "\n"
    "Writes frames as images: palettised sprites as 8-bit BMP files, true-colour\n"
    "sprites as 32-bit TGA files with alpha. The first form writes every frame into\n"
    "the existing folder OUTDIR under its list name (hero000.bmp, hero001.bmp, ...),\n"
    "replacing files of those names; the second writes frame N, counted from 0, to\n"
#ifdef _WIN32
    "OUTFILE exactly as named.\n"
#else
    "OUTFILE exactly as named. OUTFILE may be a device or a named pipe, and\n"
    "/dev/stdout too: the completion text then goes to stderr.\n"
#endif
    "\n"
    "  --palette PAL   colour palettised frames with the palette file PAL instead of\n"
    "                  the sprite's own (1024-byte Velmark or 1048-byte Microsoft layout)\n"
    "  --format png    write PNG files instead: palettised frames as 8-bit indexed PNG\n"
    "                  with the sprite's 256 colours and index 0 transparent, true-colour\n"
    "                  frames as RGBA PNG with their alpha; the list names end in .png.\n"
    "                  bmp (palettised) and tga (true-colour) name the default.\n"
    "                  Without --format, one frame's OUTFILE ending in .png is PNG.\n"
    "\n"
    "The third form exports many sprites: each SOURCE is a sprite, or a folder whose\n"
    "files ending in .spr (any case) are taken, with -r those of its subfolders too.\n"
    "Every sprite's frames go into a folder of its own under OUT, named after the\n"
    "sprite and below the same subfolders it was found in (OUT/monsters/slime/...);\n"
    "with --format gif each sprite becomes one animated GIF there instead\n"
    "(OUT/monsters/slime.gif), as animate writes it. Folders are made as needed and\n"
    "files of the same names replaced. bmp and tga each name the sprites' own format.\n"
    "A sprite that cannot be read is reported and the others go on; the exit status is\n"
    "then 1. Ctrl+C stops before the next sprite: the files written stay, complete.\n"
    "It takes this form for more than one SOURCE, a folder, or --format gif.\n"
    "\n"
    "  -r              search the folders' subfolders too\n"
    "  -j N            export N sprites at a time (default: one per processor); for\n"
    "                  one sprite, its frames on N threads\n"
    "  --progress      show the progress line also when stderr is not a terminal\n"
    "  --no-clobber    (every form) write nothing of a sprite, or no frame, when a file it\n"
    "                  would write is there already, and end with exit 1\n"
    "\n"
    "Examples: zandrel-cli export hero.spr frames --format png\n"
    "          zandrel-cli export -r -j 2 --format png data/sprites frames\n";

constexpr std::string_view kAnimateHelp =
    "Usage: zandrel-cli animate SPRITE OUT.gif [--fps N] [--palette PAL]\n"
    "\n"
    "Writes every frame of a palettised sprite, in list order, as a looping animated\n"
    "GIF: each frame centred on a canvas as wide and as high as the largest frame, the\n"
    "sprite's 256 colours as the colour table with index 0 transparent, each frame\n"
    "cleared before the next. True-colour sprites are refused.\n"
    "\n"
    "  --fps N         frames per second, 1 to 100 (default 10); the GIF stores the\n"
    "                  delay in hundredths of a second, 100 / N rounded to nearest\n"
    "  --palette PAL   colour the frames with the palette file PAL instead of the\n"
    "                  sprite's own\n"
    "\n"
    "Example: zandrel-cli animate hero.spr hero.gif --fps 12\n";

constexpr std::string_view kBuildHelp =
    "Usage: zandrel-cli build [-j N] OUTPUT SOURCE...\n"
    "\n"
    "Builds the sprite OUTPUT from the sources, one frame each, in the order given.\n"
    "All sources are palettised: 256-colour uncompressed BMP files or indexed PNG files\n"
    "(a palettised sprite with the first source's palette; a picture's transparent\n"
    "colour is the entry its PNG transparency marks fully transparent, else its\n"
    "top-left pixel); or all are true-colour: 32-bit uncompressed TGA files or RGB,\n"
    "RGBA and grey PNG files (a true-colour sprite). The kind goes by the extension,\n"
    "and for a PNG by its header. OUTPUT is replaced only when the build is complete.\n"
    "\n"
    "A sprite is a source too: SPRITE.spr stands for all its frames in order, and\n"
    "SPRITE.spr:N for its frame N alone, counted from 0 (a file of that very name is\n"
    "taken as it is). A frame is taken as stored: a palettised sprite's frame keeps its\n"
    "indices, index 0 transparent, with its sprite's palette, and goes with palettised\n"
    "images; a true-colour sprite's frame goes with true-colour ones. The first source\n"
    "gives the palette, whatever it is. Built from all its frames, a sprite this program\n"
    "wrote comes out byte for byte the same, and OUTPUT may be one of the sprites read.\n"
    "\n"
    "Options:\n"
    "  -j N            read and encode the sources on N threads (default: one per\n"
    "                  processor); the sprite is the same whatever the count\n"
    "\n"
    "Examples: zandrel-cli build hero.spr frames/hero000.png frames/hero001.png\n"
    "          zandrel-cli build hero.spr hero.spr:0 new.bmp hero.spr:2\n";

constexpr std::string_view kThumbnailHelp =
    "Usage: zandrel-cli thumbnail [--size N] SPRITE OUT.png\n"
    "\n"
    "Writes the sprite's first frame as a PNG, scaled by nearest neighbour so that its\n"
    "larger side is N pixels (default 128, at most 4096); index 0 of a palettised frame\n"
    "is transparent. Only the header, the palette and the first frame are read. A damaged\n"
    "sprite writes nothing and ends with exit 1. File managers run it through the\n"
    "installed zandrel.thumbnailer.\n"
    "\n"
    "Example: zandrel-cli thumbnail --size 256 hero.spr hero.png\n";

constexpr std::string_view kPaletteHelp =
    "Usage: zandrel-cli palette export SPRITE OUTFILE [--layout velmark|microsoft]\n"
    "       zandrel-cli palette export SPRITE OUTFILE --format jasc|gimp|act\n"
    "       zandrel-cli palette convert SOURCE DEST --to microsoft|velmark|jasc|gimp|act\n"
    "\n"
    "export writes the palette of a palettised sprite to OUTFILE, in the Velmark layout\n"
    "(1024 bytes, the default) or the Microsoft RIFF layout (1048 bytes), or with\n"
    "--format in a paint program's palette format: a JASC-PAL or GIMP text palette, or\n"
    "an Adobe colour table (.act).\n"
    "convert writes the palette file SOURCE again into DEST in the format given by --to.\n"
    "A source that shows its format (1024 bytes; a RIFF palette of 1048 bytes; JASC-PAL,\n"
    "GIMP, or an .act of 768 or 772 bytes) is read as that, and one already in the\n"
    "format asked for is refused; any other is taken to be in the other layout.\n"
    "Paint palettes of fewer than 256 colours are filled up with black.\n";

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string, std::less<>> options;
    bool help = false;
    std::string error;
};

// Options take one value each, except `flags`, which take none; "--" ends the options,
// so that paths may begin with "-".
Arguments Parse(const std::vector<std::string>& args, std::size_t first, const std::set<std::string_view>& known,
                const std::set<std::string_view>& flags = {}) {
    Arguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (flags.contains(arg)) {
            parsed.options.emplace(arg, std::string());
        } else if (!known.contains(arg)) {
            parsed.error = "unknown option " + arg;
        } else if (i + 1 >= args.size()) {
            parsed.error = "option " + arg + " needs a value";
        } else if (!parsed.options.emplace(arg, args[i + 1]).second) {
            parsed.error = "option " + arg + " given twice";
        } else {
            ++i;
        }
    }
    return parsed;
}

int Usage(std::ostream& err, std::string_view problem, std::string_view help) {
    err << "zandrel-cli: " << problem << "\n\n" << help;
    return kExitUsage;
}

void Say(std::ostream& stream, const std::string& text) {
    if (text.empty()) return;
    stream << text;
    if (text.back() != '\n') stream << '\n';
}

int Report(const Outcome& outcome, std::ostream& out, std::ostream& err) {
    Say(outcome.done ? out : err, outcome.text);
    return outcome.done ? kExitDone : kExitFailed;
}

// Is `path` the standard output under another name (/dev/stdout)? Looked at before the
// file is written, since replacing a file gives it another identity.
bool IsStandardOutput(const std::string& path) {
    const std::optional<FileIdentity> output = IdentityOfStandardOutput();
    return output && IdentityOf(path) == output;
}

// The outcome of a command that wrote `destination`. When that is the standard output
// the completion text goes to stderr, so that it does not run into the file's bytes
// (`export --frame 0 /dev/stdout | other-program`).
int ReportWritten(const std::string& destination, const auto& write, std::ostream& out, std::ostream& err) {
    const bool toOutput = IsStandardOutput(destination);
    return Report(write(), toOutput ? err : out, err);
}

// Loads the sprite; the warning of a damaged sprite is told at once and turns a
// finished command into a partial one (exit 1).
bool Load(SpriteModel& sprite, const std::string& path, std::ostream& err, bool& damaged) {
    const Outcome load = sprite.LoadSprite(path);
    Say(err, load.text);
    // The viewer's open failure gives only the cause's number; here there is room for
    // the words.
    if (const std::optional<FileError>& error = sprite.OpenError()) Say(err, DescribeFileError(*error));
    damaged = load.done && sprite.LoadProblem() != SprIndexProblem::None;
    return load.done;
}

bool NeedsPalette(const SpriteModel& sprite, std::ostream& err) {
    if (!sprite.IsTrueColour()) return true;
    Say(err, FormatText(kTrueColourHasNoPaletteFormat, sprite.Path().c_str()));
    return false;
}

// --palette PAL: the palettised sprite's colours from PAL. False when refused (told).
bool ApplyPaletteOption(const Arguments& parsed, SpriteModel& sprite, std::ostream& out, std::ostream& err) {
    const auto it = parsed.options.find("--palette");
    if (it == parsed.options.end()) return true;
    if (!NeedsPalette(sprite, err)) return false;
    const Outcome imported = ImportPalette(it->second, sprite.Palette());
    if (!imported.done) Report(imported, out, err);
    return imported.done;
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments parsed = Parse(args, 1, {});
    if (parsed.help) return out << kInfoHelp, kExitDone;
    if (!parsed.error.empty()) return Usage(err, parsed.error, kInfoHelp);
    if (parsed.positional.size() != 1) return Usage(err, "info takes one sprite", kInfoHelp);

    SpriteModel sprite;
    bool damaged = false;
    if (!Load(sprite, parsed.positional[0], err, damaged)) return kExitFailed;
    out << sprite.FileLine() << '\n';
    const std::vector<std::string> names = sprite.FrameNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        out << names[i] << ' ' << sprite.Frame(i).width << 'x' << sprite.Frame(i).height << '\n';
    }
    return damaged ? kExitFailed : kExitDone;
}

// Set by Ctrl+C during a batch; a second Ctrl+C ends the program at once.
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
    std::signal(SIGINT, SIG_DFL);
}

std::string Duration(double seconds) {
    const long long whole = std::llround(seconds);
    return FormatText("%lld:%02lld", whole / 60, whole % 60);
}

// "12/200 sprites  240/4000 frames  1234 frames/s  0:03 left", redrawn in place.
class ProgressLine {
public:
    ProgressLine(std::ostream& err, bool shown, const BatchCount& count)
        : m_err(err), m_bShown(shown), m_count(count) {}

    void Update(const BatchTotals& totals) {
        if (!m_bShown) return;
        const double seconds = Elapsed();
        const double rate = seconds > 0 ? static_cast<double>(totals.frames) / seconds : 0;
        std::string line = FormatText("%zu/%zu sprites  %zu/%zu frames", totals.sprites, m_count.sprites, totals.frames,
                                      m_count.frames);
        if (totals.frames > 0) {
            const double left =
                rate > 0 ? static_cast<double>(m_count.frames - std::min(totals.frames, m_count.frames)) / rate : 0;
            line += FormatText("  %.0f frames/s  %s left", rate, Duration(left).c_str());
        }
        const std::size_t drawn = line.size();
        if (line.size() < m_nLast) line.append(m_nLast - line.size(), ' ');
        m_nLast = drawn;
        m_err << '\r' << line << std::flush;
    }
    void End() {
        if (m_bShown && m_nLast > 0) m_err << '\n';
        m_nLast = 0;
    }
    // Before a message of its own line.
    void Interrupt() { End(); }
    double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(); }

private:
    std::ostream& m_err;
    bool m_bShown;
    const BatchCount& m_count;
    std::size_t m_nLast = 0;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// --no-clobber and a file that is there: nothing is written.
int Refuse(std::ostream& err, const std::string& existing) {
    err << "zandrel-cli: " << existing << " already exists; with --no-clobber nothing is written\n";
    return kExitFailed;
}

// -j N: how many threads, 1 to 256; `otherwise` when not given, nothing when malformed.
std::optional<unsigned> ThreadsOption(const Arguments& parsed, unsigned otherwise) {
    const auto it = parsed.options.find("-j");
    if (it == parsed.options.end()) return otherwise;
    unsigned threads = 0;
    const std::string& text = it->second;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
    if (error != std::errc() || end != text.data() + text.size() || threads < 1 || threads > 256) return std::nullopt;
    return threads;
}

// A malformed -j, told with the command's help.
int BadThreads(const Arguments& parsed, std::ostream& err, std::string_view help) {
    return Usage(err, "-j takes a number from 1 to 256, not " + parsed.options.at("-j"), help);
}

int ExportBatch(const Arguments& parsed, std::ostream& out, std::ostream& err) {
    if (parsed.options.contains("--frame")) return Usage(err, "--frame takes one sprite", kExportHelp);
    if (parsed.options.contains("--palette")) return Usage(err, "--palette takes one sprite", kExportHelp);
    BatchFormat format = BatchFormat::Native;
    if (const auto it = parsed.options.find("--format"); it != parsed.options.end()) {
        if (it->second != "png" && it->second != "bmp" && it->second != "tga" && it->second != "gif") {
            return Usage(err, "--format is bmp, tga, png or gif, not " + it->second, kExportHelp);
        }
        if (it->second == "png") format = BatchFormat::Png;
        if (it->second == "gif") format = BatchFormat::Gif;
    }
    const std::optional<unsigned> threads = ThreadsOption(parsed, DefaultBatchThreads());
    if (!threads) return BadThreads(parsed, err, kExportHelp);
    std::vector<std::string> sources(parsed.positional.begin(), parsed.positional.end() - 1);
    const std::string& destination = parsed.positional.back();

    const BatchJob job{std::move(sources), destination, parsed.options.contains("-r"), format,
                       parsed.options.contains("--no-clobber")};
    const BatchCount count = CountBatch(job);
    for (const std::string& refusal : count.refusals) Say(err, "zandrel-cli: " + refusal);
    ProgressLine progress(err, parsed.options.contains("--progress") || StandardErrorIsTerminal(), count);
    BatchTotals running;
    const auto done = [&](const BatchSpriteDone& finished) {
        ++running.sprites;
        running.frames += finished.frames;
        if (!finished.outcome.done) {
            progress.Interrupt();
            Say(err, finished.outcome.text);
        }
        progress.Update(running);
    };
    g_interrupted.store(false);
    const auto previous = std::signal(SIGINT, OnInterrupt);
    const BatchTotals totals = RunBatch(job, *threads, done, g_interrupted);
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    progress.End();
    if (totals.cancelled) {
        err << "zandrel-cli: stopped by Ctrl+C after " << totals.sprites << " of " << count.sprites
            << " sprites; the files written are complete\n";
    }
    out << totals.sprites << " sprites, " << totals.frames << " frames, " << totals.files << " files, "
        << totals.failures << " failed, " << FormatText("%.1f", progress.Elapsed()) << " s\n";
    const bool whole = totals.failures == 0 && count.refusals.empty() && !totals.cancelled;
    return whole ? kExitDone : kExitFailed;
}

int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments parsed =
        Parse(args, 1, {"--palette", "--frame", "--format", "-j"}, {"-r", "--progress", "--no-clobber"});
    if (parsed.help) return out << kExportHelp, kExitDone;
    if (!parsed.error.empty()) return Usage(err, parsed.error, kExportHelp);
    // Many sources, a folder or one GIF per sprite: the batch. One sprite keeps its own form.
    const bool gif = parsed.options.contains("--format") && parsed.options.at("--format") == "gif";
    if (parsed.positional.size() > 2 || gif ||
        (parsed.positional.size() == 2 && IsExistingFolder(parsed.positional[0]))) {
        return ExportBatch(parsed, out, err);
    }
    if (parsed.positional.size() != 2) return Usage(err, "export takes a sprite and a destination", kExportHelp);
    const bool noClobber = parsed.options.contains("--no-clobber");

    std::optional<std::size_t> frame;
    if (const auto it = parsed.options.find("--frame"); it != parsed.options.end()) {
        std::size_t value = 0;
        const std::string& text = it->second;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size()) {
            return Usage(err, "--frame takes a frame number counted from 0, not " + text, kExportHelp);
        }
        frame = value;
    }

    std::string formatName;
    if (const auto it = parsed.options.find("--format"); it != parsed.options.end()) {
        formatName = it->second;
        if (formatName != "png" && formatName != "bmp" && formatName != "tga") {
            return Usage(err, "--format is bmp, tga or png, not " + formatName, kExportHelp);
        }
    }
    // Without --format, a single frame's file goes by its extension: ".png" is PNG.
    FrameFormat format = formatName == "png" ? FrameFormat::Png : FrameFormat::Native;
    if (formatName.empty() && frame) format = FrameFormatOfPath(parsed.positional[1]);

    SpriteModel sprite;
    bool damaged = false;
    if (!Load(sprite, parsed.positional[0], err, damaged)) return kExitFailed;
    if (!formatName.empty() && format == FrameFormat::Native && (formatName == "tga") != sprite.IsTrueColour()) {
        err << "zandrel-cli: " << sprite.Path() << " exports as "
            << (sprite.IsTrueColour() ? "tga or png (a true-colour sprite)" : "bmp or png (a palettised sprite)")
            << ", not " << formatName << '\n';
        return kExitFailed;
    }
    if (!ApplyPaletteOption(parsed, sprite, out, err)) return kExitFailed;

    const std::string& destination = parsed.positional[1];
    int status = kExitDone;
    if (frame) {
        if (*frame >= sprite.FrameCount()) {
            err << "zandrel-cli: " << sprite.Path() << " has no frame " << *frame << " (it has " << sprite.FrameCount()
                << " frames, counted from 0)\n";
            return kExitFailed;
        }
        if (noClobber && !ExistingFrameFiles({LastNameOf(destination)}, FolderOf(destination), format).empty()) {
            return Refuse(err, destination);
        }
        status = ReportWritten(
            destination, [&] { return ExportFrame(sprite, *frame, destination, format); }, out, err);
    } else {
        // -j: the frames on that many threads (one a processor unless told).
        const std::optional<unsigned> threads = ThreadsOption(parsed, 0);
        if (noClobber) {
            const std::vector<std::string> existing = ExistingFrameFiles(sprite.FrameNames(), destination, format);
            if (!existing.empty()) return Refuse(err, existing.front());
        }
        if (!threads) return BadThreads(parsed, err, kExportHelp);
        status = Report(ExportAllFrames(sprite, sprite.FrameNames(), destination, format, *threads), out, err);
    }
    return status == kExitDone && damaged ? kExitFailed : status;
}

int Animate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments parsed = Parse(args, 1, {"--fps", "--palette"});
    if (parsed.help) return out << kAnimateHelp, kExitDone;
    if (!parsed.error.empty()) return Usage(err, parsed.error, kAnimateHelp);
    if (parsed.positional.size() != 2) return Usage(err, "animate takes a sprite and a GIF to write", kAnimateHelp);

    std::uint16_t delay = kDefaultAnimationDelay;
    if (const auto it = parsed.options.find("--fps"); it != parsed.options.end()) {
        unsigned fps = 0;
        const std::string& text = it->second;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fps);
        if (error != std::errc() || end != text.data() + text.size() || fps < 1 || fps > 100) {
            return Usage(err, "--fps takes a whole number from 1 to 100, not " + text, kAnimateHelp);
        }
        delay = AnimationDelayOf(fps);
    }

    SpriteModel sprite;
    bool damaged = false;
    if (!Load(sprite, parsed.positional[0], err, damaged)) return kExitFailed;
    if (!ApplyPaletteOption(parsed, sprite, out, err)) return kExitFailed;
    const std::string& destination = parsed.positional[1];
    const int status = ReportWritten(
        destination, [&] { return ExportAnimation(sprite, destination, delay); }, out, err);
    return status == kExitDone && damaged ? kExitFailed : status;
}

int Build(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments parsed = Parse(args, 1, {"-j"});
    if (parsed.help) return out << kBuildHelp, kExitDone;
    if (!parsed.error.empty()) return Usage(err, parsed.error, kBuildHelp);
    if (parsed.positional.size() < 2) return Usage(err, "build takes an output and at least one source", kBuildHelp);
    const std::optional<unsigned> threads = ThreadsOption(parsed, 0);
    if (!threads) return BadThreads(parsed, err, kBuildHelp);
    std::vector<BuildSource> sources;
    for (auto name = parsed.positional.begin() + 1; name != parsed.positional.end(); ++name) {
        Result<std::vector<BuildSource>> named = SourcesNamed(*name);
        if (!named) return Report(named.Refused(), out, err);
        sources.insert(sources.end(), named->begin(), named->end());
    }
    const std::string& output = parsed.positional[0];
    return ReportWritten(
        output, [&] { return BuildSprite(sources, output, *threads); }, out, err);
}

constexpr unsigned kMostThumbnailSize = 4096;

int Thumbnail(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments parsed = Parse(args, 1, {"--size"});
    if (parsed.help) return out << kThumbnailHelp, kExitDone;
    if (!parsed.error.empty()) return Usage(err, parsed.error, kThumbnailHelp);
    if (parsed.positional.size() != 2) return Usage(err, "thumbnail takes a sprite and a PNG to write", kThumbnailHelp);
    unsigned size = kDefaultThumbnailSize;
    if (const auto it = parsed.options.find("--size"); it != parsed.options.end()) {
        const std::string& text = it->second;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
        if (error != std::errc() || end != text.data() + text.size() || size < 1 || size > kMostThumbnailSize) {
            return Usage(err, "--size takes a whole number from 1 to 4096, not " + text, kThumbnailHelp);
        }
    }
    const std::string& destination = parsed.positional[1];
    return ReportWritten(
        destination,
        [&] { return WriteSpriteThumbnail(parsed.positional[0], destination, static_cast<std::uint16_t>(size)); }, out,
        err);
}

std::optional<PaletteFileFormat> LayoutNamed(std::string_view name) {
    if (name == "velmark") return PaletteFileFormat::Velmark;
    if (name == "microsoft") return PaletteFileFormat::Microsoft;
    return std::nullopt;
}

std::optional<PaletteFileFormat> PaintFormatNamed(std::string_view name) {
    if (name == "jasc") return PaletteFileFormat::Jasc;
    if (name == "gimp") return PaletteFileFormat::Gimp;
    if (name == "act") return PaletteFileFormat::Act;
    return std::nullopt;
}

int Palette(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Arguments parsed = Parse(args, 1, {"--layout", "--format", "--to"});
    if (parsed.help) return out << kPaletteHelp, kExitDone;
    if (!parsed.error.empty()) return Usage(err, parsed.error, kPaletteHelp);
    if (parsed.positional.size() != 3) return Usage(err, "palette takes export or convert and two paths", kPaletteHelp);
    const std::string& action = parsed.positional[0];

    if (action == "export") {
        if (parsed.options.contains("--to")) return Usage(err, "palette export takes --layout, not --to", kPaletteHelp);
        PaletteFileFormat layout = PaletteFileFormat::Velmark;
        if (const auto it = parsed.options.find("--layout"); it != parsed.options.end()) {
            const std::optional<PaletteFileFormat> named = LayoutNamed(it->second);
            if (!named) return Usage(err, "--layout is velmark or microsoft, not " + it->second, kPaletteHelp);
            layout = *named;
        }
        if (const auto it = parsed.options.find("--format"); it != parsed.options.end()) {
            if (parsed.options.contains("--layout")) {
                return Usage(err, "palette export takes --layout or --format, not both", kPaletteHelp);
            }
            const std::optional<PaletteFileFormat> named = PaintFormatNamed(it->second);
            if (!named) return Usage(err, "--format is jasc, gimp or act, not " + it->second, kPaletteHelp);
            layout = *named;
        }
        SpriteModel sprite;
        bool damaged = false;
        if (!Load(sprite, parsed.positional[1], err, damaged)) return kExitFailed;
        if (const std::optional<Refusal> refusal = sprite.PaletteExportRefusal()) {
            Say(err, refusal->text);
            return kExitFailed;
        }
        ExportPalette(parsed.positional[2], sprite.Palette(), layout);
        return kExitDone;
    }
    if (action == "convert") {
        if (parsed.options.contains("--layout") || parsed.options.contains("--format")) {
            return Usage(err, "palette convert takes --to, not --layout or --format", kPaletteHelp);
        }
        const auto it = parsed.options.find("--to");
        if (it == parsed.options.end()) {
            return Usage(err, "palette convert needs --to microsoft|velmark|jasc|gimp|act", kPaletteHelp);
        }
        std::optional<PaletteFileFormat> target = LayoutNamed(it->second);
        if (!target) target = PaintFormatNamed(it->second);
        if (!target) {
            return Usage(err, "--to is microsoft, velmark, jasc, gimp or act, not " + it->second, kPaletteHelp);
        }
        const std::string& destination = parsed.positional[2];
        return ReportWritten(
            destination, [&] { return ConvertPalette(parsed.positional[1], destination, *target); }, out, err);
    }
    return Usage(err, "unknown palette action " + action, kPaletteHelp);
}

// What a command was doing, for the message of a failure that none of its refusals
// covers: the command (with the palette's action) and the first path it was given.
std::pair<std::string, std::string> OperationOf(const std::vector<std::string>& args) {
    static const std::set<std::string_view> kTakesValue{"--palette", "--frame", "--format", "--fps",
                                                        "--layout",  "--to",    "--size"};
    std::string operation = args[0];
    std::size_t first = 1;
    if (operation == "palette" && args.size() > 1) operation += " " + args[first++];
    for (std::size_t i = first; i < args.size(); ++i) {
        if (args[i] == "--") return {operation, i + 1 < args.size() ? args[i + 1] : std::string()};
        if (kTakesValue.contains(args[i])) {
            ++i;
        } else if (args[i].size() < 2 || args[i][0] != '-') {
            return {operation, args[i]};
        }
    }
    return {operation, {}};
}

// --version, like --help, is answered after any command, until "--" ends the options.
bool AsksForVersion(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--version") return true;
    }
    return false;
}

int Dispatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") return out << kMainHelp, kExitDone;
    if (AsksForVersion(args)) return out << "zandrel-cli " << kProductVersion << '\n', kExitDone;
    if (command == "info") return Info(args, out, err);
    if (command == "export") return Export(args, out, err);
    if (command == "build") return Build(args, out, err);
    if (command == "animate") return Animate(args, out, err);
    if (command == "thumbnail") return Thumbnail(args, out, err);
    if (command == "palette") return Palette(args, out, err);
    return Usage(err, "unknown command " + command, kMainHelp);
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "no command given", kMainHelp);
    // The one boundary of every command: whatever it throws ends it with a message and
    // exit 1, never with the program's abort.
    std::string reason;
    try {
        return Dispatch(args, out, err);
    } catch (const FileError& error) {
        Say(err, DescribeFileError(error));
        return kExitFailed;
    } catch (const std::bad_alloc&) {
        Say(err, "zandrel-cli: out of memory");
        return kExitFailed;
    } catch (...) {
        reason = ReasonOfCurrentFailure();
    }
    try {
        const auto [operation, file] = OperationOf(args);
        Say(err, "zandrel-cli: " + DescribeUnexpectedFailure(operation, file, reason));
    } catch (...) {
        // Not even the message could be made; the status still says that it failed.
    }
    return kExitFailed;
}

}  // namespace zandrel
