// The repaint of the preview through the dialog view.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialog/DialogView.h"
#include "dialog/Stepwise.h"
#include "tests/engine/PreviewFixture.h"

namespace velmora {
namespace {

using namespace preview_test;

TEST_F(PreviewTest, RenderPreviewBuildsTablesAndHandsTheBitmapToTheDialog) {
    struct tView : tDialogView {
        std::vector<int32_t> bar;
        bool warnings = true;
        const tBitmap24* shown = nullptr;
        int32_t counterWhenShown = -1;
        void ShowProgress(int32_t c) override { bar.push_back(c); }
        void SetStatusText(const std::string&) override {}
        bool WarningChecked() const override { return warnings; }
        void ShowPreview(const tBitmap24& b) override {
            shown = &b;
            counterWhenShown = Progress.Counter;
        }
    } view;
    FakeHost host(sdk::kModeLab, 6, 5);
    Texture(host, 2);
    host.in[0] = 250;  // white clipping at (0, 0) with the stretched levels
    Use(host);
    BuildWorking(6, 5, 1.0, false);
    BuildTables();  // for the stored levels; RenderPreview must rebuild
    Settings.BlackLevel = 0;
    Settings.WhiteLevel = 255;
    Settings.Lightness = 0.7;
    SetDialogView(&view);
    struct tReset {
        ~tReset() { SetDialogView(nullptr); }
    } reset;
    Progress.Counter = 321;

    RenderPreview();
    EXPECT_EQ(view.bar, (std::vector<int32_t>{321, 0}));
    EXPECT_EQ(Progress.Counter, 0);
    EXPECT_EQ(view.shown, Photo.ScreenBitmap.get());
    EXPECT_EQ(view.counterWhenShown, 321);
    EXPECT_EQ(At(*Photo.ScreenBitmap, 0, 0), (tBgr{0, 0, 255}));
    for (int32_t c = 1; c < 6; ++c)
        EXPECT_EQ(At(*Photo.ScreenBitmap, c, 2), ExpectedPreview(c, 2)) << c;

    view.warnings = false;
    RenderPreview();
    EXPECT_EQ(At(*Photo.ScreenBitmap, 0, 0), ExpectedPreview(0, 0));
}

}  // namespace
}  // namespace velmora
