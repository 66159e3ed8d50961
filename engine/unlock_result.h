// What unlocking a page came to, and a message that names the cause.
#pragma once

#include <string>

enum class TUnlockStatus {
  Done,
  WrongPassword,
  // The block is there but broken: altered, cut short, or added to.
  Damaged,
  // The file holds no block of either format.
  NotLocked,
  ReadFailed,
  WriteFailed,
  // The output file exists already; it is never overwritten.
  OutputExists,
  // The system's cryptography refused to work.
  CryptoFailed,
};

struct TUnlockResult {
  TUnlockStatus status = TUnlockStatus::Done;
  std::string message;
};
