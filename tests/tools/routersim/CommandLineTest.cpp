#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct RunResult {
    int exit_code = -1;
    std::string output;
};

// Runs routersim with the arguments (shell words) and collects stdout and stderr.
RunResult run_routersim(const std::string& arguments) {
    RunResult run;
    const std::string command = std::string(ROUTERSIM_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(RoutersimCommandLineTest, HelpPrintsUsage) {
    const RunResult run = run_routersim("--help");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.output.find("usage: routersim"), std::string::npos) << run.output;
}

struct BadCase {
    const char* name;
    const char* arguments;
    const char* message;
};

class RoutersimBadOptionTest : public testing::TestWithParam<BadCase> {};

TEST_P(RoutersimBadOptionTest, ExitsWithCode2AndNamesTheProblem) {
    const RunResult run = run_routersim(GetParam().arguments);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.output.find(GetParam().message), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoutersimBadOptionTest,
    testing::Values(
        BadCase{"NoDevice", "", "routersim: No device given: use --normal or --loader at least once"},
        BadCase{"UnknownOption", "--fast --normal module=A", "routersim: Unknown option \"--fast\""},
        BadCase{"MissingValue", "--normal", "routersim: Option --normal needs a value"},
        BadCase{"UnknownNormalSetting", "--normal colour=red", "Unknown setting \"colour\" for --normal"},
        BadCase{"UnknownLoaderSetting", "--loader colour=red", "Unknown setting \"colour\" for --loader"},
        BadCase{"NotANumber", "--loader lose-ack=x",
                "Cannot use \"x\" for lose-ack: expected a number from 0 to 65535"},
        BadCase{"PortOutOfRange", "--loader ack-port=70000",
                "Cannot use \"70000\" for ack-port: expected a number from 1 to 65535"},
        BadCase{"BadYesNo", "--normal ping=maybe", "Cannot use \"maybe\" for ping: expected yes or no"},
        BadCase{"BadAfterReboot", "--loader after-reboot=later",
                "Cannot use \"later\" for after-reboot: expected silent, normal or loader"},
        BadCase{"BadBindAddress", "--bind localhost --normal module=A",
                "Cannot use \"localhost\" as an IPv4 address for --bind"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
