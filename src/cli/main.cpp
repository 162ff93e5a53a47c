// kv3: the configurator's operations on the command line, for installers with many units, for
// scripts, and for computers without a desktop.
#include <CLI/CLI.hpp>
#include <iostream>
#include <tuple>
#include <utility>

#include "cli/commands.h"
#include "cli/image_commands.h"
#include "cli/transfers.h"
#include "platform/console.h"
#include "platform/utf8_path.h"
#include "texts/language.h"

namespace {

constexpr const char* kExamples = R"(
Examples:
  kv3 find                                  every unit on every network adapter
  kv3 find --address 198.51.100.40 --json   one unit behind a router, as JSON
  kv3 show 00:1A:2B:3C:4D:01
  kv3 set 00-1a-2b-3c-4d-01 --name Keller --ip 192.0.2.40 --mask 255.255.255.0 --router 192.0.2.1
  echo 'Neu#2026' | kv3 set 00:1A:2B:3C:4D:01 --password-stdin
  kv3 update firmware --all kv3-2.14.bin
  kv3 update webapp 00:1A:2B:3C:4D:01 00:1A:2B:3C:4D:02 web.rom
  kv3 upload scheme 00:1A:2B:3C:4D:01 anlage.jpg --definition anlage.rem
  kv3 image build web.rom index.htm style.css default.jpg
  kv3 image list web.rom

Exit status: 0 success, 1 a unit refused or failed, 2 usage, 3 no unit found or not
acknowledged, 4 local error (file, socket), 130 interrupted.)";

// Splits "MAC... FILE": the last word is the file.
bool SplitUnitsAndFile(std::vector<std::string> words, bool all, kv3::cli::TransferOptions& options,
                       std::ostream& err) {
  if (words.empty() || (all && words.size() != 1) || (!all && words.size() < 2)) {
    err << (all ? "with --all give only the FILE\n" : "give at least one MAC and the FILE\n");
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
  bool updateAll = false, uploadAll = false;
  std::string imageTarget, listed;
  std::vector<std::string> imageFiles;
  bool listJson = false;
};

struct Commands {
  CLI::App *find, *show, *set, *update, *upload, *build, *list;
};

CLI::App* AddFind(CLI::App& app, kv3::cli::FindOptions& find) {
  CLI::App* command =
      app.add_subcommand("find", "search every network adapter and list the units that answer");
  command->footer(
      "\nExamples:\n  kv3 find\n  kv3 find --json --show-password > site.json\n"
      "  kv3 find --address 198.51.100.40\n\nExit status 3 when no unit answered: kv3 then says "
      "which adapters\nand addresses it tried and who holds the reply port 48714.");
  command->add_option("--address", find.address, "search only at this address or host name");
  command->add_flag("--json", find.json, "print JSON instead of a table");
  command->add_flag("--show-password", find.showPassword, "print the units' passwords too");
  return command;
}

CLI::App* AddShow(CLI::App& app, kv3::cli::ShowOptions& show) {
  CLI::App* command = app.add_subcommand("show", "show everything one unit reports");
  command->footer("\nExample:\n  kv3 show 00-1a-2b-3c-4d-01 --json");
  command->add_option("MAC", show.mac, "the unit's MAC address")->required();
  command->add_option("--address", show.address, "search only at this address or host name");
  command->add_flag("--json", show.json, "print JSON");
  command->add_flag("--show-password", show.showPassword, "print the password too");
  return command;
}

CLI::App* AddSet(CLI::App& app, kv3::cli::SetOptions& set) {
  CLI::App* command = app.add_subcommand(
      "set", "change a unit's settings, then search again and check that it shows them");
  command->footer(
      "\nValues not given stay as the unit reports them. The values are checked as the window\n"
      "checks them; a wrong one is refused before anything is sent. Afterwards kv3 searches\n"
      "again: exit status 0 only when the unit shows the new values.\n\nExamples:\n"
      "  kv3 set 00:1A:2B:3C:4D:01 --name Keller --ip 192.0.2.40 --mask 255.255.255.0 "
      "--router 192.0.2.1\n"
      "  kv3 set 00:1A:2B:3C:4D:01 --dhcp --password\n"
      "  printf '%s\\n' \"$NEW_PASSWORD\" | kv3 set 00:1A:2B:3C:4D:01 --password-stdin");
  command->add_option("MAC", set.mac, "the unit's MAC address")->required();
  command->add_option("--address", set.address, "search only at this address or host name");
  command->add_option("--name", set.name, "device name (at most 30 characters)");
  CLI::Option* ip = command->add_option("--ip", set.ip, "IP address (turns DHCP off)");
  CLI::Option* mask = command->add_option("--mask", set.mask, "subnet mask (turns DHCP off)");
  CLI::Option* router = command->add_option("--router", set.router, "router (turns DHCP off)");
  CLI::Option* dhcp = command->add_flag("--dhcp", set.dhcp, "take the address by DHCP");
  dhcp->excludes(ip)->excludes(mask)->excludes(router);
  command->add_option("--user", set.user, "user name (at most 12 characters)");
  CLI::Option* fromStdin = command->add_flag("--password-stdin", set.passwordStdin,
                                             "read the new password (6 to 12 characters) from "
                                             "the first line of standard input");
  command
      ->add_flag("--password", set.passwordPrompt,
                 "ask for the new password on the terminal, without echo")
      ->excludes(fromStdin);
  return command;
}

CLI::App* AddUpdate(CLI::App& app, Arguments& args) {
  CLI::App* command = app.add_subcommand(
      "update", "update firmware or web app: kv3 update firmware|webapp MAC... FILE");
  command->footer(
      "\nSeveral units are updated side by side. A summary says for each unit: done, not\n"
      "acknowledged, corrupted or unreachable. Ctrl-C stops every transfer and still prints "
      "it.\n\nExamples:\n  kv3 update firmware --all kv3-2.14.bin\n"
      "  kv3 update webapp 00:1A:2B:3C:4D:01 00:1A:2B:3C:4D:02 web.rom");
  command->add_option("KIND", args.updateKind, "firmware or webapp")
      ->required()
      ->check(CLI::IsMember({"firmware", "webapp"}));
  command->add_option("MAC... FILE", args.updateWords, "the units and the file")->required();
  command->add_flag("--all", args.updateAll, "every unit the search finds");
  command->add_option("--address", args.address, "search only at this address or host name");
  return command;
}

CLI::App* AddUpload(CLI::App& app, Arguments& args) {
  CLI::App* command = app.add_subcommand(
      "upload", "upload a skin or a scheme picture: kv3 upload skin|scheme MAC... FILE");
  command->footer(
      "\nA scheme picture must be smaller than 200 kB; its position definition goes first.\n\n"
      "Examples:\n  kv3 upload skin --all rahmen.jpg\n"
      "  kv3 upload scheme 00:1A:2B:3C:4D:01 anlage.jpg --definition anlage.rem");
  command->add_option("KIND", args.uploadKind, "skin or scheme")
      ->required()
      ->check(CLI::IsMember({"skin", "scheme"}));
  command->add_option("MAC... FILE", args.uploadWords, "the units and the picture")->required();
  command->add_flag("--all", args.uploadAll, "every unit the search finds");
  command->add_option("--address", args.address, "search only at this address or host name");
  command->add_option("--definition", args.definition,
                      "the scheme's position definition (.rem); without it the one "
                      "beside the picture, as the window finds it");
  return command;
}

// "image build" and "image list"; returns the two.
std::pair<CLI::App*, CLI::App*> AddImage(CLI::App& app, Arguments& args) {
  CLI::App* image = app.add_subcommand("image", "build or list a web-application image");
  image->require_subcommand(1, 1);
  image->fallthrough();
  image->footer(
      "\nExamples:\n  kv3 image build web.rom index.htm style.css default.jpg\n"
      "  kv3 image list web.rom --json");
  CLI::App* build = image->add_subcommand("build", "build OUT.rom from FILE...");
  build->add_option("OUT", args.imageTarget, "the image to write")->required();
  build->add_option("FILE", args.imageFiles, "the web files, in their order")->required();
  CLI::App* list = image->add_subcommand("list", "list the files of an image");
  list->add_option("IMAGE", args.listed, "the image")->required();
  list->add_flag("--json", args.listJson, "print JSON");
  return {build, list};
}

Commands AddCommands(CLI::App& app, Arguments& args) {
  app.set_version_flag("--version", "kv3 " + std::string(kv3::texts::ProgramVersion));
  app.footer(kExamples);
  app.require_subcommand(1, 1);
  // --quiet may stand after the command too, where a user adds it last.
  app.fallthrough();
  app.add_flag("-q,--quiet", args.quiet, "show no progress");
  Commands commands{};
  commands.find = AddFind(app, args.find);
  commands.show = AddShow(app, args.show);
  commands.set = AddSet(app, args.set);
  commands.update = AddUpdate(app, args);
  commands.upload = AddUpload(app, args);
  std::tie(commands.build, commands.list) = AddImage(app, args);
  return commands;
}

int Run(kv3::cli::Context& context, const Commands& commands, const Arguments& args) {
  using namespace kv3::cli;
  if (commands.find->parsed()) return RunFind(context, args.find);
  if (commands.show->parsed()) return RunShow(context, args.show);
  if (commands.set->parsed()) return RunSet(context, args.set);
  if (commands.build->parsed()) return RunImageBuild(context, args.imageTarget, args.imageFiles);
  if (commands.list->parsed()) return RunImageList(context, args.listed, args.listJson);
  TransferOptions transfer;
  transfer.address = args.address;
  if (commands.update->parsed()) {
    transfer.kind = args.updateKind == "firmware" ? TransferKind::Firmware : TransferKind::WebApp;
    if (!SplitUnitsAndFile(args.updateWords, args.updateAll, transfer, context.err)) return kUsage;
  } else {
    transfer.kind = args.uploadKind == "skin" ? TransferKind::Skin : TransferKind::Scheme;
    if (!args.definition.empty()) transfer.definition = args.definition;
    if (!SplitUnitsAndFile(args.uploadWords, args.uploadAll, transfer, context.err)) return kUsage;
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

  CLI::App app{
      "kv3 configures VozezaViroru KV3 units on the local network: it finds them, shows\n"
      "and changes their settings, and uploads firmware, web apps, skins and schemes.",
      "kv3"};
  Arguments args;
  const Commands commands = AddCommands(app, args);
  // In UTF-8 on every system, as every text of the tool.
  const std::vector<std::string> arguments = kv3::platform::CommandLineUtf8(argc, argv);
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kSuccess : kUsage;
  }
  context.progress = args.quiet                         ? ProgressMode::Quiet
                     : kv3::platform::ErrorIsTerminal() ? ProgressMode::Bars
                                                        : ProgressMode::Lines;
  try {
    return Run(context, commands, args);
  } catch (const Cancelled&) {
    std::cerr << context.texts.interrupted << '\n';
    return kInterrupted;
  } catch (const std::exception& error) {
    std::cerr << "kv3: " << error.what() << '\n';
    return kLocalError;
  }
}
