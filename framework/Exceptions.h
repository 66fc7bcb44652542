// The framework's exception classes: Exception with its message, and the
// kinds the system raises and catches.
#pragma once

#include <exception>
#include <string>

#include "framework/Object.h"
#include "platform/Types.h"

class Exception : public TObject, public std::exception {
 public:
  explicit Exception(std::string message, int helpContext = 0)
      : Message(std::move(message)), HelpContext(helpContext) {}
  // Exceptions are copied when thrown, which TObject forbids for components.
  Exception(const Exception& other) : TObject(), std::exception(other), Message(other.Message), HelpContext(other.HelpContext) {}
  const char* what() const noexcept override { return Message.c_str(); }

  std::string Message;  // code page 932
  int HelpContext;
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};

class EIniFileException : public Exception {
 public:
  using Exception::Exception;
};

class EOutOfResources : public Exception {
 public:
  using Exception::Exception;
};

// A failed automation call: the message, and the call's result code.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::string message, win::HRESULT errorCode, int helpContext)
      : Exception(std::move(message), helpContext), ErrorCode(errorCode) {}
  win::HRESULT ErrorCode;
};

// An automation error raised with the source of the failure.
class EOleException : public EOleSysError {
 public:
  EOleException(std::string message, win::HRESULT errorCode, std::string source, std::string helpFile,
                int helpContext)
      : EOleSysError(std::move(message), errorCode, helpContext), Source(std::move(source)), HelpFile(std::move(helpFile)) {}
  std::string Source;
  std::string HelpFile;
};
