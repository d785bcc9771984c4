// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "clioptions.h"

const char *const kCliUsage =
    "usage: bookferry-cli [--device usb[:UDID] | folder:DIR | demo] [--json] [--verbose] COMMAND [ARGS]\n"
    "  info                       the device's survey values\n"
    "  list [--library|--custom]  books: Name, Artist, Album, Genre, Path, user item, purchased\n"
    "  import [--duplicates] FILE...\n"
    "                             import ePub files into \"Custom Books\"; a book the device has\n"
    "                             (same identifier and title) is skipped unless --duplicates\n"
    "  export --to DIR [--replace|--keep] [PATH...]\n"
    "                             export books by catalogue \"Path\" (all listed books when none\n"
    "                             given); an existing file is kept unless --replace\n"
    "  delete PATH...             delete books added by the user, by catalogue \"Path\"\n"
    "  list|import|export|delete --app IDENTIFIER ...\n"
    "                             the books in an app's Documents folder instead: PATH is the\n"
    "                             book's path there; import keeps a file of the same name unless\n"
    "                             --replace, or --keep-both (the new copy takes a new name)\n"
    "  apps [--all]               reader apps (apps that share their documents and take ePub):\n"
    "                             identifier, name, version, books in their Documents folder;\n"
    "                             --all lists every app that shares its documents\n"
    "  backups                    the copies of device catalogues kept before each change\n"
    "  restore FILE               put a kept catalogue copy back on the device\n"
    "  ipod-info MOUNTPOINT       describe a disk-mode iPod mounted at MOUNTPOINT\n"
    "options: --device SEL (default: usb), --json (one JSON document on standard output),\n"
    "         --verbose (the device link's messages on standard error), --help, --version\n"
    "exit status: 0 all done, 1 some item failed, 2 usage error or no device\n";

std::optional<CliOptions> parseCliOptions(const std::vector<std::string> &args, std::string *error)
{
    CliOptions o;
    std::size_t i = 0;
    auto fail = [error](const std::string &text) -> std::optional<CliOptions> {
        *error = text;
        return std::nullopt;
    };
    for (; i < args.size() && o.command.empty(); ++i) {
        const std::string &a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
            return o;
        } else if (a == "--version") {
            o.version = true;
            return o;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--device") {
            if (++i >= args.size())
                return fail("--device needs a value");
            o.device = args[i];
        } else if (a.rfind("--device=", 0) == 0) {
            o.device = a.substr(9);
        } else if (!a.empty() && a[0] == '-') {
            return fail("unknown option " + a);
        } else {
            o.command = a;
        }
    }
    if (o.command.empty())
        return fail("no command given");
    bool endOfOptions = false;
    for (; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (!endOfOptions && a == "--") {
            endOfOptions = true;
        } else if (!endOfOptions && a == "--json") {
            o.json = true;
        } else if (!endOfOptions && a == "--verbose") {
            o.verbose = true;
        } else if (!endOfOptions && o.command == "list" && a == "--library") {
            o.libraryOnly = true;
        } else if (!endOfOptions && o.command == "list" && a == "--custom") {
            o.customOnly = true;
        } else if (!endOfOptions && o.command == "export" && (a == "--to" || a.rfind("--to=", 0) == 0)) {
            if (a == "--to") {
                if (++i >= args.size())
                    return fail("--to needs a folder");
                o.exportDir = args[i];
            } else {
                o.exportDir = a.substr(5);
            }
        } else if (!endOfOptions && (a == "--app" || a.rfind("--app=", 0) == 0)
                   && (o.command == "list" || o.command == "import" || o.command == "export" || o.command == "delete")) {
            if (a == "--app") {
                if (++i >= args.size())
                    return fail("--app needs an app identifier (see bookferry-cli apps)");
                o.app = args[i];
            } else {
                o.app = a.substr(6);
            }
            if (o.app->empty())
                return fail("--app needs an app identifier (see bookferry-cli apps)");
        } else if (!endOfOptions && o.command == "import" && a == "--replace") {
            o.replaceInApp = true;
        } else if (!endOfOptions && o.command == "import" && a == "--keep-both") {
            o.keepBoth = true;
        } else if (!endOfOptions && o.command == "apps" && a == "--all") {
            o.allApps = true;
        } else if (!endOfOptions && o.command == "import" && a == "--duplicates") {
            o.duplicates = true;
        } else if (!endOfOptions && o.command == "export" && a == "--replace") {
            o.replace = true;
        } else if (!endOfOptions && o.command == "export" && a == "--keep") {
            o.replace = false;
        } else if (!endOfOptions && a.size() > 1 && a[0] == '-') {
            return fail("unknown option " + a + " for " + o.command);
        } else {
            o.arguments.push_back(a);
        }
    }
    if ((o.replaceInApp || o.keepBoth) && !o.app)
        return fail("--replace and --keep-both of import go with --app");
    if (o.replaceInApp && o.keepBoth)
        return fail("--replace and --keep-both exclude each other");
    if (o.app && (o.libraryOnly || o.customOnly))
        return fail("--library and --custom do not go with --app");
    if (o.command == "info" || o.command == "list" || o.command == "backups" || o.command == "apps") {
        if (!o.arguments.empty())
            return fail(o.command + " takes no arguments");
        if (o.libraryOnly && o.customOnly)
            return fail("--library and --custom exclude each other");
    } else if (o.command == "import" || o.command == "delete") {
        if (o.arguments.empty())
            return fail(o.command + " needs at least one " + (o.command == "import" ? "file" : "Path"));
    } else if (o.command == "export") {
        if (o.exportDir.empty())
            return fail("export needs --to DIR");
    } else if (o.command == "restore") {
        if (o.arguments.size() != 1)
            return fail("restore needs one catalogue copy (see bookferry-cli backups)");
    } else if (o.command == "ipod-info") {
        if (o.arguments.size() != 1)
            return fail("ipod-info needs one mount point");
    } else {
        return fail("unknown command " + o.command);
    }
    return o;
}
