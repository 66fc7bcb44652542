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

// A bad index or capacity of a list.
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// A string list refused an operation: a bad index, a duplicate, an insert
// into a sorted list.
class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

// A component's name that is not an identifier or that its owner holds already.
class EComponentError : public Exception {
 public:
  using Exception::Exception;
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

class EFilerError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

// Fewer bytes read than asked for.
class EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

// Fewer bytes written than asked for.
class EWriteError : public EFilerError {
 public:
  using EFilerError::EFilerError;
};

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class EThread : public Exception {
 public:
  using Exception::Exception;
};

// A failed call of the platform, with the platform's error code.
class EOSError : public Exception {
 public:
  explicit EOSError(std::string message, win::DWORD errorCode = 0) : Exception(std::move(message)), ErrorCode(errorCode) {}
  win::DWORD ErrorCode;
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

// An operation that the object's present state does not allow (a canvas
// without a device context, a bad image index).
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};
