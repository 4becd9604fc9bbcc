#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <string>
#include <vector>

#include "cli/collect_command.h"
#include "cli/command_support.h"
#include "cli/export_command.h"
#include "cli/import_command.h"
#include "cli/replay_command.h"
#include "cli/run_command.h"
#include "cli/schema_command.h"
#include "cli/settings_command.h"
#include "cli/simulate_command.h"
#include "sawline_version.h"

namespace sawline::tools {
namespace {

std::string TopLevelExitText() {
  return ExitStatusText(
             {{kExitPlanned,
               "the library planned pieces (simulate: for some board), or the command did its "
               "work (replay: the desk reproduced the record)"},
              {kExitNoPiece, "the library planned no piece or refused the board"},
              {kExitBadInput, "bad input or usage: nothing was run and nothing written"},
              {kExitReplayDiffers, "replay: the desk's answer differs from the record"},
              {kExitOutputFailed, "the work was done, but an output could not be written"}}) +
         " Each subcommand's --help names the statuses it uses.";
}

// Every usage error starts with the program's name, like the tool's other messages.
std::string UsageError(const CLI::App* app, const CLI::Error& error) {
  return "sawline: " + CLI::FailureMessage::simple(app, error);
}

bool IsSubcommand(const CLI::App& app, const std::string& word) {
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == word) return true;
  }
  return false;
}

int RunCommandLine(int argc, const char* const* argv, Console& console) {
  CLI::App app(
      "sawline: the saw line's cutting optimizer on a desk. Runs a board through the same entry "
      "the line's host calls and shows the plan; converts between JSON job files and the host's "
      "raw blocks; replays a board from the line's record; simulates a shift; keeps every record "
      "the line writes.\nWith no "
      "arguments it runs the bundled example board.",
      "sawline");
  app.require_subcommand(0, 1);
  app.get_formatter()->column_width(28);
  app.failure_message(UsageError);
  AddRunCommand(app, console);
  AddExportCommand(app, console);
  AddImportCommand(app, console);
  AddSchemaCommand(app, console);
  AddSettingsCommand(app, console);
  AddReplayCommand(app, console);
  AddSimulateCommand(app, console);
  AddCollectCommand(app, console);
  app.set_version_flag("--version", std::string("sawline ") + SAWLINE_VERSION,
                       "Print the build's version, the number the DLL's version resource "
                       "carries, and exit");
  app.footer(TopLevelExitText());
  app.callback([&app, &console] {
    if (app.get_subcommands().empty()) console.status = RunBundledExample(console);
  });

  // "sawline JOB.json" is short for "sawline run JOB.json".
  std::vector<const char*> arguments(argv, argv + argc);
  if (argc >= 2 && argv[1][0] != '-' && !IsSubcommand(app, argv[1])) {
    arguments.insert(arguments.begin() + 1, "run");
  }
  try {
    app.parse(static_cast<int>(arguments.size()), arguments.data());
  } catch (const CLI::ParseError& error) {
    return app.exit(error, console.out, console.err) == 0 ? kExitPlanned : kExitBadInput;
  }
  return console.status;
}

}  // namespace

int RunSawline(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  Console console{out, err};
  try {
    return RunCommandLine(argc, argv, console);
  } catch (const std::exception& error) {
    err << "sawline: " << error.what() << '\n';
    return kExitBadInput;
  }
}

}  // namespace sawline::tools
