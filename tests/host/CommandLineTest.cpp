#include "host/CommandLine.h"

#include <gtest/gtest.h>

namespace {

PlyxCommandLine parse(std::vector<const char*> args) {
    args.insert(args.begin(), "plyx");
    return ParsePlyxCommandLine(static_cast<int>(args.size()), args.data());
}

using Action = PlyxCommandLine::Action;
using Strings = std::vector<std::string>;

} // namespace

TEST(PlyxCommandLine, SortsOptionsFilesAndTheToolkitsOptions) {
    struct Case {
        std::vector<const char*> args;
        Action action;
        Strings files;
        Strings qt; // after the program's name
        std::string error;
    };
    const Case cases[] = {
        {{"a.mp3", "-", "b.ogg"}, Action::Run, {"a.mp3", "-", "b.ogg"}, {}, ""},
        {{"--help", "--bogus"}, Action::Help, {}, {}, ""},
        {{"a.mp3", "-h"}, Action::Help, {"a.mp3"}, {}, ""},
        {{"--version"}, Action::Version, {}, {}, ""},
        {{"--bogus", "--help"}, Action::Fail, {}, {}, "unrecognized option '--bogus'"},
        {{"-x"}, Action::Fail, {}, {}, "unrecognized option '-x'"},
        {{"--plugins=a", "--bogus=1"}, Action::Fail, {}, {}, "unrecognized option '--bogus'"},
        {{"--plugins"}, Action::Fail, {}, {}, "option '--plugins' requires an argument"},
        {{"--report-version", "6x"}, Action::Fail, {}, {}, "invalid version '6x'"},
        {{"--", "--version", "-h", "--"}, Action::Run, {"--version", "-h", "--"}, {}, ""},
        {{"-platform", "offscreen", "a", "--display=:1", "-reverse", "--style", "fusion"},
         Action::Run,
         {"a"},
         {"-platform", "offscreen", "--display=:1", "-reverse", "--style", "fusion"},
         ""},
        {{"--", "-platform", "x"}, Action::Run, {"-platform", "x"}, {}, ""},
    };
    for (const Case& c : cases) {
        std::string name = c.args.empty() ? "" : c.args[0];
        PlyxCommandLine line = parse(c.args);
        EXPECT_EQ(line.action, c.action) << name;
        if (c.action == Action::Run || c.action == Action::Fail) {
            EXPECT_EQ(line.files, c.files) << name;
            Strings qt(line.qtArguments.begin() + 1, line.qtArguments.end());
            EXPECT_EQ(qt, c.qt) << name;
        }
        EXPECT_EQ(line.error, c.error) << name;
        EXPECT_EQ(line.qtArguments.front(), "plyx");
    }
}

TEST(PlyxCommandLine, TakesThePlugInFolderAndTheReportedVersionInBothForms) {
    PlyxCommandLine line = parse({"--plugins", "/p", "--report-version=6000", "x"});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.plugins, "/p");
    EXPECT_EQ(line.reportedVersion, 6000);
    EXPECT_EQ(line.files, Strings{"x"});
    line = parse({"--plugins=/q", "--report-version", "7001"});
    EXPECT_EQ(line.plugins, "/q");
    EXPECT_EQ(line.reportedVersion, 7001);
    EXPECT_EQ(parse({}).reportedVersion, kPlyxVersion);
    EXPECT_EQ(PlyxVersionLine(), "plyx 6.32.0");
}
