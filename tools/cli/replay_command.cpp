#include "cli/replay_command.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "desk/desk_run.h"
#include "desk/files.h"
#include "desk/json_text.h"
#include "desk/run_time.h"
#include "jobfile/job_writer.h"
#include "record/record_archive.h"
#include "record/record_reader.h"
#include "record/record_text.h"
#include "record/replay.h"
#include "views/board_report.h"
#include "views/run_views.h"

namespace sawline::tools {
namespace {

struct ReplayArguments {
  std::string record;     // the record file (BackupData.txt)
  std::string utcOffset;  // the line computer's zone, "+08:00"; empty: the desk's zone
  std::string job;        // write the rebuilt job here (JSON)
  std::string report;     // write the board report here (HTML)
  std::string json;       // write the desk's answer and the verdict here (JSON)
  bool show = false;      // only show the record
  std::string at;         // the record is an archive: take the record of the call at this time
};

std::string NoteText(const RebuildNote& note) {
  return note.line > 0 ? "line " + std::to_string(note.line) + ": " + note.text : note.text;
}

// The verdict in one line, for the board report and the JSON record.
std::string VerdictText(const Record& record, const ReplayOutcome& outcome) {
  if (outcome.reproduced) {
    if (!record.closing) return "Reproduced exactly (a record without results).";
    if (outcome.desk.split >= 1) {
      return "Reproduced exactly, with the first " + std::to_string(outcome.desk.split) +
             " searches seeded at " + IsoTime(outcome.desk.seconds, outcome.desk.utcOffsetSeconds) +
             " and the rest one second later.";
    }
    return "Reproduced exactly: sawline run JOB --time " +
           IsoTime(outcome.desk.seconds, outcome.desk.utcOffsetSeconds) + " repeats it.";
  }
  std::string text = "Different from the line's record";
  if (outcome.difference) {
    if (outcome.difference->recordLine > 0) {
      text += " at line " + std::to_string(outcome.difference->recordLine);
    }
    text += " (" + outcome.difference->what + ")";
  }
  if (!outcome.reasons.empty()) text += "; likely: " + outcome.reasons.front();
  return text + ".";
}

// The desk's run as the desk tool's run views take it.
RunOutcome DeskOutcome(const ReplayOutcome& outcome) {
  RunOutcome run;
  run.returned = outcome.desk.returned;
  run.result = outcome.desk.result;
  run.time = {outcome.desk.seconds, outcome.desk.utcOffsetSeconds};
  run.clockFixed = true;
  if (outcome.desk.readable && outcome.desk.record.refusal) {
    run.refusal = DecodeRecordText(*outcome.desk.record.refusal, outcome.desk.record.encoding);
  }
  return run;
}

Json NotesJson(const std::vector<RebuildNote>& notes) {
  Json list = Json::array();
  for (const RebuildNote& note : notes)
    list.push_back({{"line", note.line}, {"text", note.text}});
  return list;
}

Json BlockJson(const std::array<float, kResultBlockFloats>& block) {
  Json list = Json::array();
  for (const float value : block)
    list.push_back(std::isfinite(value) ? FloatJson(value) : Json(nullptr));
  return list;
}

std::string ReplayJson(const std::string& name, const Record& record,
                       const ReplayOutcome& outcome) {
  Json run = Json::parse(RunJson(name, outcome.rebuilt.job, DeskOutcome(outcome), {}));
  run.erase("run_log");  // the desk's record was compared in memory, not kept
  Json replay = Json::object();
  replay["record"] = name;
  replay["reproduced"] = outcome.reproduced;
  replay["verdict"] = VerdictText(record, outcome);
  if (record.closing) {
    replay["record_end"] = ClosingTimeText(*record.closing);
    replay["record_elapsed_seconds"] = record.closing->elapsedSeconds;
    replay["seconds_tried"] = {IsoTime(outcome.firstSecond, outcome.desk.utcOffsetSeconds),
                               IsoTime(outcome.lastSecond, outcome.desk.utcOffsetSeconds)};
  }
  replay["desk_runs"] = outcome.runs;
  replay["seed_matters"] = outcome.seedMatters;
  replay["search_bound_hit"] = outcome.boundHit;
  if (outcome.desk.split >= 1) replay["seed_split_after_search"] = outcome.desk.split;
  replay["record_cannot_give"] = NotesJson(outcome.rebuilt.limits);
  replay["rebuild_chose"] = NotesJson(outcome.rebuilt.choices);
  if (outcome.difference) {
    const RecordDifference& d = *outcome.difference;
    Json difference = {{"what", d.what},
                       {"record_line", d.recordLine},
                       {"record_text", d.recordText},
                       {"desk_line", d.deskLine},
                       {"desk_text", d.deskText}};
    if (d.piece >= 0) difference["piece"] = d.piece + 1;
    replay["difference"] = difference;
    replay["likely_reasons"] = outcome.reasons;
  }
  replay["record_result_block"] = BlockJson(RecordResultBlock(record));
  run["replay"] = replay;
  return PrettyJson(run);
}

// The rebuilt job as a JSON job; its description says where it comes from and what
// the record could not give.
std::string JobJson(const std::string& name, const Record& record, const ReplayOutcome& outcome) {
  std::string description = "Rebuilt by sawline replay from " + name;
  if (record.closing)
    description += " (the call that ended " + ClosingTimeText(*record.closing) + ")";
  description += ".";
  if (!outcome.rebuilt.limits.empty()) {
    description += " The record cannot give:";
    for (const RebuildNote& note : outcome.rebuilt.limits)
      description += " [" + NoteText(note) + "]";
    description += ".";
  }
  if (!outcome.rebuilt.choices.empty()) {
    description += " The rebuild chose:";
    for (const RebuildNote& note : outcome.rebuilt.choices)
      description += " [" + NoteText(note) + "]";
    description += ".";
  }
  return WriteJob(outcome.rebuilt.job.parameters.data(), outcome.rebuilt.job.marks.data(),
                  description, nullptr);
}

bool WriteReport(const std::string& path, const std::string& name, const Record& record,
                 const ReplayOutcome& outcome, std::ostream& err) {
  const std::array<float, kResultBlockFloats> recorded = RecordResultBlock(record);
  BoardReportInput input;
  input.title = name + " (replayed)";
  input.parameters = outcome.rebuilt.job.parameters.data();
  input.marks = outcome.rebuilt.job.marks.data();
  input.result = outcome.desk.result.data();
  input.returned = outcome.desk.returned;
  input.runTime = IsoTime(outcome.desk.seconds, outcome.desk.utcOffsetSeconds);
  input.notes.push_back(VerdictText(record, outcome));
  for (const RebuildNote& note : outcome.rebuilt.limits)
    input.notes.push_back("The record cannot give: " + NoteText(note));
  if (outcome.desk.readable && outcome.desk.record.refusal) {
    input.notes.push_back(
        "The library refused the board: " +
        DecodeRecordText(*outcome.desk.record.refusal, outcome.desk.record.encoding));
  }
  if (!outcome.reproduced) {
    input.laneName = "desk";
    input.compareResult = recorded.data();
    input.compareReturned = static_cast<int32_t>(record.cutList.size());
    input.compareName = "line's record";
  }
  std::ostringstream page;
  WriteBoardReport(input, page);
  return WriteText(path, page.str(), err);
}

// The rebuilt job, the JSON record and the board report that were asked for, each
// tried; false when one cannot be written.
bool WriteReplayOutputs(const ReplayArguments& arguments, const Record& record,
                        const ReplayOutcome& outcome, std::ostream& out, std::ostream& err) {
  const std::string& name = arguments.record;
  bool written = true;
  if (!arguments.job.empty()) {
    const bool ok = WriteText(arguments.job, JobJson(name, record, outcome), err);
    if (ok) out << "rebuilt job: " << arguments.job << '\n';
    written &= ok;
  }
  if (!arguments.json.empty()) {
    const bool ok = WriteText(arguments.json, ReplayJson(name, record, outcome), err);
    if (ok) out << "json: " << arguments.json << '\n';
    written &= ok;
  }
  if (!arguments.report.empty()) {
    const bool ok = WriteReport(arguments.report, name, record, outcome, err);
    if (ok) out << "board report: " << arguments.report << '\n';
    written &= ok;
  }
  return written;
}

// With --at, the record of the archive `sawline collect` keeps that the call at that
// time left; a folder without --at is refused.
bool ResolveArchivedRecord(ReplayArguments* arguments, Console& console) {
  std::error_code ignored;
  const bool folder = std::filesystem::is_directory(arguments->record, ignored);
  if (arguments->at.empty()) {
    if (!folder) return true;
    console.err << "sawline: " << arguments->record
                << " is a folder: give --at TIME to take a record of an archive\n";
    return false;
  }
  std::string path, error;
  if (!folder || !IsRecordArchive(arguments->record)) {
    console.err << "sawline: --at needs an archive of `sawline collect`, and " << arguments->record
                << " is not one\n";
    return false;
  }
  if (!FindArchivedRecord(arguments->record, arguments->at, &path, &error)) {
    console.err << "sawline: " << arguments->record << ": " << error << '\n';
    return false;
  }
  console.out << "record: " << path << '\n';
  arguments->record = path;
  return true;
}

// 0 the desk reproduced the record exactly (or --show read it), 3 the desk ran the
// rebuilt job and answered otherwise, 2 not a readable record, 4 an output that cannot
// be written.
ExitStatus ReplayRecord(const ReplayArguments& given, Console& console) {
  ReplayArguments arguments = given;
  if (!ResolveArchivedRecord(&arguments, console)) return kExitBadInput;
  const std::string& name = arguments.record;
  ReplayOptions options;
  if (!arguments.utcOffset.empty()) {
    int32_t seconds = 0;
    std::string error;
    if (!ParseUtcOffset(arguments.utcOffset, &seconds, &error)) return kExitBadInput;  // checked
    options.utcOffsetSeconds = seconds;
  }
  std::string bytes;
  RecordError error;
  if (!LoadRecordBytes(name, &bytes, &error)) {
    console.err << "sawline: " << error.Text() << '\n';
    return kExitBadInput;
  }
  Record record;
  const bool readable = ReadRecord(bytes, &record, &error);
  if (arguments.show) console.out << ShowRecordText(bytes, GuessRecordEncoding(bytes));
  if (!readable) {
    console.err << "sawline: " << name << ": not a readable record: " << error.Text() << '\n';
    return kExitBadInput;
  }
  if (arguments.show) return kExitPlanned;

  const ReplayOutcome outcome = Replay(record, options);
  PrintReplay(console.out, name, record, outcome);
  if (!WriteReplayOutputs(arguments, record, outcome, console.out, console.err)) {
    return kExitOutputFailed;
  }
  return outcome.reproduced ? kExitPlanned : kExitReplayDiffers;
}

CLI::Validator UtcOffsetText() {
  return CLI::Validator(
      [](std::string& text) {
        int32_t seconds = 0;
        std::string error;
        return ParseUtcOffset(text, &seconds, &error) ? std::string() : error;
      },
      "");
}

}  // namespace

void AddReplayCommand(CLI::App& app, Console& console) {
  CLI::App* replay = app.add_subcommand(
      "replay",
      "Replay a board from the line's record (BackupData.txt): rebuild the job the record "
      "shows, say what the record cannot give, find the second the line's searches seeded "
      "with, run the board again with the clock stopped and tell whether the desk "
      "reproduces the line's cut list and controller records exactly, or where it differs.");
  auto arguments = std::make_shared<ReplayArguments>();
  replay
      ->add_option("record", arguments->record,
                   "the line's record, GBK or UTF-8, or an archive of `sawline collect` (with "
                   "--at)")
      ->required()
      ->check(CLI::ExistingPath);
  replay->add_option("--at", arguments->at,
                     "the record is an archive: take the record of the call at this time, "
                     "10:32:05 (on the archive's latest day), 2026-12-11T10:32:05, to the "
                     "minute or to the millisecond");
  CLI::Option* offset =
      replay
          ->add_option("--utc-offset", arguments->utcOffset,
                       "the line computer's zone, e.g. +08:00 (default: the desk's zone at the "
                       "record's date)")
          ->check(UtcOffsetText());
  CLI::Option* job =
      replay->add_option("--job", arguments->job, "write the rebuilt job as a JSON job file")
          ->check(OutputFile());
  CLI::Option* report =
      replay
          ->add_option("--report", arguments->report,
                       "write the board report; when the desk differs, the record's cut list is "
                       "drawn under the desk's")
          ->check(BoardReportFile());
  CLI::Option* json =
      replay
          ->add_option("--json", arguments->json,
                       "write the desk's answer as `sawline run --json` does, with the verdict, "
                       "what the record cannot give and the record's result block under "
                       "\"replay\"")
          ->check(OutputFile());
  CLI::Option* show = replay->add_flag(
      "--show", arguments->show,
      "only show the record: every line numbered, in UTF-8, with English labels beside the "
      "original ones; bytes that are not the record's text are escaped");
  show->excludes(offset)->excludes(job)->excludes(report)->excludes(json);
  replay->footer(ExitStatusText(
      {{kExitPlanned, "the desk reproduced the record exactly (with --show: the record reads)"},
       {kExitReplayDiffers, "the rebuilt job ran, but the desk's answer differs"},
       {kExitBadInput,
        "not a readable record, or bad usage (a bad option, an output folder that does not "
        "exist): nothing was run"},
       {kExitOutputFailed,
        "the board was replayed, but --job, --json or --report could not be written"}}));
  replay->callback([arguments, &console] { console.status = ReplayRecord(*arguments, console); });
}

}  // namespace sawline::tools
