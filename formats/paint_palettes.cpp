#include "formats/paint_palettes.h"

#include <optional>
#include <vector>

namespace zandrel {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::uint8_t kMaxChannel = 255;

std::string_view AsText(ByteSpan bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};  // NOLINT(*-reinterpret-cast)
}

std::string_view WithoutBom(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
    return line;
}

// The lines of a text file, without their ends (LF or CR LF). A final line break does
// not start another line.
std::vector<std::string_view> LinesOf(ByteSpan file) {
    std::string_view text = WithoutBom(AsText(file));
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// A whole number written in decimal digits alone, at most `limit`.
std::optional<std::size_t> NumberOf(std::string_view token, std::size_t limit) {
    if (token.empty() || token.size() > 4) return std::nullopt;
    std::size_t value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (value > limit) return std::nullopt;
    return value;
}

// Takes the next blank-separated token off the front of `rest`.
std::string_view NextToken(std::string_view& rest) {
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view token = rest.substr(0, end);
    rest.remove_prefix(end);
    return token;
}

// "R G B" at the front of a line; what follows is left in `rest`.
std::optional<SprPaletteEntry> ColourOf(std::string_view& rest) {
    std::optional<std::size_t> channels[3];
    for (auto& channel : channels) {
        channel = NumberOf(NextToken(rest), kMaxChannel);
        if (!channel) return std::nullopt;
    }
    return SprPaletteEntry{static_cast<std::uint8_t>(*channels[0]), static_cast<std::uint8_t>(*channels[1]),
                           static_cast<std::uint8_t>(*channels[2]), 0};
}

PaintPaletteRead Failed(PaintPaletteProblem problem, std::size_t where) {
    PaintPaletteRead read;
    read.problem = problem;
    read.where = where;
    return read;
}

void PutText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

void PutNumber(Bytes& out, unsigned value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), ' ');
    PutText(out, digits);
}

}  // namespace

bool BeginsAsJascPalette(ByteSpan head) { return WithoutBom(AsText(head)).starts_with(kJascPaletteMagic); }

bool BeginsAsGimpPalette(ByteSpan head) { return WithoutBom(AsText(head)).starts_with(kGimpPaletteMagic); }

PaintPaletteRead ReadJascPalette(ByteSpan file) {
    const std::vector<std::string_view> lines = LinesOf(file);
    constexpr std::size_t kCountLine = 3;
    if (lines.empty() || Trimmed(lines[0]) != kJascPaletteMagic) return Failed(PaintPaletteProblem::BadLine, 1);
    if (lines.size() < 2) return Failed(PaintPaletteProblem::EndsEarly, 2);
    if (Trimmed(lines[1]) != kJascPaletteVersion) return Failed(PaintPaletteProblem::BadLine, 2);
    if (lines.size() < kCountLine) return Failed(PaintPaletteProblem::EndsEarly, kCountLine);
    const std::string_view countText = Trimmed(lines[kCountLine - 1]);
    const std::optional<std::size_t> count = NumberOf(countText, kPaletteEntries);
    if (!count) {
        const bool large = NumberOf(countText, 9999).has_value();
        return Failed(large ? PaintPaletteProblem::TooManyColours : PaintPaletteProblem::BadLine, kCountLine);
    }
    PaintPaletteRead read;
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t at = kCountLine + i;  // index of the colour's line
        if (at >= lines.size()) return Failed(PaintPaletteProblem::EndsEarly, at + 1);
        std::string_view rest = lines[at];
        const std::optional<SprPaletteEntry> colour = ColourOf(rest);
        if (!colour || !Trimmed(rest).empty()) return Failed(PaintPaletteProblem::BadLine, at + 1);
        read.palette[i] = *colour;
    }
    // Nothing but blank lines may follow the colours the count promised.
    for (std::size_t at = kCountLine + *count; at < lines.size(); ++at) {
        if (!Trimmed(lines[at]).empty()) return Failed(PaintPaletteProblem::BadLine, at + 1);
    }
    read.colours = *count;
    return read;
}

PaintPaletteRead ReadGimpPalette(ByteSpan file) {
    const std::vector<std::string_view> lines = LinesOf(file);
    if (lines.empty() || Trimmed(lines[0]) != kGimpPaletteMagic) return Failed(PaintPaletteProblem::BadLine, 1);
    PaintPaletteRead read;
    for (std::size_t at = 1; at < lines.size(); ++at) {
        const std::string_view line = Trimmed(lines[at]);
        if (line.empty() || line.starts_with('#')) continue;
        // The fields come before the colours, as the paint program writes them.
        if (read.colours == 0 && (line.starts_with(kGimpNameField) || line.starts_with(kGimpColumnsField))) continue;
        std::string_view rest = line;
        const std::optional<SprPaletteEntry> colour = ColourOf(rest);
        // The name after the colour is set off by a blank ("0 0 0x" is no colour).
        if (!colour || (!rest.empty() && !IsBlank(rest.front()))) return Failed(PaintPaletteProblem::BadLine, at + 1);
        if (read.colours == kPaletteEntries) return Failed(PaintPaletteProblem::TooManyColours, at + 1);
        read.palette[read.colours++] = *colour;
    }
    return read;
}

PaintPaletteRead ReadActPalette(ByteSpan file) {
    if (!IsActPaletteLength(file.size())) return Failed(PaintPaletteProblem::BadActCount, 0);
    std::size_t count = kPaletteEntries;
    if (file.size() == kActFileWithCountBytes) {
        count = static_cast<std::size_t>(file[kActCountOffset] << 8 | file[kActCountOffset + 1]);
        if (count == 0 || count > kPaletteEntries) return Failed(PaintPaletteProblem::BadActCount, count);
    }
    PaintPaletteRead read;
    for (std::size_t i = 0; i < count; ++i) read.palette[i] = {file[3 * i], file[3 * i + 1], file[3 * i + 2], 0};
    read.colours = count;
    return read;
}

Bytes WriteJascPalette(const SprPalette& palette) {
    Bytes out;
    PutText(out, kJascPaletteMagic);
    PutText(out, "\r\n");
    PutText(out, kJascPaletteVersion);
    PutText(out, "\r\n");
    PutNumber(out, static_cast<unsigned>(kPaletteEntries), 0);
    PutText(out, "\r\n");
    for (const SprPaletteEntry& entry : palette) {
        PutNumber(out, entry.red, 0);
        PutText(out, " ");
        PutNumber(out, entry.green, 0);
        PutText(out, " ");
        PutNumber(out, entry.blue, 0);
        PutText(out, "\r\n");
    }
    return out;
}

Bytes WriteGimpPalette(const SprPalette& palette, std::string_view name) {
    Bytes out;
    PutText(out, kGimpPaletteMagic);
    PutText(out, "\n");
    if (!name.empty()) {
        std::string oneLine(name);
        for (char& c : oneLine) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        PutText(out, kGimpNameField);
        PutText(out, " ");
        PutText(out, oneLine);
        PutText(out, "\n");
    }
    PutText(out, kGimpColumnsField);
    PutText(out, " ");
    PutNumber(out, static_cast<unsigned>(kGimpWrittenColumns), 0);
    PutText(out, "\n#\n");
    for (std::size_t i = 0; i < palette.size(); ++i) {
        // Columns of three as the paint program lines them up, then the entry's index.
        PutNumber(out, palette[i].red, 3);
        PutText(out, " ");
        PutNumber(out, palette[i].green, 3);
        PutText(out, " ");
        PutNumber(out, palette[i].blue, 3);
        PutText(out, "\tIndex ");
        PutNumber(out, static_cast<unsigned>(i), 0);
        PutText(out, "\n");
    }
    return out;
}

Bytes WriteActPalette(const SprPalette& palette) {
    Bytes out;
    out.reserve(kActFileWithCountBytes);
    for (const SprPaletteEntry& entry : palette) {
        PutU8(out, entry.red);
        PutU8(out, entry.green);
        PutU8(out, entry.blue);
    }
    // The tail is big-endian, unlike every other field of the program's formats.
    PutU8(out, static_cast<std::uint8_t>(kPaletteEntries >> 8));
    PutU8(out, static_cast<std::uint8_t>(kPaletteEntries & 0xFF));
    PutU8(out, static_cast<std::uint8_t>(kActWrittenTransparent >> 8));
    PutU8(out, static_cast<std::uint8_t>(kActWrittenTransparent & 0xFF));
    return out;
}

}  // namespace zandrel
