#include "cli/collect_command.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "desk/text.h"
#include "record/record_archive.h"
#include "record/record_collector.h"
#include "record/record_reader.h"
#include "record/record_text.h"
#include "record/run_log_watch.h"

namespace sawline::tools {
namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

// How long the watcher waits for a change before it looks at the file on its own.
constexpr int kLookMilliseconds = 10;
// On a stop request a record that is whole without results is kept once the file has
// not changed for this long: no call of the library takes that long between two
// sections, so the call has ended without pieces. Half a record gets the same time to
// become whole.
constexpr auto kSettleTime = std::chrono::seconds(2);
// How long after a read of unchanged bytes with a new write time the file is read again.
constexpr auto kRewriteCheck = std::chrono::milliseconds(2);

static_assert(std::atomic<bool>::is_always_lock_free, "the stop flag is set by a signal handler");
std::atomic<bool> stopRequested{false};

void OnStopSignal(int) {
  stopRequested.store(true);
}

// Ctrl-C and SIGTERM ask the collector to stop for as long as it runs.
class StopSignals {
 public:
  StopSignals()
      : interrupt_(std::signal(SIGINT, OnStopSignal)),
        terminate_(std::signal(SIGTERM, OnStopSignal)) {}
  ~StopSignals() {
    std::signal(SIGINT, interrupt_ == SIG_ERR ? SIG_DFL : interrupt_);
    std::signal(SIGTERM, terminate_ == SIG_ERR ? SIG_DFL : terminate_);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  void (*interrupt_)(int);
  void (*terminate_)(int);
};

struct CollectArguments {
  std::string folder;     // where the library writes BackupData.txt
  std::string archive;    // where the records are kept
  int64_t stopAfter = 0;  // > 0: stop once this many are kept
  bool quiet = false;     // no line per kept record
};

// "12 pieces, yield 91.3 %", "refused: ...", or "no pieces" for a kept record.
std::string RecordSummary(const std::string& bytes) {
  Record record;
  if (!ReadRecord(bytes, &record, nullptr)) return "not readable";
  if (record.refusal) return "refused: " + DecodeRecordText(*record.refusal, record.encoding);
  if (!record.closing) return "no pieces";
  double used = 0.0;
  for (size_t g = 1; g < record.statistics.total.size(); ++g)
    used += record.statistics.total[g];
  const double board = record.statistics.boardLength;
  return Format("%d pieces, yield %.1f %%", static_cast<int>(record.cutList.size()),
                board > 0.0 ? 100.0 * used / board : 0.0);
}

class Collection {
 public:
  Collection(const CollectArguments& arguments, Console& console)
      : arguments_(arguments),
        console_(console),
        watch_(arguments.folder),
        writer_(arguments.archive),
        collector_(
            [this](const std::string& bytes, LocalMilliseconds seen, RecordEnding) {
              Keep(bytes, seen);
            },
            [this](const std::string& bytes, LocalMilliseconds seen) { Lose(bytes, seen); }) {}

  ExitStatus Run();

 private:
  void Keep(const std::string& bytes, LocalMilliseconds seen);
  void Lose(const std::string& bytes, LocalMilliseconds seen);
  bool Look();  // reads the file once; true when it changed

  const CollectArguments& arguments_;
  Console& console_;
  RunLogWatch watch_;
  ArchiveWriter writer_;
  RecordCollector collector_;
  std::string last_;          // the file as last read
  uint64_t lastWritten_ = 0;  // and its write time
  bool stopping_ = false;
  int64_t kept_ = 0, lost_ = 0, unwritten_ = 0;
};

void Collection::Keep(const std::string& bytes, LocalMilliseconds seen) {
  ArchivedRecord kept;
  std::string error;
  if (!writer_.Keep(bytes, seen, &kept, &error)) {
    ++unwritten_;
    console_.err << "sawline: collect: " << error << '\n';
    return;
  }
  ++kept_;
  if (arguments_.quiet) return;
  const fs::path path(kept.path);
  console_.out << ArchiveTimeText(kept.time) << "  "
               << (path.parent_path().filename() / path.filename()).generic_string() << "  "
               << RecordSummary(bytes) << std::endl;
}

void Collection::Lose(const std::string& bytes, LocalMilliseconds seen) {
  ++lost_;
  console_.err << "sawline: collect: the record begun at " << ArchiveTimeText(seen) << " ("
               << bytes.size() << " bytes seen) "
               << (stopping_ ? "was not whole when the collector stopped"
                             : "was replaced by the next call's before it was whole")
               << "; it is not kept\n";
}

// The same bytes written again are looked at twice, a moment apart: the next call empties
// the file and may move its write time on a moment before its size.
bool Collection::Look() {
  std::string bytes;
  uint64_t written = 0;
  if (watch_.Read(&bytes, &written) == LogRead::kFailed) return false;
  if (bytes == last_ && written != lastWritten_) {
    std::this_thread::sleep_for(kRewriteCheck);
    if (watch_.Read(&bytes, &written) == LogRead::kFailed) return false;
  }
  const bool changed = bytes != last_ || written != lastWritten_;
  if (changed) {
    collector_.Observe(bytes, LocalClockNow(), written);
    last_ = std::move(bytes);
    lastWritten_ = written;
  }
  return changed;
}

ExitStatus Collection::Run() {
  stopRequested.store(false);
  const StopSignals signals;
  if (watch_.Read(&last_, &lastWritten_) != LogRead::kFailed)
    collector_.Start(last_, LocalClockNow(), lastWritten_);
  if (!arguments_.quiet) {
    console_.out << "collecting " << watch_.path() << " into " << arguments_.archive
                 << " (Ctrl-C stops)" << std::endl;
  }
  SteadyClock::time_point lastChange = SteadyClock::now();
  while (arguments_.stopAfter <= 0 || kept_ < arguments_.stopAfter) {
    if (Look()) lastChange = SteadyClock::now();
    if (stopRequested.load()) {
      stopping_ = true;
      if (!collector_.Pending() || SteadyClock::now() - lastChange >= kSettleTime) {
        collector_.Finish();
        break;
      }
    }
    watch_.Wait(kLookMilliseconds);
  }
  if (!arguments_.quiet || lost_ > 0) {
    (lost_ > 0 ? console_.err : console_.out)
        << "collect: " << kept_ << " record" << (kept_ == 1 ? "" : "s") << " kept, " << lost_
        << " lost" << std::endl;
  }
  return unwritten_ > 0 ? kExitOutputFailed : kExitPlanned;
}

ExitStatus Collect(const CollectArguments& arguments, Console& console) {
  std::error_code error;
  fs::create_directories(arguments.archive, error);
  if (!fs::is_directory(arguments.archive, error)) {
    console.err << "sawline: collect: " << arguments.archive << " is not a folder and cannot be "
                << "made one\n";
    return kExitBadInput;
  }
  Collection collection(arguments, console);
  return collection.Run();
}

}  // namespace

void RequestCollectStop() {
  stopRequested.store(true);
}

void AddCollectCommand(CLI::App& app, Console& console) {
  CLI::App* collect = app.add_subcommand(
      "collect",
      "Keep every record the library writes: watch FOLDER/BackupData.txt beside the line's "
      "host and copy each call's record, byte for byte and only when it is whole, to its own "
      "file ARCHIVE/<date>/<time>-<number>.txt. Prints a line per kept record; Ctrl-C or "
      "SIGTERM finishes the record in hand and stops.");
  auto arguments = std::make_shared<CollectArguments>();
  collect
      ->add_option("folder", arguments->folder,
                   "the folder the host runs in, where the library writes BackupData.txt")
      ->required()
      ->check(CLI::ExistingDirectory);
  collect
      ->add_option("--into", arguments->archive,
                   "the archive: a folder per day, a file per call (made when missing)")
      ->required();
  collect->add_option("--stop-after", arguments->stopAfter, "stop once N records are kept")
      ->check(CLI::PositiveNumber);
  collect->add_flag("--quiet", arguments->quiet, "print no line per kept record");
  collect->footer(ExitStatusText(
      {{kExitPlanned, "stopped (--stop-after, Ctrl-C or SIGTERM) with every kept record written"},
       {kExitBadInput, "bad usage (FOLDER is not a folder, ARCHIVE cannot be made): nothing kept"},
       {kExitOutputFailed, "a whole record could not be written into the archive"}}));
  collect->callback([arguments, &console] { console.status = Collect(*arguments, console); });
}

}  // namespace sawline::tools
