#include "framework/Picture.h"

#include <vector>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/SysUtils.h"

namespace {

struct FileFormat {
  std::string extension;
  std::string description;
  TGraphicFactory factory;
};

std::vector<FileFormat>& FileFormats() {
  static std::vector<FileFormat> formats{{"bmp", SVBitmaps, [] { return new TBitmap; }}};
  return formats;
}

const FileFormat* FindFileFormat(const std::string& extension) {
  for (const FileFormat& format : FileFormats())
    if (AnsiSameText(format.extension, extension)) return &format;
  return nullptr;
}

}  // namespace

TPicture::~TPicture() { delete graphic_; }

void TPicture::Assign(TPersistent* Source) {
  if (!Source) return SetGraphic(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(Source)) return SetGraphic(picture->graphic_);
  if (auto* graphic = dynamic_cast<TGraphic*>(Source)) return SetGraphic(graphic);
  TPersistent::Assign(Source);
}

void TPicture::AssignTo(TPersistent* Dest) {
  if (graphic_ && graphic_->InheritsFrom(Dest->ClassName().c_str()))
    Dest->Assign(graphic_);
  else
    TPersistent::AssignTo(Dest);
}

void TPicture::SetGraphic(TGraphic* Value) {
  TGraphic* copy = nullptr;
  if (Value) {
    copy = Value->NewGraphic();
    try {
      copy->Assign(Value);
    } catch (...) {
      delete copy;
      throw;
    }
  }
  Adopt(copy);
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_)) Adopt(new TBitmap);
  return static_cast<TBitmap*>(graphic_);
}

void TPicture::LoadFromFile(const std::string& Filename) {
  std::string extension = ExtractFileExt(Filename);
  if (!extension.empty()) extension.erase(0, 1);
  const FileFormat* format = FindFileFormat(extension);
  if (!format) throw EInvalidGraphic(Format(SUnknownExtension, {extension}));
  TGraphic* graphic = format->factory();
  try {
    graphic->LoadFromFile(Filename);
  } catch (...) {
    delete graphic;
    throw;
  }
  Adopt(graphic);
}

void TPicture::SaveToFile(const std::string& Filename) {
  if (graphic_) graphic_->SaveToFile(Filename);
}

void TPicture::RegisterFileFormat(const std::string& AExtension, const std::string& ADescription,
                                  TGraphicFactory AFactory) {
  FileFormat format{AExtension, ADescription, std::move(AFactory)};
  for (FileFormat& existing : FileFormats()) {
    if (AnsiSameText(existing.extension, AExtension)) {
      existing = std::move(format);
      return;
    }
  }
  FileFormats().push_back(std::move(format));
}

void TPicture::Changed(TObject* Sender) {
  if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* graphic) {
  delete graphic_;
  graphic_ = graphic;
  if (graphic_) graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
  Changed(this);
}
