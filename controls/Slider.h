// ktvSlider: a track bar on the image panel. Its value lies between Min and
// Max and is shown by a thumb, a child image control that the user drags;
// the thumb shows ButtonImage or a default thumb the slider draws itself.
// In the vertical orientation Max is at the top. The value changes only by
// dragging the thumb or by setting Position.
#pragma once

#include <cstdint>

#include "controls/Panel.h"

enum TTickStyle : uint8_t { tsNone, tsAuto, tsManual };
enum TTickMark : uint8_t { tmBottomRight, tmTopLeft, tmBoth };
enum TTrackBarOrientation : uint8_t { trHorizontal, trVertical };

class ktvSlider : public ktvPanel {
 public:
  explicit ktvSlider(TComponent* AOwner);
  ~ktvSlider() override;

  int Min() const { return min_; }
  void SetMin(int Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  // Always clamped into [Min, Max] (Min wins when Min > Max); OnChange
  // follows every real change of the value.
  int Position() const { return position_; }
  void SetPosition(int Value);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle Value);
  TTickMark TickMarks() const { return tickMarks_; }
  void SetTickMarks(TTickMark Value);
  // The step between automatic ticks.
  int Frequency() const { return frequency_; }
  void SetFrequency(int Value);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation Value);
  void SetAutoSize(bool Value) override;

  // The thumb's picture while it shows one (and while the slider is
  // designed, loaded or read), otherwise null. Null draws the default thumb.
  TBitmap* ButtonImage();
  void SetButtonImage(TBitmap* Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Loaded() override;

  // The thumb's top-left corner for a position, in slider coordinates.
  TPoint ButtonOrigin(int Position);
  // How far the bevels reach in: BevelWidth per bevel that is not none.
  int BevelInset();
  // Draws the default thumb into the thumb's bitmap.
  void DrawDefaultButton();

  // The thumb, a child image control owned by the slider.
  TImage* Button() const { return thumb_; }

  TNotifyEvent OnChange;

 protected:
  void Paint() override;

 private:
  int TravelLength();
  void DrawTrack();
  void DrawTicks();
  void ButtonMouseDown(int X, int Y);
  void ButtonMouseMove(int X, int Y);
  void ButtonMouseUp();

  TImage* thumb_ = nullptr;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  TTickStyle tickStyle_ = tsAuto;
  TTickMark tickMarks_ = tmBottomRight;
  int frequency_ = 10;
  TTrackBarOrientation orientation_ = trHorizontal;
  bool dragging_ = false;
  int grabX_ = 0;
  int grabY_ = 0;
  bool customThumb_ = false;
  bool painting_ = false;
};

namespace Slider {

// Adds ktvSlider to the palette page "TOSKA".
void Register();

}  // namespace Slider
