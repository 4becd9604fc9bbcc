#include "record/run_log_watch.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "record/record_reader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace sawline::tools {
namespace {

// How often a read overlapped by a write is tried again before the watcher waits for
// the next change.
constexpr int kReadTries = 5;

// What a read is checked against: the file's size and last write time before and after.
struct FileStamp {
  uint64_t size = 0;
  uint64_t time = 0;
  bool operator==(const FileStamp& other) const { return size == other.size && time == other.time; }
};

#if defined(_WIN32)

using NativeFile = HANDLE;

NativeFile OpenShared(const std::string& path, bool* missing) {
  const HANDLE file = CreateFileW(std::filesystem::path(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return nullptr;
  }
  return file;
}

bool Stamp(NativeFile file, FileStamp* stamp) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  stamp->size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  stamp->time =
      (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
  return true;
}

// Reads up to `size` bytes from the file's current position; the count read.
int64_t ReadSome(NativeFile file, char* buffer, size_t size) {
  DWORD got = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
  return got;
}

void CloseFile(NativeFile file) {
  CloseHandle(file);
}

#else

using NativeFile = int;

NativeFile OpenShared(const std::string& path, bool* missing) {
  const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) *missing = errno == ENOENT || errno == ENOTDIR;
  return file < 0 ? NativeFile{-1} : file;
}

bool Stamp(NativeFile file, FileStamp* stamp) {
  struct stat info;
  if (fstat(file, &info) != 0) return false;
  stamp->size = static_cast<uint64_t>(info.st_size);
  stamp->time = static_cast<uint64_t>(info.st_mtim.tv_sec) * 1000000000u +
                static_cast<uint64_t>(info.st_mtim.tv_nsec);
  return true;
}

int64_t ReadSome(NativeFile file, char* buffer, size_t size) {
  ssize_t got = 0;
  do {
    got = read(file, buffer, size);
  } while (got < 0 && errno == EINTR);
  return got;
}

void CloseFile(NativeFile file) {
  close(file);
}

#endif

bool Opened(NativeFile file) {
#if defined(_WIN32)
  return file != nullptr;
#else
  return file >= 0;
#endif
}

// One read of the whole file: kRead only when its stamp did not change during it.
LogRead ReadOnce(const std::string& path, std::string* bytes, bool* overlapped, uint64_t* written) {
  bytes->clear();
  *overlapped = false;
  bool missing = false;
  const NativeFile file = OpenShared(path, &missing);
  if (!Opened(file)) return missing ? LogRead::kMissing : LogRead::kFailed;
  FileStamp before, after;
  bool ok = Stamp(file, &before);
  char buffer[1 << 16];
  while (ok) {
    const int64_t got = ReadSome(file, buffer, sizeof buffer);
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    bytes->append(buffer, static_cast<size_t>(got));
    ok = bytes->size() <= kMaxRecordBytes;
  }
  ok = ok && Stamp(file, &after);
  CloseFile(file);
  if (!ok) return LogRead::kFailed;
  *overlapped = !(before == after) || bytes->size() != after.size;
  // NTFS may move a file's write time on when the writer closes it, after the bytes:
  // only Linux's changes with every write.
#if defined(_WIN32)
  *written = 0;
#else
  *written = after.time;
#endif
  return LogRead::kRead;
}

}  // namespace

RunLogWatch::RunLogWatch(const std::string& folder)
    : folder_(folder), path_((std::filesystem::path(folder) / "BackupData.txt").string()) {
#if defined(_WIN32)
  const HANDLE change = FindFirstChangeNotificationW(
      std::filesystem::path(folder).c_str(), FALSE,
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
  if (change != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<intptr_t>(change);
#else
  const int notify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notify < 0) return;
  const uint32_t events =
      IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  if (inotify_add_watch(notify, folder.c_str(), events) < 0) {
    close(notify);
    return;
  }
  handle_ = notify;
#endif
}

RunLogWatch::~RunLogWatch() {
  if (handle_ == -1) return;
#if defined(_WIN32)
  FindCloseChangeNotification(reinterpret_cast<HANDLE>(handle_));
#else
  close(static_cast<int>(handle_));
#endif
}

LogRead RunLogWatch::Read(std::string* bytes, uint64_t* written) const {
  uint64_t ignored = 0;
  if (written == nullptr) written = &ignored;
  *written = 0;
  for (int attempt = 0; attempt < kReadTries; ++attempt) {
    bool overlapped = false;
    const LogRead read = ReadOnce(path_, bytes, &overlapped, written);
    if (read != LogRead::kRead || !overlapped) return read;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  bytes->clear();
  *written = 0;
  return LogRead::kFailed;
}

void RunLogWatch::Wait(int milliseconds) {
  if (handle_ == -1) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
#if defined(_WIN32)
  const HANDLE change = reinterpret_cast<HANDLE>(handle_);
  if (WaitForSingleObject(change, static_cast<DWORD>(milliseconds)) == WAIT_OBJECT_0) {
    FindNextChangeNotification(change);
  }
#else
  pollfd watched{static_cast<int>(handle_), POLLIN, 0};
  if (poll(&watched, 1, milliseconds) > 0) {
    char events[4096];
    while (read(static_cast<int>(handle_), events, sizeof events) > 0) {
    }
  }
#endif
}

}  // namespace sawline::tools
