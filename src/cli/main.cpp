// kv3: the configurator's operations on the command line, for installers with many units, for
// scripts, and for computers without a desktop.
#include <CLI/CLI.hpp>
#include <iostream>
#include <regex>
#include <tuple>
#include <utility>

#include "cli/find_command.h"
#include "cli/help_texts.h"
#include "cli/image_commands.h"
#include "cli/journal.h"
#include "cli/set_command.h"
#include "cli/site_command.h"
#include "cli/sock_failures.h"
#include "cli/transfers.h"
#include "platform/console.h"
#include "platform/utf8_path.h"
#include "texts/language.h"

namespace {

// Splits "MAC... FILE": the last word is the file.
bool SplitUnitsAndFile(std::vector<std::string> words, bool all, kv3::cli::TransferOptions& options,
                       const kv3::cli::HelpTexts& help, std::ostream& err) {
  if (words.empty() || (all && words.size() != 1) || (!all && words.size() < 2)) {
    err << (all ? help.onlyFileWithAll : help.macsAndFile) << '\n';
    return false;
  }
  options.file = words.back();
  words.pop_back();
  options.macs = std::move(words);
  options.all = all;
  return true;
}

// Every value the command line can give, filled in by CLI11.
struct Arguments {
  bool quiet = false;
  kv3::cli::FindOptions find;
  kv3::cli::ShowOptions show;
  kv3::cli::SetOptions set;
  std::string address;  // of update and upload
  std::string updateKind, uploadKind, definition;
  std::vector<std::string> updateWords, uploadWords;
  bool updateAll = false, uploadAll = false, transferJson = false, transferYes = false,
       transferForce = false, noWait = false;
  std::optional<int> updateWait;
  std::string imageTarget, listed;
  std::vector<std::string> imageFiles;
  bool listJson = false;
  std::string journalFile, journalMac;
  kv3::cli::SiteOptions site;
  std::string exportFile, exportAddress;
  bool noJournal = false, journalJson = false;
};

struct Commands {
  CLI::App *find, *show, *set, *update, *upload, *build, *list, *journal;
  CLI::App *siteExport, *sitePlan, *siteApply;
};

// A command of `parent` in the run's language: in the commands' group, with its help flag among
// the options of that language.
CLI::App* NewCommand(CLI::App& parent, const std::string& name, std::string_view description,
                     const kv3::cli::HelpTexts& h) {
  CLI::App* command = parent.add_subcommand(name, std::string(description));
  command->group(std::string(h.subcommandsGroup));
  command->set_help_flag("-h,--help", std::string(h.helpFlag));
  return command;
}

CLI::App* AddFind(CLI::App& app, kv3::cli::FindOptions& find, const kv3::cli::HelpTexts& h) {
  CLI::App* command = NewCommand(app, "find", h.find, h);
  command->footer(std::string(h.findFooter));
  command->add_option("--address", find.address, std::string(h.address));
  CLI::Option* json = command->add_flag("--json", find.json, std::string(h.findJson));
  command->add_flag("--csv", find.csv, std::string(h.findCsv))->excludes(json);
  command->add_flag("--show-password", find.showPassword, std::string(h.findPasswords));
  return command;
}

CLI::App* AddShow(CLI::App& app, kv3::cli::ShowOptions& show, const kv3::cli::HelpTexts& h) {
  CLI::App* command = NewCommand(app, "show", h.show, h);
  command->footer(std::string(h.showFooter));
  command->add_option(std::string(h.macName), show.mac, std::string(h.mac))->required();
  command->add_option("--address", show.address, std::string(h.address));
  command->add_flag("--json", show.json, std::string(h.json));
  command->add_flag("--show-password", show.showPassword, std::string(h.showPassword));
  return command;
}

CLI::App* AddSet(CLI::App& app, kv3::cli::SetOptions& set, const kv3::cli::HelpTexts& h) {
  CLI::App* command = NewCommand(app, "set", h.set, h);
  command->footer(std::string(h.setFooter));
  command->add_option(std::string(h.macsName), set.macs, std::string(h.setMacs))->required();
  command->add_option("--address", set.address, std::string(h.address));
  command->add_option("--name", set.name, std::string(h.name));
  CLI::Option* ip = command->add_option("--ip", set.ip, std::string(h.ip));
  CLI::Option* mask = command->add_option("--mask", set.mask, std::string(h.mask));
  CLI::Option* router = command->add_option("--router", set.router, std::string(h.router));
  CLI::Option* dhcp = command->add_flag("--dhcp", set.dhcp, std::string(h.dhcp));
  dhcp->excludes(ip)->excludes(mask)->excludes(router);
  command->add_option("--user", set.user, std::string(h.user));
  CLI::Option* fromStdin =
      command->add_flag("--password-stdin", set.passwordStdin, std::string(h.passwordStdin));
  command->add_flag("--password", set.passwordPrompt, std::string(h.passwordPrompt))
      ->excludes(fromStdin);
  command->add_flag("--by-mac", set.byMac, std::string(h.byMac));
  command->add_option("--wait", set.waitSeconds, std::string(h.setWait))
      ->check(CLI::Range(1, 3600));
  command->add_flag("--json", set.json, std::string(h.setJson));
  return command;
}

CLI::App* AddUpdate(CLI::App& app, Arguments& args, const kv3::cli::HelpTexts& h) {
  CLI::App* command = NewCommand(app, "update", h.update, h);
  command->footer(std::string(h.updateFooter));
  command->add_option(std::string(h.kindName), args.updateKind, std::string(h.updateKind))
      ->required()
      ->check(CLI::IsMember({"firmware", "webapp"}));
  command->add_option(std::string(h.unitsFileName), args.updateWords, std::string(h.unitsAndFile))
      ->required();
  command->add_flag("--all", args.updateAll, std::string(h.all));
  command->add_flag("--json", args.transferJson, std::string(h.transferJson));
  command->add_flag("--yes", args.transferYes, std::string(h.yes));
  command->add_flag("--force", args.transferForce, std::string(h.force));
  command->add_option("--address", args.address, std::string(h.address));
  CLI::Option* noWait = command->add_flag("--no-wait", args.noWait, std::string(h.noWait));
  command->add_option("--wait", args.updateWait, std::string(h.updateWait))
      ->check(CLI::Range(1, 3600))
      ->excludes(noWait);
  return command;
}

CLI::App* AddJournal(CLI::App& app, Arguments& args, const kv3::cli::HelpTexts& h) {
  CLI::App* command = NewCommand(app, "journal", h.journal, h);
  command->add_option(std::string(h.macName), args.journalMac, std::string(h.journalMac));
  command->add_flag("--json", args.journalJson, std::string(h.json));
  return command;
}

CLI::App* AddUpload(CLI::App& app, Arguments& args, const kv3::cli::HelpTexts& h) {
  CLI::App* command = NewCommand(app, "upload", h.upload, h);
  command->footer(std::string(h.uploadFooter));
  command->add_option(std::string(h.kindName), args.uploadKind, std::string(h.uploadKind))
      ->required()
      ->check(CLI::IsMember({"skin", "scheme"}));
  command
      ->add_option(std::string(h.unitsFileName), args.uploadWords, std::string(h.unitsAndPicture))
      ->required();
  command->add_flag("--all", args.uploadAll, std::string(h.all));
  command->add_flag("--json", args.transferJson, std::string(h.transferJson));
  command->add_flag("--yes", args.transferYes, std::string(h.yes));
  command->add_flag("--force", args.transferForce, std::string(h.force));
  command->add_option("--address", args.address, std::string(h.address));
  command->add_option("--definition", args.definition, std::string(h.definition));
  return command;
}

// "image build" and "image list"; returns the two.
std::pair<CLI::App*, CLI::App*> AddImage(CLI::App& app, Arguments& args,
                                         const kv3::cli::HelpTexts& h) {
  CLI::App* image = NewCommand(app, "image", h.image, h);
  image->require_subcommand(1, 1);
  image->fallthrough();
  image->footer(std::string(h.imageFooter));
  CLI::App* build = NewCommand(*image, "build", h.build, h);
  build->add_option(std::string(h.outName), args.imageTarget, std::string(h.buildOut))->required();
  build->add_option(std::string(h.fileName), args.imageFiles, std::string(h.buildFiles))
      ->required();
  CLI::App* list = NewCommand(*image, "list", h.list, h);
  list->add_option(std::string(h.imageName), args.listed, std::string(h.listImage))->required();
  list->add_flag("--json", args.listJson, std::string(h.json));
  return {build, list};
}

// "site export", "site plan" and "site apply".
std::tuple<CLI::App*, CLI::App*, CLI::App*> AddSite(CLI::App& app, Arguments& args,
                                                    const kv3::cli::HelpTexts& h) {
  kv3::cli::SiteOptions& site = args.site;
  CLI::App* command = NewCommand(app, "site", h.site, h);
  command->require_subcommand(1, 1);
  command->fallthrough();
  command->footer(std::string(h.siteFooter));
  CLI::App* exported = NewCommand(*command, "export", h.siteExport, h);
  exported->add_option(std::string(h.fileName), args.exportFile, std::string(h.exportFile))
      ->required();
  exported->add_option("--address", args.exportAddress, std::string(h.address));
  CLI::App* plan = NewCommand(*command, "plan", h.sitePlan, h);
  CLI::App* apply = NewCommand(*command, "apply", h.siteApply, h);
  for (CLI::App* step : {plan, apply}) {
    step->add_option(std::string(h.fileName), site.file, std::string(h.siteFile))->required();
    step->add_option("--address", site.address, std::string(h.address));
    step->add_flag("--json", site.json, std::string(h.siteJson));
    step->add_flag("--allow-older", site.allowOlder, std::string(h.allowOlder));
    step->add_flag("--password-stdin", site.passwordStdin, std::string(h.sitePassword));
  }
  plan->add_flag("--check", site.check, std::string(h.siteCheck));
  plan->add_option("--save", site.save, std::string(h.siteSave));
  apply->add_flag("--yes", site.yes, std::string(h.siteYes));
  apply->add_option("--wave", site.wave, std::string(h.wave))->check(CLI::Range(1, 100000));
  apply->add_option("--max-failures", site.maxFailures, std::string(h.maxFailures))
      ->check(CLI::Range(0, 100000));
  apply->add_option("--wait", site.waitSeconds, std::string(h.siteWait))
      ->check(CLI::Range(1, 3600));
  return {exported, plan, apply};
}

Commands AddCommands(CLI::App& app, Arguments& args, const kv3::cli::HelpTexts& h) {
  // The help's own words in the run's language; options and commands made after this inherit
  // their group.
  const auto formatter = app.get_formatter();
  for (const auto& [key, word] :
       {std::pair{"Usage", h.usage}, std::pair{"OPTIONS", h.optionsWord},
        std::pair{"SUBCOMMAND", h.subcommandWord}, std::pair{"Positionals", h.positionals},
        std::pair{"REQUIRED", h.required}, std::pair{"Excludes", h.excludes},
        std::pair{"Needs", h.needs}}) {
    formatter->label(key, std::string(word));
  }
  app.option_defaults()->group(std::string(h.optionsGroup));
  app.set_help_flag("-h,--help", std::string(h.helpFlag));
  app.set_version_flag("--version", "kv3 " + std::string(kv3::texts::ProgramVersion),
                       std::string(h.versionFlag));
  app.footer(std::string(h.examples) + std::string(kv3::cli::ExampleCommands) +
             std::string(h.exitStatus));
  app.require_subcommand(1, 1);
  // --quiet may stand after the command too, where a user adds it last.
  app.fallthrough();
  app.add_flag("-q,--quiet", args.quiet, std::string(h.quiet));
  CLI::Option* journal = app.add_option("--journal", args.journalFile, std::string(h.journalFile));
  app.add_flag("--no-journal", args.noJournal, std::string(h.noJournal))->excludes(journal);
  Commands commands{};
  commands.find = AddFind(app, args.find, h);
  commands.show = AddShow(app, args.show, h);
  commands.set = AddSet(app, args.set, h);
  commands.update = AddUpdate(app, args, h);
  commands.upload = AddUpload(app, args, h);
  std::tie(commands.build, commands.list) = AddImage(app, args, h);
  commands.journal = AddJournal(app, args, h);
  std::tie(commands.siteExport, commands.sitePlan, commands.siteApply) = AddSite(app, args, h);
  return commands;
}

// The first word the user gave where a command belongs that names none; empty when there is
// none (an option only, or nothing at all).
std::string UnknownCommand(const CLI::App& app) {
  for (const std::string& word : app.remaining(true)) {
    if (!word.starts_with('-')) return word;
  }
  return {};
}

// A command-line error in the run's language. CLI11 words its errors in English only: each kind
// of error is taken apart by the form its message has in that kind, and what the user gave
// (names, values) goes into the run's own text. A form not known here shows the user's words,
// never CLI11's.
std::string UsageError(const CLI::ParseError& error, const CLI::App& app,
                       const std::vector<std::string>& arguments, const kv3::cli::HelpTexts& h) {
  using kv3::cli::Fill;
  const std::string what = error.what();
  std::smatch parts;
  const auto is = [&](const char* form) { return std::regex_match(what, parts, std::regex(form)); };
  const auto part = [&](std::size_t n) { return parts[n].str(); };
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (what == "A subcommand is required") {
      const std::string unknown = UnknownCommand(app);
      if (!unknown.empty()) return Fill(h.unknownCommand, {unknown});
      std::string options;
      for (const std::string& word : app.remaining(true))
        options += (options.empty() ? "" : " ") + word;
      return options.empty() ? std::string(h.commandMissing) : Fill(h.notExpected, {options});
    }
    if (is("(.+) is required")) return Fill(h.missing, {part(1)});
  } else if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    if (is("(.+): [0-9]+ required .+ missing")) return Fill(h.needsValue, {part(1)});
    if (is("(.+): At Most ([0-9]+) required but received ([0-9]+)")) {
      return Fill(h.atMost, {part(1), part(2), part(3)});
    }
    if (is("(.+): At least ([0-9]+) required but received ([0-9]+)")) {
      return Fill(h.atLeast, {part(1), part(2), part(3)});
    }
    if (is("(.+) was given a disallowed flag override")) return Fill(h.takesNoValue, {part(1)});
  } else if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
    if (is("Could not convert: (.+) = (.*)")) return Fill(h.notAValue, {part(1), part(2)});
    if (is("The value (.*) is not an allowed value for (.+)")) {
      return Fill(h.notAValue, {part(2), part(1)});
    }
    if (is("(.+): too many inputs for a flag")) return Fill(h.takesNoValue, {part(1)});
  } else if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    if (is("The following arguments? (?:was|were) not expected: (.*)")) {
      return Fill(h.notExpected, {part(1)});
    }
  } else if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr) {
    if (is("(\\S+) excludes (\\S+)")) return Fill(h.excludesError, {part(1), part(2)});
  } else if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    if (is("(\\S+): (.*) not in (\\{.*\\})")) {
      return Fill(h.notOneOf, {part(1), part(2), part(3)});
    }
  }
  std::string given;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    given += (i > 1 ? " " : "") + arguments[i];
  }
  return Fill(h.badCommandLine, {given});
}

int Run(kv3::cli::Context& context, const Commands& commands, const Arguments& args) {
  const kv3::cli::HelpTexts& help = kv3::cli::HelpTextsFor(context.texts);
  using namespace kv3::cli;
  if (commands.find->parsed()) return RunFind(context, args.find);
  if (commands.show->parsed()) return RunShow(context, args.show);
  if (commands.set->parsed()) return RunSet(context, args.set);
  if (commands.build->parsed()) return RunImageBuild(context, args.imageTarget, args.imageFiles);
  if (commands.list->parsed()) return RunImageList(context, args.listed, args.listJson);
  if (commands.journal->parsed()) return RunJournal(context, args.journalMac, args.journalJson);
  if (commands.siteExport->parsed()) {
    return RunSiteExport(context, args.exportFile, args.exportAddress);
  }
  if (commands.sitePlan->parsed()) return RunSitePlan(context, args.site);
  if (commands.siteApply->parsed()) return RunSiteApply(context, args.site);
  TransferOptions transfer;
  transfer.address = args.address;
  transfer.json = args.transferJson;
  transfer.yes = args.transferYes;
  transfer.force = args.transferForce;
  transfer.noWait = args.noWait;
  transfer.waitSeconds = args.updateWait;
  if (commands.update->parsed()) {
    transfer.kind = args.updateKind == "firmware" ? TransferKind::Firmware : TransferKind::WebApp;
    if (!SplitUnitsAndFile(args.updateWords, args.updateAll, transfer, help, context.err)) {
      return kUsage;
    }
  } else {
    transfer.kind = args.uploadKind == "skin" ? TransferKind::Skin : TransferKind::Scheme;
    if (!args.definition.empty()) {
      // A skin has no definition: one given would be passed over without a word.
      if (transfer.kind == TransferKind::Skin) {
        context.err << help.definitionOnlyScheme << '\n' << help.moreHelp << '\n';
        return kUsage;
      }
      transfer.definition = args.definition;
    }
    if (!SplitUnitsAndFile(args.uploadWords, args.uploadAll, transfer, help, context.err)) {
      return kUsage;
    }
  }
  return RunTransfer(context, transfer);
}

}  // namespace

int main(int argc, char** argv) {
  kv3::platform::PrepareConsole();
  using namespace kv3::cli;
  // Before any other thread: every thread must inherit the blocked stop signals.
  Interrupt interrupt;
  Context context{TextsForEnvironment(), {}, std::cout, std::cerr, interrupt};

  const HelpTexts& help = HelpTextsFor(context.texts);
  CLI::App app{std::string(help.program), "kv3"};
  Arguments args;
  const Commands commands = AddCommands(app, args, help);
  // In UTF-8 on every system, as every text of the tool.
  const std::vector<std::string> arguments = kv3::platform::CommandLineUtf8(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::CallForHelp& request) {
    return app.exit(request);
  } catch (const CLI::CallForAllHelp& request) {
    return app.exit(request);
  } catch (const CLI::CallForVersion& request) {
    return app.exit(request);
  } catch (const CLI::ParseError& error) {
    std::cerr << UsageError(error, app, arguments, help) << '\n' << help.moreHelp << '\n';
    return kUsage;
  }
  // The journal records changes; `kv3 journal` reads it where it is, even under --no-journal.
  const bool reading = commands.journal->parsed();
  if (!args.noJournal || reading) {
    context.journal =
        Journal(args.journalFile.empty() ? Journal::defaultPath()
                                         : kv3::platform::PathFromUtf8(args.journalFile));
  }
  context.progress = args.quiet                         ? ProgressMode::Quiet
                     : kv3::platform::ErrorIsTerminal() ? ProgressMode::Bars
                                                        : ProgressMode::Lines;
  try {
    return Run(context, commands, args);
  } catch (const Cancelled&) {
    std::cerr << context.texts.interrupted << '\n';
    return kInterrupted;
  } catch (const kv3::link::ESockException& error) {
    std::cerr << "kv3: " << SockFailureText(context.texts, error) << '\n';
    return kLocalError;
  } catch (const std::exception& error) {
    std::cerr << "kv3: " << error.what() << '\n';
    return kLocalError;
  }
}
