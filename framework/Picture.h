// The framework's picture: a holder of one graphic of any class, which it
// loads from a file by the file name's extension.
#pragma once

#include <functional>
#include <string>

#include "framework/Bitmaps.h"
#include "framework/Graphics.h"

// Makes a new empty graphic of the class that reads a file format.
using TGraphicFactory = std::function<TGraphic*()>;

// Owns its graphic (or none), and reports every change of it by OnChange.
class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ~TPicture() override;
  // A picture's or a graphic's copy; nullptr leaves no graphic.
  void Assign(TPersistent* Source) override;

  TGraphic* Graphic() const { return graphic_; }
  // Holds a copy of Value (none for nullptr).
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap: a graphic of another class, or none, is
  // replaced by a new empty bitmap.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
  // The graphic's size; 0 without one.
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // A new graphic of the class registered for the file name's extension
  // (ignoring case) takes the place of the old one once it has loaded; an
  // extension without a class raises EInvalidGraphic "Unknown picture file
  // extension (.<ext>)", and a failed load leaves the old graphic.
  void LoadFromFile(const std::string& Filename);
  // The graphic's own file format; nothing without a graphic.
  void SaveToFile(const std::string& Filename);

  // Makes LoadFromFile read files of the extension (without the dot) with
  // graphics of the factory's class; "bmp" reads bitmaps from the start. A
  // later registration of an extension replaces the earlier one.
  static void RegisterFileFormat(const std::string& AExtension, const std::string& ADescription,
                                 TGraphicFactory AFactory);

  TNotifyEvent OnChange;

 protected:
  // Gives a graphic of the class of Dest (or a class derived from it) a
  // copy of this picture's graphic.
  void AssignTo(TPersistent* Dest) override;
  virtual void Changed(TObject* Sender);

 private:
  // Holds `graphic` in place of the old one and reports the change.
  void Adopt(TGraphic* graphic);
  TGraphic* graphic_ = nullptr;
};
