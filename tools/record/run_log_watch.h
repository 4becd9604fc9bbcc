// Watching the library's run log from another process, without ever getting in its way:
// the only platform code of the collector.
//
// The file is opened for reading only, for as long as one read takes, and never locked,
// written, renamed or deleted. On Windows it is opened with read, write and delete
// sharing, so that the library's own opens (to empty it, or to append a section) always
// succeed while the collector holds it. A change of the folder wakes the watcher at
// once (inotify on Linux, a change notification on Windows); it also looks on its own
// every few milliseconds, in case a notification is missed or not supported.
#pragma once

#include <cstdint>
#include <string>

namespace sawline::tools {

enum class LogRead {
  kRead,     // the bytes are the whole file as it stood during the read
  kMissing,  // there is no file (the bytes are empty)
  kFailed,   // it could not be read, or it changed under every try
};

class RunLogWatch {
 public:
  explicit RunLogWatch(const std::string& folder);
  ~RunLogWatch();
  RunLogWatch(const RunLogWatch&) = delete;
  RunLogWatch& operator=(const RunLogWatch&) = delete;

  // The run log's path: FOLDER/BackupData.txt.
  const std::string& path() const { return path_; }

  // Reads the whole file. A read that the library's writing overlapped (its size or
  // time changed meanwhile) is tried again. `written` is the file's last write time
  // where the system changes it with every write (Linux), else 0.
  LogRead Read(std::string* bytes, uint64_t* written = nullptr) const;

  // Waits until the folder changes or `milliseconds` have passed.
  void Wait(int milliseconds);

 private:
  std::string folder_;
  std::string path_;
  intptr_t handle_ = -1;  // the notification's descriptor or handle; -1 for none
};

}  // namespace sawline::tools
