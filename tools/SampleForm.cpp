#include "tools/SampleForm.h"

#include <cmath>

#include "framework/SysUtils.h"
#include "platform/Desktop.h"
#include "platform/Gdi.h"
#include "platform/Painting.h"
#include "platform/Raster.h"
#include "platform/Regions.h"
#include "platform/Snapshot.h"
#include "platform/Text.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 100;

// Fills a rectangle with rounded corners of the radius, row by row.
void FillRounded(TCanvas* canvas, const TRect& rect, int radius, TColor color) {
  canvas->Brush()->SetColor(color);
  for (int y = rect.top; y < rect.bottom; ++y) {
    const int fromEdge = std::min<int>(y - rect.top, rect.bottom - 1 - y);
    int inset = 0;
    if (fromEdge < radius) {
      const double dy = radius - fromEdge - 0.5;
      inset = static_cast<int>(std::lround(radius - std::sqrt(radius * radius - dy * dy)));
    }
    canvas->FillRect(Rect(rect.left + inset, y, rect.right - inset, y + 1));
  }
}

// The skin: a grey-rimmed silver lozenge on the outside colour.
void PaintSkin(TBitmap* skin) {
  skin->SetPixelFormat(pf24bit);
  skin->SetSize(kWidth, kHeight);
  TCanvas* canvas = skin->Canvas();
  canvas->Brush()->SetColor(TSampleForm::kOutside);
  canvas->FillRect(Rect(0, 0, kWidth, kHeight));
  FillRounded(canvas, Rect(0, 0, kWidth, kHeight), 20, clGray);
  FillRounded(canvas, Rect(2, 2, kWidth - 2, kHeight - 2), 18, clSilver);
}

// A 4 by 4 checker of red and white.
void PaintCover(TBitmap* cover) {
  cover->SetSize(4, 4);
  TCanvas* canvas = cover->Canvas();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) canvas->SetPixels(x, y, (x + y) % 2 ? clWhite : clRed);
}

// Two 12 by 12 images: a lime arrow pointing right, and the same greyed; the
// fuchsia around it is left out.
void PaintPlayGlyph(TBitmap* glyph) {
  glyph->SetSize(24, 12);
  TCanvas* canvas = glyph->Canvas();
  canvas->Brush()->SetColor(clFuchsia);
  canvas->FillRect(Rect(0, 0, 24, 12));
  for (int image = 0; image < 2; ++image) {
    canvas->Brush()->SetColor(image == 0 ? clLime : clGray);
    for (int x = 0; x < 8; ++x) {
      const int half = (9 - x) / 2;
      canvas->FillRect(Rect(image * 12 + 2 + x, 6 - half, image * 12 + 3 + x, 6 + half));
    }
  }
}

}  // namespace

TSampleForm::TSampleForm(TComponent* AOwner) : TForm(AOwner) {
  TComponentLoader loader;
  loader.Add(this);
  SetBorderStyle(bsNone);
  SetBounds(40, 30, kWidth, kHeight);
  SetColor(kOutside);

  Skin = loader.Add(new TImage(this));
  Skin->SetAlign(alClient);
  Skin->SetParent(this);
  PaintSkin(Skin->Picture()->Bitmap());

  TitlePanel = loader.Add(new TPanel(this));
  TitlePanel->SetBounds(16, 12, 150, 40);
  TitlePanel->SetBevelOuter(bvLowered);
  TitlePanel->SetBevelInner(bvRaised);
  TitlePanel->SetColor(clNavy);
  TitlePanel->SetCaption("");
  TitlePanel->SetParent(this);

  TitleLabel = loader.Add(new TLabel(this));
  TitleLabel->SetBounds(6, 5, 10, 10);
  TitleLabel->SetCaption(SJ("再生中の曲"));
  TitleLabel->SetTransparent(true);
  TitleLabel->Font()->SetColor(clWhite);
  TitleLabel->SetParent(TitlePanel);

  ArtistLabel = loader.Add(new TLabel(this));
  ArtistLabel->SetBounds(6, 21, 10, 10);
  ArtistLabel->SetCaption(SJ("歌手の名前"));
  ArtistLabel->SetTransparent(true);
  ArtistLabel->Font()->SetColor(clYellow);
  ArtistLabel->SetParent(TitlePanel);

  Cover = loader.Add(new TImage(this));
  Cover->SetBounds(180, 14, 40, 40);
  Cover->SetStretch(true);
  PaintCover(Cover->Picture()->Bitmap());
  Cover->SetParent(this);

  StatusPanel = loader.Add(new TPanel(this));
  StatusPanel->SetBounds(16, 60, 100, 24);
  StatusPanel->SetBevelOuter(bvRaised);
  StatusPanel->SetBevelWidth(2);
  StatusPanel->SetCaption("00:00");
  StatusPanel->Font()->SetColor(clBlack);
  StatusPanel->SetParent(this);

  PlayButton = loader.Add(new TBitBtn(this));
  PlayButton->SetBounds(130, 60, 36, 24);
  PaintPlayGlyph(PlayButton->Glyph());
  PlayButton->SetNumGlyphs(2);
  PlayButton->SetCaption("");
  PlayButton->SetParent(this);

  loader.Loaded();
}

void TSampleForm::ApplyShape() {
  TCanvas* canvas = Skin->Picture()->Bitmap()->Canvas();
  const win::HRGN shape = win::CreateRectRgn(0, 0, 0, 0);
  if (!shape) RaiseLastOSError();
  const TColor outside = ColorToRGB(kOutside);
  for (int y = 0; y < kHeight; ++y) {
    int x = 0;
    while (x < kWidth) {
      while (x < kWidth && canvas->Pixels(x, y) == outside) ++x;
      const int start = x;
      while (x < kWidth && canvas->Pixels(x, y) != outside) ++x;
      if (x == start) continue;
      const win::HRGN run = win::CreateRectRgn(start, y, x, y + 1);
      win::CombineRgn(shape, shape, run, win::RGN_OR);
      win::DeleteObject(run);
    }
  }
  if (!win::SetWindowRgn(Handle(), shape, win::TRUE)) {
    win::DeleteObject(shape);
    RaiseLastOSError();
  }
}

std::unique_ptr<TBitmap> SnapshotAround(TSampleForm& form, int margin) {
  const win::HBITMAP desktop = win::test::SnapshotDesktop();
  if (!desktop) return nullptr;
  auto picture = std::make_unique<TBitmap>();
  picture->SetPixelFormat(pf24bit);
  picture->SetSize(form.Width() + 2 * margin, form.Height() + 2 * margin);
  const win::HDC source = win::CreateCompatibleDC(nullptr);
  const win::HGDIOBJ old = win::SelectObject(source, desktop);
  win::BitBlt(picture->Canvas()->Handle(), 0, 0, picture->Width(), picture->Height(), source, form.Left() - margin,
              form.Top() - margin, win::SRCCOPY);
  win::SelectObject(source, old);
  win::DeleteDC(source);
  win::DeleteObject(desktop);
  return picture;
}

bool SaveSamplePng(TSampleForm& form, int margin, const std::string& path) {
  const std::unique_ptr<TBitmap> picture = SnapshotAround(form, margin);
  return picture && win::test::SaveBitmapPng(picture->Canvas()->Handle(), path);
}
