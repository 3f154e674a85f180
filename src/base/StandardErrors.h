#pragma once

#include <string>

#include "SysUtils.h"

// Errors of the general-purpose containers and of file access, shared by every layer that keeps
// lists or reads and writes files.

class EListError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EListError"; }
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EStreamError"; }
};

class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
  const char* ClassName() const override { return "EFCreateError"; }
};

class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
  const char* ClassName() const override { return "EFOpenError"; }
};

// "List index out of bounds (N)"
inline EListError MakeListIndexError(long long index) {
  return EListError(Format("List index out of bounds (%lld)", index));
}

// "Cannot create file "name". reason"
inline EFCreateError MakeFCreateError(const std::string& fileName, const std::string& reason) {
  return EFCreateError(Format("Cannot create file \"%s\". %s", fileName.c_str(), reason.c_str()));
}

// "Cannot open file "name". reason"
inline EFOpenError MakeFOpenError(const std::string& fileName, const std::string& reason) {
  return EFOpenError(Format("Cannot open file \"%s\". %s", fileName.c_str(), reason.c_str()));
}
