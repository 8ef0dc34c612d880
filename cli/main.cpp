// quillon-cli: the headless front end of the engine.

#include <cstdio>

#include "cli/CliArgs.h"
#include "cli/Commands.h"
#include "platform/FileOps.h"

int main(int argc, char** argv) {
    using namespace quillon::cli;
    quillon::platform::ReportFileSizeLimitAsWriteError();
    const CliCommand command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.kind) {
    case CliCommand::Kind::Help: std::fputs(UsageText(), stdout); return ExitOk;
    case CliCommand::Kind::Version: std::printf("quillon-cli %s\n", QUILLON_VERSION); return ExitOk;
    case CliCommand::Kind::Analyze: return RunAnalyze(command.analyze);
    case CliCommand::Kind::Save: return RunSave(command.analyze, command.save);
    case CliCommand::Kind::Invalid: break;
    }
    std::fputs(UsageErrorLine(command.error).c_str(), stderr);
    return ExitUsage;
}
