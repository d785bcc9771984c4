// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#include "clioptions.h"

#include <QCommandLineParser>

#include <algorithm>
#include <string_view>

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
    "                             the books in an app's Documents folder instead (its PDFs too\n"
    "                             when it takes PDF): PATH is the book's path there; import keeps\n"
    "                             a file of the same name unless --replace, or --keep-both (the\n"
    "                             new copy takes a new name)\n"
    "  apps [--all]               reader apps (apps that share their documents and take ePub):\n"
    "                             identifier, name, version, books in their Documents folder;\n"
    "                             --all lists every app that shares its documents\n"
    "  backups                    the copies of device catalogues kept before each change\n"
    "  restore FILE               put a kept catalogue copy back on the device\n"
    "  ipod-info MOUNTPOINT       describe a disk-mode iPod mounted at MOUNTPOINT\n"
    "options: --device SEL (default: usb), --json (one JSON document on standard output),\n"
    "         --verbose (the device link's messages on standard error), --help, --version;\n"
    "         options go before or after the command, and -- ends them (FILE may be -x.epub)\n"
    "exit status: 0 all done, 1 some item failed, 2 usage error or no device\n";

namespace {

struct OptionSpec
{
    std::string_view name;
    std::string_view valueName; // empty: a switch
};

// Every option the tool knows; which command takes which is below.
constexpr OptionSpec kOptions[] = {
    {"device", "SEL"},  {"json", {}},      {"verbose", {}},       {"help", {}},    {"version", {}},
    {"library", {}},    {"custom", {}},    {"to", "DIR"},         {"replace", {}}, {"keep", {}},
    {"duplicates", {}}, {"keep-both", {}}, {"app", "IDENTIFIER"}, {"all", {}},
};
constexpr std::string_view kGlobalOptions[] = {"device", "json", "verbose", "help", "h", "version"};

struct CommandSpec
{
    std::string_view name;
    std::vector<std::string_view> options;
};

const std::vector<CommandSpec> &commands()
{
    static const std::vector<CommandSpec> table = {
        {"info", {}},
        {"list", {"library", "custom", "app"}},
        {"import", {"duplicates", "replace", "keep-both", "app"}},
        {"export", {"to", "replace", "keep", "app"}},
        {"delete", {"app"}},
        {"apps", {"all"}},
        {"backups", {}},
        {"restore", {}},
        {"ipod-info", {}},
    };
    return table;
}

// Arguments go through the parser one byte to one character and back, so a file name that is not
// UTF-8 comes out as the bytes it came in as.
QString chars(std::string_view s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

std::string bytes(const QString &s)
{
    return s.toLatin1().toStdString();
}

// Edits (insert, delete, replace, swap two neighbours) between a and b.
std::size_t distance(std::string_view a, std::string_view b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// The known word `typed` was most likely meant as: the only one it begins, or the nearest one a
// slip or two away (the first of equally near ones); empty when none is near.
std::string_view nearest(std::string_view typed, const std::vector<std::string_view> &candidates)
{
    std::vector<std::string_view> begun;
    for (std::string_view c : candidates)
        if (typed.size() >= 2 && c.substr(0, typed.size()) == typed)
            begun.push_back(c);
    if (begun.size() == 1)
        return begun.front();
    const std::size_t allowed = typed.size() < 5 ? 1 : 2;
    std::string_view best;
    std::size_t bestDistance = allowed + 1;
    for (std::string_view c : candidates) {
        const std::size_t d = distance(typed, c);
        if (d < bestDistance && d < typed.size()) {
            best = c;
            bestDistance = d;
        }
    }
    return best;
}

const CommandSpec *findCommand(std::string_view name)
{
    for (const CommandSpec &c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

bool takes(const CommandSpec &command, std::string_view option)
{
    return std::find(std::begin(kGlobalOptions), std::end(kGlobalOptions), option) !=
               std::end(kGlobalOptions) ||
           std::find(command.options.begin(), command.options.end(), option) != command.options.end();
}

std::string unknownOption(const std::vector<std::string> &args, const std::string &name,
                          const CommandSpec *command)
{
    // The parser takes "-name" as "--name"; say it as it was typed.
    const bool singleDash = std::any_of(args.begin(), args.end(), [&](const std::string &a) {
        return a == "-" + name || a.rfind("-" + name + "=", 0) == 0;
    });
    std::string text = "unknown option " + std::string(singleDash ? "-" : "--") + name;
    // Only what the command takes: naming another would lead to the next error.
    std::vector<std::string_view> candidates;
    for (const OptionSpec &o : kOptions)
        if (!command || takes(*command, o.name))
            candidates.push_back(o.name);
    if (const std::string_view meant = nearest(name, candidates); !meant.empty())
        text += "; did you mean --" + std::string(meant) + "?";
    return text;
}

} // namespace

std::optional<CliOptions> parseCliOptions(const std::vector<std::string> &args, std::string *error)
{
    auto fail = [error](const std::string &text) -> std::optional<CliOptions> {
        *error = text;
        return std::nullopt;
    };
    QCommandLineParser parser;
    // Options stand anywhere, before or after the command and its arguments, until "--".
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    // No bundled one-letter options: "-jsn" is one word, so a slip is named whole.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionSpec &o : kOptions) {
        QStringList names{chars(o.name)};
        if (o.name == "help")
            names.prepend(QStringLiteral("h"));
        parser.addOption(QCommandLineOption(names, QString(), chars(o.valueName)));
    }
    QStringList list{QStringLiteral("bookferry-cli")};
    for (const std::string &a : args)
        list << chars(a);
    const bool parsed = parser.parse(list);
    const QStringList positional = parser.positionalArguments();
    const std::string commandName = positional.isEmpty() ? std::string() : bytes(positional.front());
    const CommandSpec *command = findCommand(commandName);

    if (!parsed) {
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
            return fail(unknownOption(args, bytes(unknown.front()), command));
        // A value option last, with nothing after it to take.
        if (!args.empty() && (args.back() == "--device" || args.back() == "-device"))
            return fail("--device needs a value");
        if (!args.empty() && (args.back() == "--to" || args.back() == "-to"))
            return fail("--to needs a folder");
        if (!args.empty() && (args.back() == "--app" || args.back() == "-app"))
            return fail("--app needs an app identifier (see bookferry-cli apps)");
        for (const OptionSpec &o : kOptions) {
            const std::string given = "-" + std::string(o.name) + "=";
            const bool valueGiven = std::any_of(args.begin(), args.end(), [&given](const std::string &a) {
                return a.rfind(given, 0) == 0 || a.rfind("-" + given, 0) == 0;
            });
            if (o.valueName.empty() && valueGiven)
                return fail("--" + std::string(o.name) + " takes no value");
        }
        return fail(bytes(parser.errorText()));
    }

    CliOptions o;
    if (parser.isSet(QStringLiteral("help"))) {
        o.help = true;
        return o;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        o.version = true;
        return o;
    }
    if (commandName.empty())
        return fail("no command given");
    if (!command) {
        std::vector<std::string_view> names;
        for (const CommandSpec &c : commands())
            names.push_back(c.name);
        std::string text = "unknown command " + commandName;
        if (const std::string_view meant = nearest(commandName, names); !meant.empty())
            text += "; did you mean " + std::string(meant) + "?";
        return fail(text);
    }
    o.command = commandName;
    for (const QString &name : parser.optionNames()) {
        if (!takes(*command, bytes(name)))
            return fail(o.command + " does not take --" + bytes(name));
        // export: the last of --replace and --keep counts; keeping is the default
        if (name == QLatin1String("replace") || name == QLatin1String("keep"))
            o.replace = name == QLatin1String("replace");
    }
    auto value = [&parser](const char *name) { return bytes(parser.value(QLatin1String(name))); };
    if (parser.isSet(QStringLiteral("device"))) {
        o.device = value("device");
        if (o.device->empty())
            return fail("--device needs a value");
    }
    o.json = parser.isSet(QStringLiteral("json"));
    o.verbose = parser.isSet(QStringLiteral("verbose"));
    o.libraryOnly = parser.isSet(QStringLiteral("library"));
    o.customOnly = parser.isSet(QStringLiteral("custom"));
    o.exportDir = value("to");
    o.duplicates = parser.isSet(QStringLiteral("duplicates"));
    o.allApps = parser.isSet(QStringLiteral("all"));
    if (parser.isSet(QStringLiteral("app"))) {
        o.app = value("app");
        if (o.app->empty())
            return fail("--app needs an app identifier (see bookferry-cli apps)");
    }
    if (o.command == "import") {
        o.replaceInApp = o.replace;
        o.replace = false;
    }
    o.keepBoth = parser.isSet(QStringLiteral("keep-both"));
    for (qsizetype i = 1; i < positional.size(); ++i)
        o.arguments.push_back(bytes(positional.at(i)));

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
    }
    return o;
}
