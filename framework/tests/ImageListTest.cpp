#include <gtest/gtest.h>

#include <string>

#include "framework/Exceptions.h"
#include "framework/ImageList.h"
#include "framework/tests/GraphicsTestSupport.h"

using graphicstest::Legend;
using graphicstest::Paint;
using graphicstest::Read;
using graphicstest::Rows;

namespace {

const Legend kLegend{{'.', clWhite}, {'R', clRed},    {'B', clBlue}, {'K', clBlack},
                     {'T', clTeal},  {'F', clSilver}, {'S', clGray}, {'Y', clYellow}};

class TImageListTest : public testing::Test {
 protected:
  void SetUp() override {
    list->SetWidth(3);
    list->SetHeight(2);
    list->OnChange = [this](TObject*) { ++changes; };
    changes = 0;
  }
  // A 3 by 2 target of one colour, with the image drawn at (0, 0).
  Rows Drawn(int index, char background = 'B', bool enabled = true) {
    TBitmap target;
    Paint(target, {std::string(3, background), std::string(3, background)}, kLegend);
    list->Draw(target.Canvas(), 0, 0, index, enabled);
    return Read(target, kLegend);
  }

  TComponent owner{nullptr};
  TImageList* list = new TImageList(&owner);
  int changes = 0;
};

}  // namespace

TEST_F(TImageListTest, IsAComponentNamedTImageListWithTheDefaults) {
  EXPECT_EQ(list->ClassName(), "TImageList");
  EXPECT_EQ(list->Owner(), &owner);
  TImageList fresh(nullptr);
  EXPECT_EQ(fresh.Width(), 16);
  EXPECT_EQ(fresh.Height(), 16);
  EXPECT_EQ(fresh.Count(), 0);
  EXPECT_TRUE(fresh.Masked);
  EXPECT_EQ(fresh.BkColor, clNone);
  EXPECT_EQ(fresh.DrawingStyle, dsNormal);
}

TEST_F(TImageListTest, AddMaskedCutsAStripFromLeftToRight) {
  TBitmap strip;
  Paint(strip, {"RTTYTTKTTBT", "TRTTYTTKTTB"}, kLegend);  // 3 whole images and 2 columns more
  EXPECT_EQ(list->AddMasked(&strip, clTeal), 0);
  EXPECT_EQ(list->Count(), 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Drawn(0), (Rows{"RBB", "BRB"}));
  EXPECT_EQ(Drawn(1), (Rows{"YBB", "BYB"}));
  EXPECT_EQ(Drawn(2), (Rows{"KBB", "BKB"}));
  EXPECT_EQ(list->AddMasked(&strip, clTeal), 3);
  TBitmap narrow;
  Paint(narrow, {"RR", "RR"}, kLegend);
  EXPECT_EQ(list->AddMasked(&narrow, clTeal), -1);
  EXPECT_EQ(list->Count(), 6);
}

TEST_F(TImageListTest, TransparentPixelsShowTheBackgroundColourOrWhatIsThere) {
  TBitmap glyph;
  Paint(glyph, {"TRT", "RRT"}, kLegend);
  list->AddMasked(&glyph, clTeal);
  EXPECT_EQ(Drawn(0), (Rows{"BRB", "RRB"}));
  list->BkColor = clYellow;
  EXPECT_EQ(Drawn(0), (Rows{"YRY", "RRY"}));
  list->DrawingStyle = dsTransparent;
  EXPECT_EQ(Drawn(0), (Rows{"BRB", "RRB"}));
  list->Masked = false;
  EXPECT_EQ(Drawn(0), (Rows{"TRT", "RRT"}));
  list->Masked = true;
  list->ImageType = itMask;
  EXPECT_EQ(Drawn(0), (Rows{".K.", "KK."}));
}

TEST_F(TImageListTest, AddTakesAMaskBitmapOrNone) {
  TBitmap image;
  Paint(image, {"RRRBBB", "RRRBBB"}, kLegend);
  TBitmap mask;
  mask.SetMonochrome(true);
  Paint(mask, {"K..KKK", ".K.KKK"}, kLegend);
  EXPECT_EQ(list->Add(&image, &mask), 0);
  EXPECT_EQ(Drawn(0, 'Y'), (Rows{"RYY", "YRY"}));
  EXPECT_EQ(Drawn(1, 'Y'), (Rows{"BBB", "BBB"}));
  // Without a mask every pixel of the strip is opaque; an image below a
  // short strip is transparent.
  TBitmap shortStrip;
  Paint(shortStrip, {"RBR"}, kLegend);
  EXPECT_EQ(list->Add(&shortStrip, nullptr), 2);
  EXPECT_EQ(Drawn(2, 'Y'), (Rows{"RBR", "YYY"}));
}

TEST_F(TImageListTest, DisabledImagesShowTheirShapeInHighlightAndShadow) {
  list->SetHeight(3);
  TBitmap glyph;
  // White pixels and transparent ones are no part of the shape.
  Paint(glyph, {"TKT", "K.R", "TTT"}, kLegend);
  list->AddMasked(&glyph, clTeal);
  TBitmap target;
  Paint(target, {"FFFF", "FFFF", "FFFF", "FFFF"}, kLegend);
  list->Draw(target.Canvas(), 0, 0, 0, false);
  EXPECT_EQ(Read(target, kLegend), (Rows{"FSFF", "SFSF", "F.F.", "FFFF"}));
}

TEST_F(TImageListTest, FocusAndSelectedStylesMixTheBlendColourIn) {
  TBitmap glyph;
  Paint(glyph, {"RRT", "RRT"}, kLegend);
  list->AddMasked(&glyph, clTeal);
  TBitmap target;
  target.SetSize(3, 2);
  target.Canvas()->Brush()->SetColor(clBlue);
  target.Canvas()->FillRect(Rect(0, 0, 3, 2));
  list->DrawingStyle = dsSelected;
  list->BlendColor = clWhite;
  list->Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(target.Canvas()->Pixels(0, 0), win::RGB(255, 127, 127));
  EXPECT_EQ(target.Canvas()->Pixels(2, 0), ColorToRGB(clBlue));
  target.Canvas()->FillRect(Rect(0, 0, 3, 2));
  list->DrawingStyle = dsFocus;
  list->BlendColor = clNone;  // mixed with what is there
  list->Draw(target.Canvas(), 0, 0, 0);
  EXPECT_EQ(target.Canvas()->Pixels(0, 1), win::RGB(191, 0, 63));
}

TEST_F(TImageListTest, GetBitmapGivesAnImageAtTheListsSize) {
  TBitmap glyph;
  Paint(glyph, {"TRT", "RRT"}, kLegend);
  list->AddMasked(&glyph, clTeal);
  list->BkColor = clTeal;
  TBitmap image;
  list->GetBitmap(0, &image);
  EXPECT_EQ(Read(image, kLegend), (Rows{"TRT", "RRT"}));
}

TEST_F(TImageListTest, DeleteClearAndResizingChangeTheListAndBadIndicesAreRefused) {
  TBitmap strip;
  Paint(strip, {"RRRBBBKKK", "RRRBBBKKK"}, kLegend);
  list->AddMasked(&strip, clTeal);
  list->Delete(1);
  EXPECT_EQ(list->Count(), 2);
  EXPECT_EQ(Drawn(1, 'Y'), (Rows{"KKK", "KKK"}));
  EXPECT_EQ(Drawn(2, 'Y'), (Rows{"YYY", "YYY"}));  // no such image: nothing drawn
  EXPECT_EQ(Drawn(-1, 'Y'), (Rows{"YYY", "YYY"}));
  try {
    list->Delete(2);
    FAIL() << "deleted";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message, "Invalid ImageList Index");
  }
  list->SetWidth(3);
  EXPECT_EQ(list->Count(), 2);
  list->SetWidth(4);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_THROW(list->SetHeight(0), EInvalidOperation);
  list->Clear();
  EXPECT_EQ(changes, 4);
}
