// The temporary folder a site is built in, beside the output, held by one
// run at a time: the run locks it (platform::LockFolder) for its whole life.
// It is made under a name of the run's own, locked, and only then moved to
// its shared name, so that a folder found under the shared name that no run
// holds is surely a killed run's leftover, and one that a run holds is
// never touched.
//
// It owns the folder once taken: whatever way the run ends, the folder is
// removed then (before it is unlocked), unless Release() gave it up.
#pragma once

#include <string>
#include <vector>

#include "engine/outcome.h"
#include "platform/platform.h"

class TSiteTemporary {
 public:
  explicit TSiteTemporary(std::string path) : path_(std::move(path)) {}
  ~TSiteTemporary();
  TSiteTemporary(const TSiteTemporary&) = delete;
  TSiteTemporary& operator=(const TSiteTemporary&) = delete;

  // No problem: the folder exists at path(), new and empty, locked by this
  // run; each leftover removed on the way is in `removed`. Another run
  // holds it: kSiteAnotherRun (naming `output_shown`, the output as the
  // user gave it), and nothing was changed. Else the problem that stopped it.
  TProblem Take(const std::string& output_shown, std::vector<std::string>* removed);

  // Locks another folder until this one is released (best effort): the old
  // output, which has the temporary name after the swap until removed.
  void AlsoHold(const std::string& folder);

  // The folder under path() is no longer this run's to remove: it was put
  // in the output's place, or it is to stay where it is.
  void Release() { taken_ = false; }

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool taken_ = false;
  std::vector<platform::FileHandle> held_;
};
