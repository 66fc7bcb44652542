// A sample form of the standard controls, for people to look at and for the
// tests to check: a borderless window shaped by its skin picture (teal is
// the outside), a lowered title panel with two Japanese labels, a raised
// status panel with a centred caption, a cover image and an owner-drawn
// bitmap button.
#pragma once

#include <memory>
#include <string>

#include "framework/Buttons.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

class TSampleForm : public TForm {
 public:
  static constexpr TColor kOutside = clTeal;  // the skin's colour outside the shape

  explicit TSampleForm(TComponent* AOwner);

  // Cuts the window to the skin's pixels that are not kOutside.
  void ApplyShape();

  TImage* Skin;
  TPanel* TitlePanel;
  TLabel* TitleLabel;
  TLabel* ArtistLabel;
  TPanel* StatusPanel;
  TImage* Cover;
  TBitBtn* PlayButton;
};

// The part of the composed desktop that the form covers, with a margin of
// `margin` pixels around it; null when the desktop cannot be composed.
std::unique_ptr<TBitmap> SnapshotAround(TSampleForm& form, int margin);
// The same written to a PNG file at the host path; false on failure.
bool SaveSamplePng(TSampleForm& form, int margin, const std::string& path);
