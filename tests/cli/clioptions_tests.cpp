// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "clioptions.h"

#include <gtest/gtest.h>

namespace {
std::optional<CliOptions> parse(std::vector<std::string> args, std::string *error = nullptr)
{
    std::string ignored;
    return parseCliOptions(args, error ? error : &ignored);
}
} // namespace

TEST(CliOptions, GlobalOptionsCommandsAndTheirArguments)
{
    auto o = parse({"--device", "folder:/d", "--json", "export", "--to", "/out", "--replace", "A.epub", "B.epub"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->device, "folder:/d");
    EXPECT_TRUE(o->json);
    EXPECT_EQ(o->command, "export");
    EXPECT_EQ(o->exportDir, "/out");
    EXPECT_TRUE(o->replace);
    EXPECT_EQ(o->arguments, (std::vector<std::string>{"A.epub", "B.epub"}));
    auto keep = parse({"export", "--to=/o", "--replace", "--keep"});
    ASSERT_TRUE(keep);
    EXPECT_FALSE(keep->replace) << "the last answer counts; keeping is the default";
    auto files = parse({"import", "--", "--odd-name.epub"});
    ASSERT_TRUE(files);
    EXPECT_EQ(files->arguments, std::vector<std::string>{"--odd-name.epub"});
    EXPECT_FALSE(files->duplicates);
    auto again = parse({"import", "a.epub", "--duplicates"});
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->duplicates);
    EXPECT_EQ(again->arguments, std::vector<std::string>{"a.epub"});
    EXPECT_TRUE(parse({"list", "--custom"})->customOnly);
    EXPECT_FALSE(parse({"list"})->verbose);
    EXPECT_TRUE(parse({"--verbose", "list"})->verbose);
    EXPECT_TRUE(parse({"export", "--to", "/o", "--verbose"})->verbose);
    EXPECT_TRUE(parse({"--help"})->help);
    EXPECT_TRUE(parse({"--version"})->version);
}

TEST(CliOptions, AppBooks)
{
    const auto imported = parse({"--json", "import", "--app=org.example.reader", "--keep-both", "a.epub"});
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->app, "org.example.reader");
    EXPECT_TRUE(imported->keepBoth);
    EXPECT_FALSE(imported->replaceInApp);
    EXPECT_EQ(imported->arguments, std::vector<std::string>{"a.epub"});
    const auto exported = parse({"export", "--app", "org.example.reader", "--to", "/o", "--replace", "Shelf/b.epub"});
    ASSERT_TRUE(exported);
    EXPECT_TRUE(exported->replace);
    EXPECT_EQ(exported->arguments, std::vector<std::string>{"Shelf/b.epub"});
}

TEST(CliOptions, UsageErrorsAreNamed)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"--device"},
        {"--bogus", "list"},
        {"list", "extra"},
        {"list", "--library", "--custom"},
        {"import"},
        {"delete"},
        {"export", "A.epub"},
        {"export", "--to"},
        {"ipod-info"},
        {"info", "--replace"},
        {"export", "--to", "/o", "--duplicates"},
        {"apps", "extra"},
        {"list", "--all"},
        {"import", "--replace", "a.epub"},
        {"import", "--app", "x", "--replace", "--keep-both", "a.epub"},
        {"list", "--app"},
        {"list", "--app", "x", "--custom"},
        {"apps", "--app", "x"},
    };
    for (const auto &args : bad) {
        std::string error;
        EXPECT_FALSE(parse(args, &error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}
