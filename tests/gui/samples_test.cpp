// The sample sprites open in the viewer and page through without a message.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include "res/resource_ids.h"
#include "tests/gui/gui_support.h"
#include "tests/support/scripted_prompts.h"
#include "viewer/spr_view_dlg.h"

namespace zandrel::test {
namespace {

struct Sample {
    const char* name;
    SprKind kind;
    int frames;
};

// The test's name and its failures show the sample's name, not the bytes of the struct.
void PrintTo(const Sample& sample, std::ostream* out) { *out << sample.name; }

class SamplesTest : public testing::TestWithParam<Sample> {};

TEST_P(SamplesTest, OpensAndPagesThroughEveryFrame) {
    const Sample sample = GetParam();
    ScriptedPrompts prompts;
    CSprViewDlg viewer(prompts, std::string(ZANDREL_SAMPLES_DIR) + "/" + sample.name + ".spr");
    ASSERT_TRUE(viewer.InitDialog());
    viewer.show();
    Settle();
    EXPECT_EQ(viewer.Sprite().Kind(), sample.kind);
    EXPECT_EQ(viewer.DlgItem<QListWidget>(kIdcFrameList)->count(), sample.frames);

    QWidget& preview = *viewer.GetDlgItem(kIdcPreview);
    QImage previous;
    for (int i = 0; i < sample.frames; ++i) {
        EXPECT_EQ(viewer.CurrentFrame(), i);
        const QImage shown = Grab(preview);
        const QRgb background = shown.pixel(0, 0);
        EXPECT_NE(shown.pixel(shown.width() / 2, shown.height() / 2), background) << "frame " << i << " is empty";
        EXPECT_NE(shown, previous) << "frame " << i << " looks like the one before";
        previous = shown;
        viewer.DlgItem<QPushButton>(kIdcNextFrame)->click();
        Settle();
    }
    EXPECT_EQ(viewer.CurrentFrame(), 0);
    EXPECT_TRUE(prompts.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Samples, SamplesTest,
                         testing::Values(Sample{"slime", SprKind::Indexed256Rle, 6},
                                         Sample{"tiles", SprKind::Indexed256, 4},
                                         Sample{"orb", SprKind::TrueColor32, 8}),
                         [](const testing::TestParamInfo<Sample>& sample) { return std::string(sample.param.name); });

}  // namespace
}  // namespace zandrel::test
