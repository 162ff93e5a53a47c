// kv3: the configurator's operations on the command line, for installers with many units, for
// scripts, and for computers without a desktop.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>

#include "app/language.h"
#include "cli/commands.h"
#include "cli/image_commands.h"
#include "cli/transfers.h"

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

}  // namespace

int main(int argc, char** argv) {
  // Beyond a limit on file sizes a write must fail like on a full disk, which the file writers
  // handle, instead of ending the process halfway through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  using namespace kv3::cli;
  // Before any other thread: every thread must inherit the blocked stop signals.
  Interrupt interrupt;
  Context context{TextsForEnvironment(), {}, std::cout, std::cerr, interrupt};

  CLI::App app{
      "kv3 configures VozezaViroru KV3 units on the local network: it finds them, shows\n"
      "and changes their settings, and uploads firmware, web apps, skins and schemes.",
      "kv3"};
  app.set_version_flag("--version", "kv3 " + std::string(kv3::app::ProgramVersion));
  app.footer(kExamples);
  app.require_subcommand(1, 1);
  // --quiet may stand after the command too, where a user adds it last.
  app.fallthrough();
  bool quiet = false;
  app.add_flag("-q,--quiet", quiet, "show no progress");

  FindOptions find;
  CLI::App* findCommand =
      app.add_subcommand("find", "search every network adapter and list the units that answer");
  findCommand->footer(
      "\nExamples:\n  kv3 find\n  kv3 find --json --show-password > site.json\n"
      "  kv3 find --address 198.51.100.40\n\nExit status 3 when no unit answered: kv3 then says "
      "which adapters\nand addresses it tried and who holds the reply port 48714.");
  findCommand->add_option("--address", find.address, "search only at this address or host name");
  findCommand->add_flag("--json", find.json, "print JSON instead of a table");
  findCommand->add_flag("--show-password", find.showPassword, "print the units' passwords too");

  ShowOptions show;
  CLI::App* showCommand = app.add_subcommand("show", "show everything one unit reports");
  showCommand->footer("\nExample:\n  kv3 show 00-1a-2b-3c-4d-01 --json");
  showCommand->add_option("MAC", show.mac, "the unit's MAC address")->required();
  showCommand->add_option("--address", show.address, "search only at this address or host name");
  showCommand->add_flag("--json", show.json, "print JSON");
  showCommand->add_flag("--show-password", show.showPassword, "print the password too");

  SetOptions set;
  CLI::App* setCommand = app.add_subcommand(
      "set", "change a unit's settings, then search again and check that it shows them");
  setCommand->footer(
      "\nValues not given stay as the unit reports them. The values are checked as the window\n"
      "checks them; a wrong one is refused before anything is sent. Afterwards kv3 searches\n"
      "again: exit status 0 only when the unit shows the new values.\n\nExamples:\n"
      "  kv3 set 00:1A:2B:3C:4D:01 --name Keller --ip 192.0.2.40 --mask 255.255.255.0 "
      "--router 192.0.2.1\n"
      "  kv3 set 00:1A:2B:3C:4D:01 --dhcp --password\n"
      "  printf '%s\\n' \"$NEW_PASSWORD\" | kv3 set 00:1A:2B:3C:4D:01 --password-stdin");
  setCommand->add_option("MAC", set.mac, "the unit's MAC address")->required();
  setCommand->add_option("--address", set.address, "search only at this address or host name");
  setCommand->add_option("--name", set.name, "device name (at most 30 characters)");
  CLI::Option* ip = setCommand->add_option("--ip", set.ip, "IP address (turns DHCP off)");
  CLI::Option* mask = setCommand->add_option("--mask", set.mask, "subnet mask (turns DHCP off)");
  CLI::Option* router = setCommand->add_option("--router", set.router, "router (turns DHCP off)");
  CLI::Option* dhcp = setCommand->add_flag("--dhcp", set.dhcp, "take the address by DHCP");
  dhcp->excludes(ip)->excludes(mask)->excludes(router);
  setCommand->add_option("--user", set.user, "user name (at most 12 characters)");
  CLI::Option* fromStdin = setCommand->add_flag("--password-stdin", set.passwordStdin,
                                                "read the new password (6 to 12 characters) from "
                                                "the first line of standard input");
  setCommand
      ->add_flag("--password", set.passwordPrompt,
                 "ask for the new password on the terminal, without echo")
      ->excludes(fromStdin);

  std::vector<std::string> updateWords;
  bool updateAll = false;
  std::string address;
  CLI::App* updateCommand = app.add_subcommand(
      "update", "update firmware or web app: kv3 update firmware|webapp MAC... FILE");
  std::string updateKind;
  updateCommand->footer(
      "\nSeveral units are updated side by side. A summary says for each unit: done, not\n"
      "acknowledged, corrupted or unreachable. Ctrl-C stops every transfer and still prints "
      "it.\n\nExamples:\n  kv3 update firmware --all kv3-2.14.bin\n"
      "  kv3 update webapp 00:1A:2B:3C:4D:01 00:1A:2B:3C:4D:02 web.rom");
  updateCommand->add_option("KIND", updateKind, "firmware or webapp")
      ->required()
      ->check(CLI::IsMember({"firmware", "webapp"}));
  updateCommand->add_option("MAC... FILE", updateWords, "the units and the file")->required();
  updateCommand->add_flag("--all", updateAll, "every unit the search finds");
  updateCommand->add_option("--address", address, "search only at this address or host name");

  std::vector<std::string> uploadWords;
  bool uploadAll = false;
  std::string uploadKind;
  std::string definition;
  CLI::App* uploadCommand = app.add_subcommand(
      "upload", "upload a skin or a scheme picture: kv3 upload skin|scheme MAC... FILE");
  uploadCommand->footer(
      "\nA scheme picture must be smaller than 200 kB; its position definition goes first.\n\n"
      "Examples:\n  kv3 upload skin --all rahmen.jpg\n"
      "  kv3 upload scheme 00:1A:2B:3C:4D:01 anlage.jpg --definition anlage.rem");
  uploadCommand->add_option("KIND", uploadKind, "skin or scheme")
      ->required()
      ->check(CLI::IsMember({"skin", "scheme"}));
  uploadCommand->add_option("MAC... FILE", uploadWords, "the units and the picture")->required();
  uploadCommand->add_flag("--all", uploadAll, "every unit the search finds");
  uploadCommand->add_option("--address", address, "search only at this address or host name");
  uploadCommand->add_option("--definition", definition,
                            "the scheme's position definition (.rem); without it the one "
                            "beside the picture, as the window finds it");

  CLI::App* imageCommand = app.add_subcommand("image", "build or list a web-application image");
  imageCommand->require_subcommand(1, 1);
  imageCommand->fallthrough();
  imageCommand->footer(
      "\nExamples:\n  kv3 image build web.rom index.htm style.css default.jpg\n"
      "  kv3 image list web.rom --json");
  std::string imageTarget;
  std::vector<std::string> imageFiles;
  CLI::App* buildCommand = imageCommand->add_subcommand("build", "build OUT.rom from FILE...");
  buildCommand->add_option("OUT", imageTarget, "the image to write")->required();
  buildCommand->add_option("FILE", imageFiles, "the web files, in their order")->required();
  std::string listed;
  bool listJson = false;
  CLI::App* listCommand = imageCommand->add_subcommand("list", "list the files of an image");
  listCommand->add_option("IMAGE", listed, "the image")->required();
  listCommand->add_flag("--json", listJson, "print JSON");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? kSuccess : kUsage;
  }
  context.progress = quiet                     ? ProgressMode::Quiet
                     : ::isatty(STDERR_FILENO) ? ProgressMode::Bars
                                               : ProgressMode::Lines;

  try {
    if (findCommand->parsed()) return RunFind(context, find);
    if (showCommand->parsed()) return RunShow(context, show);
    if (setCommand->parsed()) return RunSet(context, set);
    if (buildCommand->parsed()) return RunImageBuild(context, imageTarget, imageFiles);
    if (listCommand->parsed()) return RunImageList(context, listed, listJson);
    TransferOptions transfer;
    transfer.address = address;
    if (updateCommand->parsed()) {
      transfer.kind = updateKind == "firmware" ? TransferKind::Firmware : TransferKind::WebApp;
      if (!SplitUnitsAndFile(updateWords, updateAll, transfer, std::cerr)) return kUsage;
    } else {
      transfer.kind = uploadKind == "skin" ? TransferKind::Skin : TransferKind::Scheme;
      if (!definition.empty()) transfer.definition = definition;
      if (!SplitUnitsAndFile(uploadWords, uploadAll, transfer, std::cerr)) return kUsage;
    }
    return RunTransfer(context, transfer);
  } catch (const Cancelled&) {
    std::cerr << context.texts.interrupted << '\n';
    return kInterrupted;
  } catch (const std::exception& error) {
    std::cerr << "kv3: " << error.what() << '\n';
    return kLocalError;
  }
}
