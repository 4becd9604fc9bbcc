#include "cli/settings_command.h"

#include <memory>

#include "jobfile/job_schema.h"

namespace sawline::tools {

void AddSettingsCommand(CLI::App& app, Console& console) {
  CLI::App* command = app.add_subcommand(
      "settings",
      "Print the settings reference: every setting and order column with its block index, "
      "unit, allowed values and meaning.");
  auto markdown = std::make_shared<bool>(false);
  command->add_flag("--markdown", *markdown, "as the README's Markdown tables");
  command->footer(ExitStatusText({{kExitPlanned, "the reference was printed"},
                                  {kExitBadInput, "bad usage: nothing was printed"}}));
  command->callback([markdown, &console] {
    console.out << (*markdown ? SettingsReferenceMarkdown() : SettingsReferenceText());
    console.status = kExitPlanned;
  });
}

}  // namespace sawline::tools
