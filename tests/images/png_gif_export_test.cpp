// Frames out as PNG and GIF, and sprites built back from PNG sources.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "formats/png_files.h"
#include "maker/source_preview.h"
#include "maker/sprite_build.h"
#include "tests/images/qt_images.h"
#include "tests/test_files.h"
#include "viewer/frame_export.h"
#include "viewer/sprite_model.h"

namespace zandrel {
namespace {

using test::TempDir;

// A palette as the maker writes one: the reserved bytes zero.
SprPalette WrittenPalette() {
    SprPalette palette = test::DistinctPalette(3);
    for (SprPaletteEntry& entry : palette) entry.reserved = 0;
    return palette;
}

class PngAndGif : public ::testing::Test {
protected:
    std::string Sprite(SprKind kind, const std::vector<test::TestFrame>& frames, const std::string& name = "hero.spr") {
        test::WriteBytes(m_dir.Path(name), test::MakeSprite(kind, frames, m_palette));
        EXPECT_TRUE(m_sprite.LoadSprite(m_dir.Path(name)).done);
        return m_dir.Path(name);
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        test::WriteBytes(m_dir.Path(name), bytes);
        return m_dir.Path(name);
    }
    // Every frame exported as PNG into a folder of its own, as paths in list order.
    std::vector<std::string> ExportPngs() {
        EXPECT_TRUE(ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root(), FrameFormat::Png).done);
        std::vector<std::string> paths;
        for (const std::string& name : m_out.Entries()) paths.push_back(m_out.Path(name));
        return paths;
    }

    TempDir m_dir;
    TempDir m_out;
    SprPalette m_palette = WrittenPalette();
    SpriteModel m_sprite;
};

TEST_F(PngAndGif, ExportsEveryFrameAsPngUnderItsListName) {
    Sprite(SprKind::Indexed256Rle, {test::PatternFrame(4, 3), test::PatternFrame(2, 5, 9)});
    const Outcome done = ExportAllFrames(m_sprite, m_sprite.FrameNames(), m_out.Root(), FrameFormat::Png);
    EXPECT_EQ(done.text, "输出完成，一共2个文件.");
    EXPECT_EQ(m_out.Entries(), (std::vector<std::string>{"hero000.png", "hero001.png"}));
    const QImage second = test::QtDecode(test::ReadBytes(m_out.Path("hero001.png")));
    EXPECT_EQ(second.size(), QSize(2, 5));
    EXPECT_EQ(second.pixelIndex(1, 4), test::PatternFrame(2, 5, 9).pixels[9]);

    const Outcome one = ExportFrame(m_sprite, 0, m_out.Path("one.png"), FrameFormat::Png);
    EXPECT_EQ(one.text, "PNG图" + m_out.Path("one.png") + "输出完成.");
    EXPECT_EQ(FrameFormatOfPath("/a/b.PnG"), FrameFormat::Png);
    EXPECT_EQ(FrameFormatOfPath("/a/png"), FrameFormat::Native);
    EXPECT_EQ(SaveFilterWithPngOf(m_sprite), "256色BMP图(*.bmp)|*.bmp|PNG图(*.png)|*.png||");
}

TEST_F(PngAndGif, PalettisedSpriteComesBackFromItsPngsByteForByte) {
    // Zeros at the top-left and elsewhere: index 0 stays the transparent one.
    const std::vector<test::TestFrame> frames{test::PatternFrame(9, 7, 1), test::PatternFrame(1, 1, 0),
                                              test::PatternFrame(30, 2, 5)};
    Sprite(SprKind::Indexed256Rle, frames);
    const std::vector<std::string> pngs = ExportPngs();
    ASSERT_EQ(pngs.size(), 3u);
    ASSERT_TRUE(BuildSprite(pngs, m_dir.Path("back.spr")).done);
    // The open sprite is held without sharing (on Windows by the system itself): compare
    // with the bytes it was written from.
    EXPECT_EQ(test::ReadBytes(m_dir.Path("back.spr")), test::MakeSprite(SprKind::Indexed256Rle, frames, m_palette));
}

TEST_F(PngAndGif, TrueColourSpriteComesBackFromItsPngsByteForByte) {
    Sprite(SprKind::TrueColor32, {test::TrueColourFrame(5, 3, 2), test::TrueColourFrame(2, 4, 8)});
    const std::vector<std::string> pngs = ExportPngs();
    ASSERT_EQ(pngs.size(), 2u);
    // The same frames through TGA: both builds must agree to the byte.
    std::vector<std::string> tgas;
    for (std::size_t i = 0; i < 2; ++i) {
        tgas.push_back(m_dir.Path("t" + std::to_string(i) + ".tga"));
        ASSERT_TRUE(WriteFrameFile(m_sprite, i, tgas.back()).done);
    }
    ASSERT_TRUE(BuildSprite(pngs, m_dir.Path("png.spr")).done);
    ASSERT_TRUE(BuildSprite(tgas, m_dir.Path("tga.spr")).done);
    EXPECT_EQ(test::ReadBytes(m_dir.Path("png.spr")), test::ReadBytes(m_dir.Path("tga.spr")));
    SpriteModel back;
    ASSERT_TRUE(back.LoadSprite(m_dir.Path("png.spr")).done);
    EXPECT_EQ(test::SeenOf(back.ReadFrame(1)).pixels, test::TrueColourFrame(2, 4, 8).pixels);
}

// The same pictures as Qt writes them to PNG and as 8-bit BMPs: whose top-left pixel
// is not index 0, so that the build's exchange of entries is at work in both.
TEST_F(PngAndGif, BmpBuiltAndPngBuiltSpritesAreTheSame) {
    QList<QRgb> table;
    for (std::size_t i = 0; i < 256; ++i) {
        table.push_back(qRgb(m_palette[i].red, m_palette[i].green, m_palette[i].blue));
    }
    std::vector<std::string> bmps, pngs;
    for (int n = 0; n < 3; ++n) {
        const test::TestFrame frame =
            test::PatternFrame(static_cast<std::uint16_t>(6 + n), 4, static_cast<std::uint8_t>(n + 2));
        Bytes indices = frame.pixels;
        indices[0] = 77;  // every picture's top-left: the transparent colour
        QImage image(frame.width, frame.height, QImage::Format_Indexed8);
        image.setColorTable(table);
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) image.setPixel(x, y, indices[y * frame.width + x]);
        }
        pngs.push_back(Write("p" + std::to_string(n) + ".png", test::QtPng(image)));
        bmps.push_back(
            Write("b" + std::to_string(n) + ".bmp", test::MakeBmp8(frame.width, frame.height, indices, m_palette)));
    }
    ASSERT_EQ(DecodePng(test::ReadBytes(pngs[0])).kind, PngKind::Indexed);
    ASSERT_TRUE(BuildSprite(bmps, m_dir.Path("bmp.spr")).done);
    ASSERT_TRUE(BuildSprite(pngs, m_dir.Path("png.spr")).done);
    EXPECT_EQ(test::ReadBytes(m_dir.Path("png.spr")), test::ReadBytes(m_dir.Path("bmp.spr")));
}

TEST_F(PngAndGif, BuildKeepsKindsApartAndNamesADamagedPng) {
    QImage rgba(2, 2, QImage::Format_ARGB32);
    rgba.fill(qRgba(9, 8, 7, 6));
    QImage indexed(2, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 1, 1), qRgb(2, 2, 2)});
    indexed.fill(1);
    const std::string rgbaPng = Write("rgba.png", test::QtPng(rgba));
    const std::string indexedPng = Write("indexed.png", test::QtPng(indexed));
    const std::string bmp = Write("a.bmp", test::MakeBmp8(1, 1, Bytes{3}, m_palette));
    const std::string tga = Write("a.tga", test::MakeTga32(1, 1, Bytes{1, 2, 3, 4}));

    EXPECT_EQ(*CheckSourceKinds({indexedPng, bmp}), SourceKind::Bmp);
    EXPECT_EQ(*CheckSourceKinds({tga, rgbaPng}), SourceKind::Tga);
    EXPECT_TRUE(CheckSourceKinds({bmp, indexedPng}));
    EXPECT_EQ(CheckSourceKinds({bmp, rgbaPng}).Refused().text, "列表中的文件类型不一致!");
    EXPECT_EQ(CheckSourceKinds({indexedPng, tga}).Refused().text, "列表中的文件类型不一致!");
    EXPECT_EQ(BuildSprite({rgbaPng, indexedPng}, m_dir.Path("x.spr")).text, "列表中的文件类型不一致!");

    Bytes damaged = test::QtPng(rgba);
    damaged.resize(damaged.size() - 16);
    const std::string cut = Write("cut.png", damaged);
    const Outcome refused = BuildSprite({tga, cut}, m_dir.Path("x.spr"));
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, cut + "已损坏：PNG文件里的数据不完整或校验不对!");
    EXPECT_EQ(CheckSourceKinds({Write("fake.png", Bytes{'x'})}).Refused().text,
              m_dir.Path("fake.png") + "不是一个合法的PNG文件!");
    EXPECT_EQ(CheckSourceKinds({m_dir.Path("none.png")}).Refused().text, "无法打开PNG文件!:" + m_dir.Path("none.png"));
    EXPECT_FALSE(test::Exists(m_dir.Path("x.spr")));
}

TEST_F(PngAndGif, MakerPreviewShowsPngSources) {
    QImage rgba(2, 1, QImage::Format_ARGB32);
    rgba.setPixel(0, 0, qRgba(200, 100, 50, 128));  // over black: 100, 50, 25
    rgba.setPixel(1, 0, qRgba(1, 2, 3, 255));
    test::Seen preview = test::SeenOf(DecodePreview(Write("rgba.png", test::QtPng(rgba))));
    ASSERT_EQ(preview.refusal, "");
    EXPECT_EQ(preview.pixels, (Bytes{25, 50, 100, 255, 3, 2, 1, 255}));  // blue, green, red, 255

    QImage indexed(1, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(40, 50, 60)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(0, 1, 0);
    preview = test::SeenOf(DecodePreview(Write("indexed.png", test::QtPng(indexed))));
    ASSERT_EQ(preview.refusal, "");
    EXPECT_EQ(preview.pixels, (Bytes{60, 50, 40, 255, 30, 20, 10, 255}));

    Bytes broken = test::QtPng(indexed);
    broken[23] ^= 1;  // the low byte of the IHDR's height: 3, which its checksum does not match
    EXPECT_EQ(DecodePreview(Write("broken.png", broken)).Refused().text,
              m_dir.Path("broken.png") + "已损坏：PNG文件里的数据不完整或校验不对!");
    EXPECT_EQ(DecodePreview(Write("short.png", Bytes(broken.begin(), broken.begin() + 12))).Refused().text,
              m_dir.Path("short.png") + "不是一个合法的PNG文件!");
}

TEST_F(PngAndGif, AnimationCentresEveryFrameOnTheLargestCanvas) {
    // Widths 5, 2, 4 and heights 3, 2, 6: a 5 x 6 canvas; the 2 x 2 frame sits at
    // (5/2 - 2/2, 6/2 - 2/2) = (1, 2).
    std::vector<test::TestFrame> frames = {test::PatternFrame(5, 3, 1), test::PatternFrame(2, 2, 4),
                                           test::PatternFrame(4, 6, 6)};
    frames[1].pixels = {0, 200, 17, 0};
    Sprite(SprKind::Indexed256Rle, frames);
    const std::string gif = m_out.Path("hero.gif");
    const Outcome done = ExportAnimation(m_sprite, gif, 7);
    EXPECT_EQ(done.text, "GIF动画" + gif + "输出完成，一共3帧.");

    QImageReader reader(QString::fromStdString(gif));
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    EXPECT_EQ(reader.imageCount(), 3);
    EXPECT_EQ(reader.loopCount(), -1);  // forever
    std::vector<QImage> images;
    for (int i = 0; i < 3; ++i) {
        images.push_back(reader.read().convertToFormat(QImage::Format_ARGB32));
        EXPECT_EQ(reader.nextImageDelay(), 70) << "frame " << i;  // known once the frame is read
        ASSERT_EQ(images.back().size(), QSize(5, 6));
    }
    const auto colour = [&](std::uint8_t index) {
        return index == 0 ? qRgba(0, 0, 0, 0)
                          : qRgb(m_palette[index].red, m_palette[index].green, m_palette[index].blue);
    };
    const auto alphaOrColour = [](QRgb pixel) { return qAlpha(pixel) == 0 ? qRgba(0, 0, 0, 0) : pixel; };
    // The second frame: its four pixels at (1, 2), and nothing of the first frame left.
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 2 && y < 4;
            const QRgb expected = inside ? colour(frames[1].pixels[(y - 2) * 2 + (x - 1)]) : qRgba(0, 0, 0, 0);
            EXPECT_EQ(alphaOrColour(images[1].pixel(x, y)), expected) << x << "," << y;
        }
    }
    // The first frame at (0, 6/2 - 3/2) = (0, 2).
    EXPECT_EQ(alphaOrColour(images[0].pixel(4, 4)), colour(frames[0].pixels[2 * 5 + 4]));
    EXPECT_EQ(alphaOrColour(images[0].pixel(4, 1)), qRgba(0, 0, 0, 0));
}

TEST_F(PngAndGif, AnimationRefusesTrueColourSprites) {
    const std::string path = Sprite(SprKind::TrueColor32, {test::TrueColourFrame(2, 2)});
    const Outcome refused = ExportAnimation(m_sprite, m_out.Path("a.gif"));
    EXPECT_FALSE(refused.done);
    EXPECT_EQ(refused.text, path + "是32位色SPR，不能输出GIF动画：GIF只能用256色调色板!");
    EXPECT_TRUE(m_out.Entries().empty());
}

}  // namespace
}  // namespace zandrel
