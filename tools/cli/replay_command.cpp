#include "cli/replay_command.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

#include "cli/command_line.h"
#include "desk/desk_run.h"
#include "desk/files.h"
#include "desk/json_text.h"
#include "desk/run_time.h"
#include "jobfile/job_writer.h"
#include "record/record_reader.h"
#include "record/record_text.h"
#include "record/replay.h"
#include "views/board_report.h"
#include "views/run_views.h"

namespace sawline::tools {
namespace {

constexpr const char* kReplayExitText =
    "Exit status: 0 the desk reproduced the record exactly (with --show: the record reads); "
    "3 the rebuilt job ran but the desk's answer differs; 2 not a readable record, or bad usage.";

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

}  // namespace

CLI::App* AddReplayCommand(CLI::App& app, ReplayArguments& arguments) {
  CLI::App* replay = app.add_subcommand(
      "replay",
      "Replay a board from the line's record (BackupData.txt): rebuild the job the record "
      "shows, say what the record cannot give, find the second the line's searches seeded "
      "with, run the board again with the clock stopped and tell whether the desk "
      "reproduces the line's cut list and controller records exactly, or where it differs.");
  replay->add_option("record", arguments.record, "the line's record, GBK or UTF-8")
      ->required()
      ->check(CLI::ExistingFile);
  CLI::Option* offset = replay->add_option(
      "--utc-offset", arguments.utcOffset,
      "the line computer's zone, e.g. +08:00 (default: the desk's zone at the record's date)");
  CLI::Option* job =
      replay->add_option("--job", arguments.job, "write the rebuilt job as a JSON job file");
  CLI::Option* report = replay->add_option(
      "--report", arguments.report,
      "write the board report; when the desk differs, the record's cut list is drawn under "
      "the desk's");
  CLI::Option* json = replay->add_option(
      "--json", arguments.json,
      "write the desk's answer as `sawline run --json` does, with the verdict, what the "
      "record cannot give and the record's result block under \"replay\"");
  CLI::Option* show = replay->add_flag(
      "--show", arguments.show,
      "only show the record: every line numbered, in UTF-8, with English labels beside the "
      "original ones; bytes that are not the record's text are escaped");
  show->excludes(offset)->excludes(job)->excludes(report)->excludes(json);
  replay->footer(kReplayExitText);
  return replay;
}

int ReplayCommand(const ReplayArguments& arguments, std::ostream& out, std::ostream& err) {
  const std::string& name = arguments.record;
  ReplayOptions options;
  if (!arguments.utcOffset.empty()) {
    int32_t seconds = 0;
    std::string error;
    if (!ParseUtcOffset(arguments.utcOffset, &seconds, &error)) {
      err << "sawline: --utc-offset: " << error << '\n';
      return kExitBadInput;
    }
    options.utcOffsetSeconds = seconds;
  }
  if (!arguments.report.empty() && !BoardReportAvailable()) {
    err << "sawline: --report: this build of sawline has no board report\n";
    return kExitBadInput;
  }
  std::string bytes;
  RecordError error;
  if (!LoadRecordBytes(name, &bytes, &error)) {
    err << "sawline: " << error.Text() << '\n';
    return kExitBadInput;
  }
  Record record;
  const bool readable = ReadRecord(bytes, &record, &error);
  if (arguments.show) out << ShowRecordText(bytes, GuessRecordEncoding(bytes));
  if (!readable) {
    err << "sawline: " << name << ": not a readable record: " << error.Text() << '\n';
    return kExitBadInput;
  }
  if (arguments.show) return kExitPlanned;

  const ReplayOutcome outcome = Replay(record, options);
  PrintReplay(out, name, record, outcome);
  if (!arguments.job.empty()) {
    if (!WriteText(arguments.job, JobJson(name, record, outcome), err)) return kExitBadInput;
    out << "rebuilt job: " << arguments.job << '\n';
  }
  if (!arguments.json.empty()) {
    if (!WriteText(arguments.json, ReplayJson(name, record, outcome), err)) return kExitBadInput;
    out << "json: " << arguments.json << '\n';
  }
  if (!arguments.report.empty()) {
    if (!WriteReport(arguments.report, name, record, outcome, err)) return kExitBadInput;
    out << "board report: " << arguments.report << '\n';
  }
  return outcome.reproduced ? kExitPlanned : kExitReplayDiffers;
}

}  // namespace sawline::tools
