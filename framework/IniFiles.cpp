#include "framework/IniFiles.h"

#include <functional>
#include <vector>

#include "framework/Consts.h"
#include "framework/Exceptions.h"
#include "framework/Lists.h"
#include "framework/SysUtils.h"
#include "platform/Profile.h"

namespace {

// Names compare as the platform's profile files compare them.
bool HoldsName(const TStrings& names, const std::string& name) {
  for (int i = 0; i < names.Count(); ++i)
    if (AnsiSameFileName(names.Strings(i), name)) return true;
  return false;
}

// Asks `read` with ever larger buffers until the answer is not cut: a cut
// value answers size - 1, a cut list size - 2 (`cutMark`).
std::string ReadWhole(const std::function<win::DWORD(win::LPSTR, win::DWORD)>& read, win::DWORD cutMark) {
  std::vector<char> buffer(2048);
  for (;;) {
    const auto size = static_cast<win::DWORD>(buffer.size());
    const win::DWORD length = read(buffer.data(), size);
    if (length < size - cutMark) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

// A list of NUL-terminated names into Strings.
void ReplaceByList(TStrings* Strings, const std::string& list) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (size_t start = 0; start < list.size();) {
      size_t end = list.find('\0', start);
      if (end == std::string::npos) end = list.size();
      Strings->Add(list.substr(start, end - start));
      start = end + 1;
    }
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

}  // namespace

// ---- TCustomIniFile ---------------------------------------------------------

void TCustomIniFile::WriteError() const { throw EIniFileException(Format(SIniFileWriteError, {FileName()})); }

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const {
  return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TCustomIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) const {
  TStringList keys;
  ReadSection(Section, &keys);
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (int i = 0; i < keys.Count(); ++i)
      Strings->Add(keys.Strings(i) + "=" + ReadString(Section, keys.Strings(i), ""));
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

bool TCustomIniFile::SectionExists(const std::string& Section) const {
  TStringList sections;
  ReadSections(&sections);
  return HoldsName(sections, Section);
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  TStringList keys;
  ReadSection(Section, &keys);
  return HoldsName(keys, Ident);
}

// ---- TIniFile ---------------------------------------------------------------

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
  return ReadWhole(
      [&](win::LPSTR buffer, win::DWORD size) {
        return win::GetPrivateProfileStringA(Section.c_str(), Ident.c_str(), Default.c_str(), buffer, size,
                                             FileName().c_str());
      },
      1);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  if (!win::WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), Value.c_str(), FileName().c_str()))
    WriteError();
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) const {
  ReplaceByList(Strings, ReadWhole(
                             [&](win::LPSTR buffer, win::DWORD size) {
                               return win::GetPrivateProfileStringA(Section.c_str(), nullptr, nullptr, buffer, size,
                                                                    FileName().c_str());
                             },
                             2));
}

void TIniFile::ReadSections(TStrings* Strings) const {
  ReplaceByList(Strings, ReadWhole(
                             [&](win::LPSTR buffer, win::DWORD size) {
                               return win::GetPrivateProfileSectionNamesA(buffer, size, FileName().c_str());
                             },
                             2));
}

void TIniFile::EraseSection(const std::string& Section) {
  if (!win::WritePrivateProfileStringA(Section.c_str(), nullptr, nullptr, FileName().c_str())) WriteError();
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  win::WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), nullptr, FileName().c_str());
}
