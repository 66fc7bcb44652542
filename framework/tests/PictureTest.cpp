#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "framework/Exceptions.h"
#include "framework/Picture.h"
#include "framework/Streams.h"
#include "framework/tests/GraphicsTestSupport.h"
#include "platform/Paths.h"
#include "testsupport/TempDir.h"

using graphicstest::Legend;
using graphicstest::Paint;
using graphicstest::Read;
using graphicstest::Rows;

namespace {

// A graphic of its own file format that keeps the bytes it read.
class TRecordedGraphic : public TGraphic {
 public:
  int Width() const override { return 7; }
  void SetWidth(int) override {}
  int Height() const override { return 3; }
  void SetHeight(int) override {}
  bool Empty() const override { return bytes.empty(); }
  void LoadFromStream(TStream* Stream) override {
    bytes.assign(static_cast<size_t>(Stream->Size() - Stream->Position()), '\0');
    Stream->ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
  }
  void SaveToStream(TStream* Stream) override { Stream->WriteBuffer(bytes.data(), static_cast<int>(bytes.size())); }
  TGraphic* NewGraphic() const override { return new TRecordedGraphic; }
  void Assign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<TRecordedGraphic*>(Source)) {
      bytes = other->bytes;
      return;
    }
    TGraphic::Assign(Source);
  }
  std::string bytes;

 protected:
  void Draw(TCanvas*, const TRect&) override {}
};

const Legend kLegend{{'.', clWhite}, {'R', clRed}, {'B', clBlue}};

class TPictureTest : public testing::Test {
 protected:
  void SetUp() override {
    win::MapDrive('T', dir.path());
    picture.OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, &picture);
      ++changes;
    };
  }
  void Lay(const std::string& name, const std::string& bytes) { std::ofstream(dir / name, std::ios::binary) << bytes; }
  void LaySample(const std::string& name) {
    TBitmap bitmap;
    Paint(bitmap, {"RB.", "BR."}, kLegend);
    bitmap.SaveToFile("T:\\" + name);
  }
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const EInvalidGraphic& e) {
      return e.Message;
    }
    return "no error";
  }

  testsupport::TempDir dir;
  TPicture picture;
  int changes = 0;
};

}  // namespace

TEST_F(TPictureTest, LoadsABitmapFileByItsExtensionInAnyCase) {
  LaySample("skin.BMP");
  picture.LoadFromFile("T:\\skin.BMP");
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Height(), 2);
  EXPECT_EQ(Read(*bitmap, kLegend), (Rows{"RB.", "BR."}));
  EXPECT_EQ(changes, 1);
}

TEST_F(TPictureTest, AnUnknownExtensionOrAFailedLoadKeepsTheGraphic) {
  LaySample("skin.bmp");
  picture.LoadFromFile("T:\\skin.bmp");
  TGraphic* before = picture.Graphic();
  // No test registers this one: a registration lasts for the process.
  Lay("drawing.xyz", "XYZ");
  EXPECT_EQ(ErrorOf([&] { picture.LoadFromFile("T:\\drawing.xyz"); }), "Unknown picture file extension (.xyz)");
  EXPECT_EQ(ErrorOf([&] { picture.LoadFromFile("T:\\noextension"); }), "Unknown picture file extension (.)");
  Lay("broken.bmp", "BM broken");
  EXPECT_EQ(ErrorOf([&] { picture.LoadFromFile("T:\\broken.bmp"); }), "Bitmap image is not valid");
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_EQ(changes, 1);
}

TEST_F(TPictureTest, RegisteredFormatsLoadWithTheirOwnClass) {
  TPicture::RegisterFileFormat("gif", "GIF image", [] { return new TRecordedGraphic; });
  Lay("anim.gif", "GIF89a...");
  picture.LoadFromFile("T:\\anim.GIF");
  auto* graphic = dynamic_cast<TRecordedGraphic*>(picture.Graphic());
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->bytes, "GIF89a...");
  EXPECT_EQ(picture.Width(), 7);

  picture.SaveToFile("T:\\copy.gif");
  TRecordedGraphic saved;
  saved.LoadFromFile("T:\\copy.gif");
  EXPECT_EQ(saved.bytes, "GIF89a...");
}

TEST_F(TPictureTest, BitmapIsMadeOnDemandInPlaceOfAGraphicOfAnotherClass) {
  EXPECT_EQ(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Width(), 0);
  TBitmap* bitmap = picture.Bitmap();
  EXPECT_EQ(picture.Graphic(), bitmap);
  EXPECT_TRUE(bitmap->Empty());
  EXPECT_EQ(picture.Bitmap(), bitmap);

  TRecordedGraphic other;
  other.bytes = "x";
  picture.SetGraphic(&other);
  EXPECT_NE(picture.Graphic(), &other);
  EXPECT_NE(dynamic_cast<TRecordedGraphic*>(picture.Graphic()), nullptr);
  EXPECT_NE(dynamic_cast<TBitmap*>(picture.Bitmap()), nullptr);
  EXPECT_EQ(changes, 3);
}

TEST_F(TPictureTest, ChangesOfTheGraphicAreChangesOfThePicture) {
  TBitmap* bitmap = picture.Bitmap();
  changes = 0;
  bitmap->SetSize(2, 2);
  bitmap->Canvas()->SetPixels(0, 0, clRed);
  EXPECT_EQ(changes, 2);
}

TEST_F(TPictureTest, AssignmentCopiesTheGraphicBothWays) {
  TBitmap source;
  Paint(source, {"RB"}, kLegend);
  picture.Assign(&source);
  source.Canvas()->SetPixels(0, 0, clWhite);
  EXPECT_EQ(Read(*picture.Bitmap(), kLegend), Rows{"RB"});

  TPicture other;
  other.Assign(&picture);
  EXPECT_NE(other.Graphic(), picture.Graphic());
  EXPECT_EQ(Read(*other.Bitmap(), kLegend), Rows{"RB"});

  TBitmap target;
  target.Assign(&picture);
  EXPECT_EQ(Read(target, kLegend), Rows{"RB"});
  TRecordedGraphic recorded;
  EXPECT_THROW(recorded.Assign(&picture), EConvertError);

  picture.Assign(nullptr);
  EXPECT_EQ(picture.Graphic(), nullptr);
}
