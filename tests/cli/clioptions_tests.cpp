// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "clioptions.h"

#include <gtest/gtest.h>

namespace {
// What a parse gave, in one line: the command, the options set, then the arguments in [].
std::string outcome(const std::vector<std::string> &args)
{
    std::string error;
    const std::optional<CliOptions> o = parseCliOptions(args, &error);
    if (!o)
        return "error: " + error;
    std::string s = o->help ? "help" : o->version ? "version" : o->command;
    const std::pair<bool, const char *> flags[] = {
        {o->json, "json"},         {o->verbose, "verbose"},          {o->libraryOnly, "library"},
        {o->customOnly, "custom"}, {o->replace, "replace"},          {o->duplicates, "duplicates"},
        {o->allApps, "all"},       {o->replaceInApp, "app-replace"}, {o->keepBoth, "keep-both"}};
    for (const auto &[set, name] : flags)
        s += set ? std::string(" ") + name : "";
    s += (o->device ? " device=" + *o->device : "") + (o->app ? " app=" + *o->app : "");
    s += o->exportDir.empty() ? "" : " to=" + o->exportDir;
    for (const std::string &a : o->arguments)
        s += " [" + a + "]";
    return s;
}
} // namespace

TEST(CliOptions, ArgumentListsAndWhatTheyGive)
{
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--device", "folder:/d", "--json", "export", "--to", "/o", "--replace", "A", "B"},
         "export json replace device=folder:/d to=/o [A] [B]"},
        // Global and command options anywhere: before the command, between and after its arguments.
        {{"export", "A", "--to=/o", "--json", "--device=demo", "B"}, "export json device=demo to=/o [A] [B]"},
        {{"--app", "org.example.reader", "list"}, "list app=org.example.reader"},
        {{"--keep-both", "--json", "import", "--app=r", "a.epub"}, "import json keep-both app=r [a.epub]"},
        {{"import", "a.epub", "--duplicates", "--verbose"}, "import verbose duplicates [a.epub]"},
        {{"import", "--app", "r", "b.epub", "--replace"}, "import app-replace app=r [b.epub]"},
        {{"--all", "apps"}, "apps all"},
        // The last of --replace and --keep counts; keeping is the default.
        {{"export", "--to=/o", "--replace", "--keep"}, "export to=/o"},
        {{"export", "--keep", "--to", "/o", "--replace"}, "export replace to=/o"},
        // "--" ends the options; names are kept byte for byte, UTF-8 or not.
        {{"import", "--json", "--", "-x.epub", "--verbose"}, "import json [-x.epub] [--verbose]"},
        {{"import", "\xff\xfe.epub", "-"}, "import [\xff\xfe.epub] [-]"},
        {{"list", "-h"}, "help"},
        {{"--version"}, "version"},
        // Unknown options name the nearest one the command takes, when one is near.
        {{"--jsn", "list"}, "error: unknown option --jsn; did you mean --json?"},
        {{"list", "-jsno"}, "error: unknown option -jsno; did you mean --json?"},
        {{"export", "--to", "/o", "--replcae"}, "error: unknown option --replcae; did you mean --replace?"},
        {{"--dev", "demo", "info"}, "error: unknown option --dev; did you mean --device?"},
        {{"list", "--ap", "r"}, "error: unknown option --ap; did you mean --app?"},
        {{"info", "--ap", "r"}, "error: unknown option --ap"},
        {{"--bogus", "list"}, "error: unknown option --bogus"},
        {{"import", "-x.epub"}, "error: unknown option -x.epub"},
        {{"lsit"}, "error: unknown command lsit; did you mean list?"},
        {{"frobnicate"}, "error: unknown command frobnicate"},
        // An option the command does not take.
        {{"export", "--to", "/o", "--duplicates"}, "error: export does not take --duplicates"},
        {{"--app", "x", "apps"}, "error: apps does not take --app"},
        {{"list", "--all"}, "error: list does not take --all"},
        // Missing values, arguments and combinations that exclude each other.
        {{}, "error: no command given"},
        {{"list", "--device"}, "error: --device needs a value"},
        {{"--device=", "list"}, "error: --device needs a value"},
        {{"export", "--to"}, "error: --to needs a folder"},
        {{"list", "--app"}, "error: --app needs an app identifier (see bookferry-cli apps)"},
        {{"list", "--app="}, "error: --app needs an app identifier (see bookferry-cli apps)"},
        {{"list", "--json=yes"}, "error: --json takes no value"},
        {{"list", "extra"}, "error: list takes no arguments"},
        {{"list", "--library", "--custom"}, "error: --library and --custom exclude each other"},
        {{"import"}, "error: import needs at least one file"},
        {{"delete", "--app", "r"}, "error: delete needs at least one Path"},
        {{"export", "A.epub"}, "error: export needs --to DIR"},
        {{"ipod-info"}, "error: ipod-info needs one mount point"},
        {{"restore", "a", "b"}, "error: restore needs one catalogue copy (see bookferry-cli backups)"},
        {{"import", "--replace", "a.epub"}, "error: --replace and --keep-both of import go with --app"},
        {{"import", "--app", "x", "--replace", "--keep-both", "a"},
         "error: --replace and --keep-both exclude each other"},
        {{"list", "--app", "x", "--custom"}, "error: --library and --custom do not go with --app"},
    };
    for (const auto &[args, expected] : rows)
        EXPECT_EQ(outcome(args), expected) << ::testing::PrintToString(args);
}
