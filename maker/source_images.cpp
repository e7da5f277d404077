#include "maker/source_images.h"

#include "os/outcome.h"

namespace zandrel {
namespace {

std::string TooManyPixelsText(const std::string& path) {
    return FormatText(kTooManyPixelsFormat, path.c_str(), static_cast<unsigned long long>(kMaxFramePixels));
}

}  // namespace

std::string BmpProblemText(Bmp8Problem problem, const std::string& path, SourceReader reader) {
    const bool preview = reader == SourceReader::Preview;
    const char* format = nullptr;
    switch (problem) {
        case Bmp8Problem::None: return {};
        case Bmp8Problem::TooShort:
        case Bmp8Problem::PixelsOutsideFile: format = kSourceIncompleteFormat; break;
        case Bmp8Problem::NotBmp: format = kNotValidBmpFormat; break;
        case Bmp8Problem::Compressed: format = preview ? kPreviewNotBmpFormat : kCompressedBmpFormat; break;
        case Bmp8Problem::NotEightBit: format = preview ? kPreviewNotBmpFormat : kNotEightBitBmpFormat; break;
        case Bmp8Problem::TopDown: format = kTopDownBmpFormat; break;
        case Bmp8Problem::NoPixels: format = kNoPixelsBmpFormat; break;
        case Bmp8Problem::TooLarge: format = kTooLargeBmpFormat; break;
        case Bmp8Problem::TooManyPixels: return TooManyPixelsText(path);
    }
    return FormatText(format, path.c_str());
}

std::string TgaProblemText(Tga32Problem problem, const std::string& path) {
    switch (problem) {
        case Tga32Problem::None: return {};
        case Tga32Problem::NotUncompressed32: return FormatText(kNotTga32Format, path.c_str());
        case Tga32Problem::TooManyPixels: return TooManyPixelsText(path);
        case Tga32Problem::PixelsOutsideFile: break;
    }
    return FormatText(kSourceIncompleteFormat, path.c_str());
}

std::string PngProblemText(PngProblem problem, const std::string& path) {
    const char* format = nullptr;
    switch (problem) {
        case PngProblem::None: return {};
        case PngProblem::NotPng: format = kNotValidPngFormat; break;
        case PngProblem::NoPixels: format = kNoPixelsBmpFormat; break;
        case PngProblem::TooLarge: format = kTooLargeBmpFormat; break;
        case PngProblem::TooManyPixels: return TooManyPixelsText(path);
        case PngProblem::Damaged: format = kDamagedPngFormat; break;
    }
    return FormatText(format, path.c_str());
}

}  // namespace zandrel
