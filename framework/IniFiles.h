// Settings files: TCustomIniFile, sections of keys with string values and
// the typed reads and writes built on them, and TIniFile, which keeps
// nothing in memory and reads and writes the platform's profile file at
// every call.
#pragma once

#include <string>

#include "framework/Object.h"

class TStrings;

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(std::string FileName) : fileName_(std::move(FileName)) {}
  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const = 0;
  // EIniFileException "Unable to write to <file name>" when the value is not
  // stored, the file then being as it was.
  virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
  // Decimal, or hexadecimal after "$" or "0x"; Default for anything else.
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // A number other than 0 is true; written as "1" or "0".
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

  // Each replaces what Strings held: the keys of a section, the sections,
  // or "key=value" for each key of a section.
  virtual void ReadSection(const std::string& Section, TStrings* Strings) const = 0;
  virtual void ReadSections(TStrings* Strings) const = 0;
  virtual void ReadSectionValues(const std::string& Section, TStrings* Strings) const;
  // A section with no keys exists too.
  bool SectionExists(const std::string& Section) const;
  bool ValueExists(const std::string& Section, const std::string& Ident) const;

  // A missing section is no error; a file that cannot be changed raises
  // EIniFileException as WriteString does.
  virtual void EraseSection(const std::string& Section) = 0;
  // Removes the key where it can; a failure is not reported.
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  // Writes what the object still holds to the file.
  virtual void UpdateFile() = 0;

 protected:
  [[noreturn]] void WriteError() const;

 private:
  std::string fileName_;
};

// A profile file of the platform, named as given: a name without a folder
// lies in the Windows folder. Section and key names compare as the platform
// compares them (single-byte letters without case); names it refuses (an
// empty one, a section with "]", a key with "=" or starting with "[" or ";",
// anything with a line break) and values with a line break are never
// written. A value comes back without blanks at either end and without
// matching quotes around it, as the platform reads it.
class TIniFile : public TCustomIniFile {
 public:
  using TCustomIniFile::TCustomIniFile;

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) const override;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings* Strings) const override;
  void ReadSections(TStrings* Strings) const override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Every write reaches the file at once: nothing is left to write.
  void UpdateFile() override {}
};
