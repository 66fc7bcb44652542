// The bitmap button: a push button drawn by the framework with a glyph
// beside its caption.
#pragma once

#include <memory>

#include "framework/Bitmaps.h"
#include "framework/ImageList.h"
#include "framework/StdCtrls.h"

// Where the glyph stands against the caption.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The images a glyph strip holds, left to right, by NumGlyphs.
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

// A push button whose window is owner-drawn: the parent's WM_DRAWITEM comes
// back reflected (CN_DRAWITEM) and DrawItem paints the push-button frame,
// the glyph's image of the state and the caption. The glyph is a strip of
// NumGlyphs images side by side (up, disabled, down, exclusive); a state
// without its own image shows the up image (disabled: embossed in the
// platform's disabled colours). Glyph and caption are centred together
// unless Margin (from the edge of Layout) is 0 or more; Spacing lies
// between them. A press shows everything one pixel right and down.
class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;

  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* Value) { glyph_->Assign(Value); }
  // 1 to 4; values outside are brought to the nearest.
  TNumGlyphs NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(TNumGlyphs Value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout Value);
  // -1 centres glyph and caption.
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  // Pixels between glyph and caption; -1 centres the caption in the room
  // the glyph leaves.
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  // Paints the button from the record of WM_DRAWITEM: pressed while
  // ODS_SELECTED, disabled with ODS_DISABLED, the focus frame with ODS_FOCUS.
  virtual void DrawItem(const win::DRAWITEMSTRUCT& DrawItemStruct);
  // The reflected WM_DRAWITEM: DrawItem, answered TRUE.
  virtual void CNDrawItem(TMessage& Message);

 private:
  void GlyphChanged(TObject* Sender);
  // The glyph cut into its images, made again after a change of the glyph
  // or of NumGlyphs; null for an empty glyph.
  TImageList* GlyphImages();
  // Which image of the strip a state shows, and whether it is drawn embossed.
  int ImageIndex(TButtonState State, bool& Embossed) const;
  void DrawCaption(TCanvas* Canvas, TRect Bounds, bool Enabled);
  // Where glyph and caption go inside Client by Layout, Margin and Spacing.
  void PlaceGlyphAndCaption(const TRect& Client, const TSize& GlyphSize, const TSize& CaptionSize, TPoint& GlyphPos,
                            TPoint& CaptionPos) const;

  std::unique_ptr<TBitmap> glyph_;
  std::unique_ptr<TImageList> glyphImages_;
  TNumGlyphs numGlyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
};
