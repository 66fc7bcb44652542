// The root of the framework's classes.
#pragma once

#include <string>
#include <typeinfo>

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  // The name of the object's most derived class, as it is written in code
  // ("TImageList"); code that accepts only one class compares it.
  std::string ClassName() const;
  bool InheritsFrom(const char* className) const;
};

// The name of a class as ClassName() gives it for its objects ("TImageList").
std::string ClassNameOf(const std::type_info& type);
