#include "images/Image.h"

#include <algorithm>
#include <exception>

#include "framework/Forms.h"
#include "framework/Palette.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "platform/Text.h"

namespace {

// Zoomed sizes beyond this are drawn at this size.
constexpr double kMaxZoomedSize = 1 << 24;

// The hourglass cursor for as long as it lives; the cursor before it comes back.
class HourGlass {
 public:
  HourGlass() : saved_(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
  ~HourGlass() { Screen->SetCursor(saved_); }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;

 private:
  TCursor saved_;
};

// A size times the zoom, truncated toward zero; 0 for a zoom of 0 or below.
int Zoomed(int size, double zoom) {
  const double zoomed = size * zoom;
  if (!(zoomed > 0)) return 0;
  return static_cast<int>(std::min(zoomed, kMaxZoomedSize));
}

// Where a side of `size` starts in `room` by a rule of none, start, end, centre.
int Place(int rule, int room, int size) {
  switch (rule) {
    case 2:
      return room - size;
    case 3:
      return (room - size) / 2;
    default:
      return 0;
  }
}

}  // namespace

ktvImage::ktvImage(TComponent* AOwner) : TImage(AOwner) {
  TControl::SetColor(clBtnFace);
  Picture()->Bitmap()->SetPixelFormat(pf24bit);
}

ktvImage::~ktvImage() = default;

void ktvImage::SetAutoAlign(ktvAutoAlign Value) {
  if (Value == autoAlign_) return;
  autoAlign_ = Value;
  Invalidate();
}

void ktvImage::SetAutoZoom(ktvAutoZoom Value) {
  if (Value == autoZoom_) return;
  autoZoom_ = Value;
  if (Value == azNone) {
    zoom_ = 1.0;
    SetStretch(false);
  }
  Invalidate();
}

void ktvImage::SetZoom(double Value) {
  if (Value == zoom_) return;
  zoom_ = Value;
  Invalidate();
}

void ktvImage::SetColor(TColor Value) {
  if (Value == Color()) return;
  TControl::SetColor(Value);
  // Once not opaque, what lies behind must be painted again too.
  if (UpdateOpacity()) Invalidate();
}

std::string ktvImage::GetFilter() {
  return SJ("すべてのﾌｧｲﾙ(*.*)|*.*") + SJ("|ﾋﾞｯﾄﾏｯﾌﾟ|*.BMP;*.RLE;*.RGB;*.DIB");
}

void ktvImage::PaintTile(int W, int H) {
  if (W <= 0 || H <= 0) return;
  TGraphic* graphic = Picture()->Graphic();
  if (!graphic) return;
  for (int y = 0; y < Height(); y += H)
    for (int x = 0; x < Width(); x += W) TGraphicControl::Canvas()->StretchDraw(Rect(x, y, x + W, y + H), graphic);
}

void ktvImage::PaintAlign(int W, int H) {
  TCanvas* canvas = TGraphicControl::Canvas();
  if (!Transparent()) FillBackground(canvas);
  if (ComponentState().Contains(csDesigning)) {
    drawnRect_ = Rect(0, 0, W, H);
    canvas->Pen()->SetStyle(psDash);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(0, 0, Width(), Height());
    return;
  }
  if (autoAlign_ == aaTile) {
    drawnRect_ = Rect(0, 0, W, H);
    PaintTile(W, H);
    return;
  }
  int x = Place(autoAlign_ & 3, Width(), W);
  int y = Place(autoAlign_ >> 2 & 3, Height(), H);
  if (Center()) {
    x = Place(3, Width(), W);
    y = Place(3, Height(), H);
  }
  drawnRect_ = Rect(x, y, x + W, y + H);
  TGraphic* graphic = Picture()->Graphic();
  if (W > 0 && H > 0 && graphic) canvas->StretchDraw(drawnRect_, graphic);
}

bool ktvImage::LoadBitmapFile(const std::string& FileName) {
  try {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    // An empty file is no picture, though the bitmap loader makes it an empty one.
    if (stream.Size() == 0) return false;
    if (!IsBitmapFile(&stream)) {
      Picture()->LoadFromFile(FileName);
      bitDepth_ = 0;
      palette_.reset();
      return true;
    }
    TBitmapColors colors;
    if (!ReadBitmapColors(&stream, colors)) return false;
    // By its contents, whatever its extension (.dib, .rle, .rgb and .bmp alike).
    TBitmap bitmap;
    bitmap.LoadFromStream(&stream);
    Picture()->SetGraphic(&bitmap);
    bitDepth_ = colors.BitDepth;
    palette_ = std::move(colors.Palette);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool ktvImage::LoadFromFile(const std::string& FileName) {
  HourGlass wait;
  return !FileName.empty() && FileExists(FileName) && LoadBitmapFile(FileName);
}

bool ktvImage::SaveToFile(const std::string& FileName) {
  HourGlass wait;
  try {
    auto* bitmap = dynamic_cast<TBitmap*>(Picture()->Graphic());
    if (!bitmap || bitmap->Empty()) return false;
    if (bitDepth_ == 0) {
      bitmap->SaveToFile(FileName);
      return true;
    }
    const std::vector<uint8_t> file = EncodeBitmapFile(bitmap, bitDepth_, palette_.get());
    if (file.empty()) return false;
    TFileStream stream(FileName, fmCreate);
    for (size_t at = 0; at < file.size();) {
      const int chunk = static_cast<int>(std::min<size_t>(file.size() - at, size_t{1} << 30));
      stream.WriteBuffer(file.data() + at, chunk);
      at += static_cast<size_t>(chunk);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void ktvImage::CopyPalette(const TBitmapPalette* Value) {
  palette_ = Value ? std::make_unique<TBitmapPalette>(*Value) : nullptr;
}

void ktvImage::Paint() {
  int w = Picture()->Width();
  int h = Picture()->Height();
  if (Stretch()) {
    w = Width();
    h = Height();
  }
  // Written directly: a paint must not ask for another paint.
  if (autoZoom_ != azNone) zoom_ = FittingZoom(w, h);
  PaintAlign(Zoomed(w, zoom_), Zoomed(h, zoom_));
  if (OnPaint) OnPaint(this, TGraphicControl::Canvas());
}

double ktvImage::FittingZoom(int W, int H) {
  const double a = W ? static_cast<double>(Width()) / W : 0;
  const double b = H ? static_cast<double>(Height()) / H : 0;
  double z = std::min(a, b);
  if (z == 0) return z;
  if (z > 1 && autoZoom_ == azLarge) z = 1;
  if (z < 1 && autoZoom_ == azSmall) z = 1;
  return z;
}

void ktvImage::Dispatch(TMessage& Message) {
  if (Message.Msg == win::WM_ERASEBKGND)
    WMEraseBkgnd(Message);
  else
    TImage::Dispatch(Message);
}

void ktvImage::WMEraseBkgnd(TMessage& Message) {
  const auto dc = reinterpret_cast<win::HDC>(Message.WParam);
  if (dc && !Transparent()) {
    TCanvas canvas;
    PaintOnCanvas(canvas, dc, [&] { FillBackground(&canvas); });
  }
  Message.Result = 1;
}

void ktvImage::PictureChanged(TObject* Sender) {
  TImage::PictureChanged(Sender);
  if (UpdateOpacity()) Invalidate();
}

void ktvImage::FillBackground(TCanvas* Canvas) {
  if (Color() == clNone) return;
  Canvas->Brush()->SetColor(Color());
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->FillRect(Rect(0, 0, Width(), Height()));
}

bool ktvImage::UpdateOpacity() { return SetOpaque(!Transparent() && Color() != clNone); }

namespace Image {

void Register() { RegisterComponents("TOSKA", {ComponentClassOf<ktvImage>()}); }

}  // namespace Image
