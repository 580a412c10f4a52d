// korval-listing run as a user runs it: every fixture through the program's
// options, standard input, and its failures.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "listing_fixture.h"

namespace korval::testing {
namespace {

std::string ToolPath() { return std::string(KORVAL_BINARY_DIR) + "/tools/korval-listing"; }

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

struct ToolRun {
  int ExitCode = -1;
  std::vector<std::string> Lines;  // standard output
  std::string Errors;              // standard error
};

std::filesystem::path WriteListing(const std::string& text) {
  std::filesystem::path path = UniqueTempPath("korval_listing_tool_input");
  std::ofstream out(path, std::ios::binary);
  out << text;
  return path;
}

// Runs the tool with `arguments`; `input`, when given, is its standard input.
ToolRun RunTool(const std::string& arguments, const std::string* input = nullptr) {
  std::filesystem::path errors = UniqueTempPath("korval_listing_tool_errors");
  std::string command = Quoted(ToolPath()) + " " + arguments + " 2>" + Quoted(errors.string());
  std::filesystem::path inputPath;
  if (input) {
    inputPath = WriteListing(*input);
    command += " <" + Quoted(inputPath.string());
  }
  ToolRun run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::string output;
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, count);
  int status = pclose(pipe);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::size_t start = 0;
  for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
    run.Lines.push_back(output.substr(start, end - start));
  std::ifstream in(errors);
  run.Errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::filesystem::remove(errors);
  if (input) std::filesystem::remove(inputPath);
  return run;
}

TEST(ListingTool, PrintsEveryFixtureAsThePaneHoldsIt) {
  std::vector<std::filesystem::path> fixtures = FindListingFixtures();
  ASSERT_FALSE(fixtures.empty());
  for (const std::filesystem::path& path : fixtures) {
    ListingFixture fixture = ReadListingFixture(path);
    std::string arguments;
    for (const auto& [key, value] : fixture.Options) arguments += "--" + key + " " + Quoted(value) + " ";
    std::filesystem::path input = WriteListing(fixture.Listing);
    ToolRun run = RunTool(arguments + Quoted(input.string()));
    std::filesystem::remove(input);
    EXPECT_EQ(run.ExitCode, 0) << fixture.Name << ": " << run.Errors;
    EXPECT_EQ(run.Lines, fixture.Entries) << fixture.Name;
  }
}

TEST(ListingTool, ReadsStandardInputAndTheDefaults) {
  // Defaults: automatic detection (UNIX rules), links as directories, full information.
  std::string listing =
      "lrwxrwxrwx 1 u g 11 Jan 3 09:30 latest -> release\n"
      "-rw-r--r-- 1 u g 1803 May 22 14:05 b\tc.dat\n";
  ToolRun run = RunTool("--today 1996-06-15 -", &listing);
  EXPECT_EQ(run.ExitCode, 0) << run.Errors;
  EXPECT_EQ(run.Lines, (std::vector<std::string>{
                           "4\t..\t0\t0\t0\t0\t0\t0\t..",
                           "2\tlatest\t0\t0\t0\t0\t0\t0\tlatest",  // a link shown as a directory
                           "0\tb\\tc.dat\t1803\t96\t5\t22\t14\t5\tb\\tc.dat     \\t| 960522 14:05       1803",
                       }));
}

TEST(ListingTool, ReadsTheAsciiListGiven) {
  std::filesystem::path list = UniqueTempPath("korval_listing_tool_ext");
  { std::ofstream(list) << ".DAT\n"; }
  std::string listing = "-rw-r--r-- 1 u g 1 May 22 14:05 a.dat\n-rw-r--r-- 1 u g 1 May 22 14:05 b.txt\n";
  ToolRun run = RunTool("--longdir 0 --ascii-list " + Quoted(list.string()) + " -", &listing);
  std::filesystem::remove(list);
  ASSERT_EQ(run.Lines.size(), 3u) << run.Errors;
  EXPECT_EQ(run.Lines[1].substr(0, 7), "1\ta.dat");
  EXPECT_EQ(run.Lines[2].substr(0, 7), "0\tb.txt");
}

TEST(ListingTool, UnreadableFileShowsOnlyTheParentEntry) {
  ToolRun run = RunTool("/nonexistent/listing.txt");
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_EQ(run.Lines, std::vector<std::string>{"4\t..\t0\t0\t0\t0\t0\t0\t.."});
  EXPECT_NE(run.Errors.find("couldn't open /nonexistent/listing.txt for read."), std::string::npos) << run.Errors;
}

TEST(ListingTool, RejectsBadOptions) {
  for (const char* arguments : {"", "--type", "--type x f", "--vlink 2 f", "--today 1996-13-01 f",
                                "--sort 16 f", "--colour 1 f", "a b"}) {
    ToolRun run = RunTool(arguments);
    EXPECT_EQ(run.ExitCode, 2) << arguments;
    EXPECT_TRUE(run.Lines.empty()) << arguments;
    EXPECT_NE(run.Errors.find("usage: korval-listing"), std::string::npos) << arguments;
  }
}

}  // namespace
}  // namespace korval::testing
